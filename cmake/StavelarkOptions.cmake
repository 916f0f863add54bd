# Warnings and sanitizers for every target of the project.
add_compile_options(-Wall -Wextra)

if(STAVELARK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Every library of the project: stavelark_add_library(name [SHARED] SOURCES ... LIBS ...)
function(stavelark_add_library name)
  cmake_parse_arguments(A "SHARED" "" "SOURCES;LIBS;PUBLIC_LIBS" ${ARGN})
  if(A_SHARED)
    add_library(${name} SHARED ${A_SOURCES})
  else()
    add_library(${name} STATIC ${A_SOURCES})
  endif()
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${A_PUBLIC_LIBS} PRIVATE ${A_LIBS})
endfunction()

# A GoogleTest executable registered with CTest:
#   stavelark_add_test(name SOURCES ... LIBS ... [ENV VAR=value ...] [LABELS ...] [PROPERTIES name value ...])
function(stavelark_add_test name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS;ENV;LABELS;PROPERTIES" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  set(env
    "QT_QPA_PLATFORM=offscreen"
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0"
    "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    "STAVELARK_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data"
    ${A_ENV})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "${env}" LABELS "${A_LABELS}" ${A_PROPERTIES}
    DISCOVERY_TIMEOUT 60)
endfunction()

# A Google Benchmark program: stavelark_add_bench(name SOURCES ... LIBS ...)
function(stavelark_add_bench name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${A_LIBS} benchmark::benchmark)
endfunction()

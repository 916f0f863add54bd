# cmake -DBUILD=<build folder> -DPREFIX=<prefix> -P install_prefix.cmake: a fresh installation.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()

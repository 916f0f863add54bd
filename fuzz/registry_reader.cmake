# The registry file's reader, which decides the library the program loads for a control class.
# Its sources are compiled into the target so that libFuzzer sees coverage of the reader itself.
stavelark_add_fuzzer(registry_reader_fuzzer
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/registry_reader.cpp
    ${PROJECT_SOURCE_DIR}/src/platform/store/registry.cpp
    ${PROJECT_SOURCE_DIR}/src/platform/store/paths.cpp
    ${PROJECT_SOURCE_DIR}/src/platform/com/guid.cpp)

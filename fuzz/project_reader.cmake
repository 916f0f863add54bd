# The project-file reader. Its sources (and the code-page conversion it uses) are compiled into
# the target so that libFuzzer sees coverage of the reader itself.
stavelark_add_fuzzer(project_reader_fuzzer
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/project_reader.cpp
    ${PROJECT_SOURCE_DIR}/src/project/msf_format.cpp
    ${PROJECT_SOURCE_DIR}/src/sound/midi_writer.cpp
    ${PROJECT_SOURCE_DIR}/src/sound/file_io.cpp
    ${PROJECT_SOURCE_DIR}/src/platform/store/paths.cpp
    ${PROJECT_SOURCE_DIR}/src/editor/globals.cpp
  LIBS stavelark_basic)

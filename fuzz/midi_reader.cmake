# The Standard MIDI File reader of the sound platform. Its source is compiled into the target so
# that libFuzzer sees coverage of the reader itself.
stavelark_add_fuzzer(midi_reader_fuzzer
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/midi_reader.cpp
    ${PROJECT_SOURCE_DIR}/src/platform/music/midi_file.cpp
  LIBS stavelark_basic)

// Any input either reads as a song whose events lie inside it, or raises a RuntimeError.
#include <cstddef>
#include <cstdint>

#include "platform/basic/basic.h"
#include "platform/music/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    music::MidiSong song = music::ReadMidiFile(data, size);
    int64_t last = 0;
    for (const auto& e : song.events) {
      if (e.frame < last || e.frame > song.lengthFrames) __builtin_trap();
      if (size_t{e.sysexBegin} + e.sysexSize > song.sysex.size()) __builtin_trap();
      last = e.frame;
    }
  } catch (const basic::RuntimeError&) {
  }
  return 0;
}

// Standard MIDI Files (format 0 and 1) read into one time-ordered list of events whose times
// are frames at the platform's sample rate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace music {

struct MidiEvent {
  int64_t frame = 0;     // from the start of the song
  uint8_t status = 0;    // a channel message status (0x80..0xEF), or 0xF0 for a system exclusive
  uint8_t data1 = 0;
  uint8_t data2 = 0;
  uint32_t sysexBegin = 0;  // system exclusive bytes (without F0 and the closing F7) in `sysex`
  uint32_t sysexSize = 0;
};

struct MidiSong {
  std::vector<MidiEvent> events;  // by time; at equal times in track order, then file order
  std::vector<uint8_t> sysex;
  int64_t lengthFrames = 0;       // the latest end of track
};

// Raises basic::RuntimeError (invalid argument) for empty, truncated or malformed data and
// never reads outside `data`.
MidiSong ReadMidiFile(const uint8_t* data, size_t size);

// The bytes of a file: a missing file raises "File not found", one that can't be read (or a
// folder) "Path/File access error", one over 16 MiB "invalid argument".
std::vector<uint8_t> ReadFileBytes(const std::string& path);

// ReadFileBytes, then ReadMidiFile.
MidiSong LoadMidiFile(const std::string& path);

}  // namespace music

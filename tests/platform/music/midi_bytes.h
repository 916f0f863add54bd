// Standard MIDI Files built byte by byte.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace music_test {

using Bytes = std::vector<uint8_t>;

inline void Append(Bytes& b, std::initializer_list<uint8_t> raw) {
  for (uint8_t x : raw) b.push_back(x);
}

inline void Vlq(Bytes& b, uint32_t v) {
  uint8_t tmp[5];
  int n = 0;
  do {
    tmp[n++] = v & 0x7F;
    v >>= 7;
  } while (v);
  while (n > 1) b.push_back(tmp[--n] | 0x80);
  b.push_back(tmp[0]);
}

inline void Be(Bytes& b, uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// One track's events: each is a delta time and the raw bytes that follow it.
struct Track {
  Bytes bytes;
  Track& At(uint32_t delta, std::initializer_list<uint8_t> raw) {
    Vlq(bytes, delta);
    Append(bytes, raw);
    return *this;
  }
  Track& Tempo(uint32_t delta, uint32_t microsPerQuarter) {
    Vlq(bytes, delta);
    Append(bytes, {0xFF, 0x51, 0x03});
    Be(bytes, microsPerQuarter, 3);
    return *this;
  }
  Track& End(uint32_t delta = 0) { return At(delta, {0xFF, 0x2F, 0x00}); }
};

inline Bytes Smf(int format, int division, const std::vector<Track>& tracks) {
  Bytes b;
  Append(b, {'M', 'T', 'h', 'd', 0, 0, 0, 6});
  Be(b, format, 2);
  Be(b, static_cast<uint32_t>(tracks.size()), 2);
  Be(b, division, 2);
  for (const auto& t : tracks) {
    Append(b, {'M', 'T', 'r', 'k'});
    Be(b, static_cast<uint32_t>(t.bytes.size()), 4);
    b.insert(b.end(), t.bytes.begin(), t.bytes.end());
  }
  return b;
}

// One note at the start: with 480 ticks per quarter and the default tempo a tick is 1/960 s.
inline Bytes OneNote(int key, uint32_t noteTicks, uint32_t endTicks, uint8_t program = 0) {
  Track t;
  t.At(0, {0xC0, program}).At(0, {0x90, static_cast<uint8_t>(key), 100});
  t.At(noteTicks, {0x80, static_cast<uint8_t>(key), 0}).End(endTicks - noteTicks);
  return Smf(0, 480, {t});
}

}  // namespace music_test

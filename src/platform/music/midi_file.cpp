#include "platform/music/midi_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/basic/basic.h"
#include "platform/music/music.h"

namespace music {

namespace {

constexpr size_t kMaxFileSize = 16 * 1024 * 1024;
constexpr double kMaxSeconds = 24.0 * 3600;  // longer songs are refused rather than overflowing

[[noreturn]] void Malformed(const std::string& why) {
  basic::Raise(basic::err::InvalidCall, "Not a valid MIDI file: " + why);
}

// A bounds-checked cursor over a byte range.
class Cursor {
 public:
  Cursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool AtEnd() const { return pos_ >= size_; }
  size_t Left() const { return size_ - pos_; }
  size_t Pos() const { return pos_; }
  uint8_t Peek() const {
    Need(1);
    return data_[pos_];
  }
  uint8_t Byte() {
    Need(1);
    return data_[pos_++];
  }
  uint32_t Be(int bytes) {
    Need(bytes);
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | data_[pos_++];
    return v;
  }
  // Variable-length quantity of at most four bytes.
  uint32_t Vlq() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      uint8_t b = Byte();
      v = (v << 7) | (b & 0x7F);
      if (!(b & 0x80)) return v;
    }
    Malformed("a variable-length number runs over four bytes");
  }
  const uint8_t* Take(size_t n) {
    Need(n);
    const uint8_t* p = data_ + pos_;
    pos_ += n;
    return p;
  }

 private:
  void Need(size_t n) const {
    if (n > size_ - pos_) Malformed("the data ends early");
  }
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

struct TickEvent {
  uint64_t tick;
  MidiEvent event;
};

struct Tempo {
  uint64_t tick;
  uint32_t microsPerQuarter;
};

int DataBytes(uint8_t status) {
  uint8_t kind = status & 0xF0;
  return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

// Appends the track's events; returns the tick of its end.
uint64_t ReadTrack(Cursor c, std::vector<TickEvent>& events, std::vector<Tempo>& tempos,
                   std::vector<uint8_t>& sysex) {
  uint64_t tick = 0;
  uint8_t running = 0;
  while (!c.AtEnd()) {
    tick += c.Vlq();
    uint8_t first = c.Peek();
    if (first == 0xFF) {
      c.Byte();
      uint8_t type = c.Byte();
      uint32_t len = c.Vlq();
      const uint8_t* body = c.Take(len);
      if (type == 0x2F) return tick;  // end of track; anything after it is ignored
      if (type == 0x51 && len >= 3) {
        uint32_t micros = (uint32_t{body[0]} << 16) | (uint32_t{body[1]} << 8) | body[2];
        if (micros > 0) tempos.push_back({tick, micros});
      }
      continue;
    }
    if (first == 0xF0 || first == 0xF7) {
      c.Byte();
      uint32_t len = c.Vlq();
      const uint8_t* body = c.Take(len);
      if (first == 0xF0) {  // continuation packets (F7) are skipped
        uint32_t size = len > 0 && body[len - 1] == 0xF7 ? len - 1 : len;
        MidiEvent e;
        e.status = 0xF0;
        e.sysexBegin = static_cast<uint32_t>(sysex.size());
        e.sysexSize = size;
        sysex.insert(sysex.end(), body, body + size);
        events.push_back({tick, e});
      }
      continue;
    }
    uint8_t status;
    if (first & 0x80) {
      if (first >= 0xF0) Malformed("a system message inside a track");
      status = c.Byte();
      running = status;
    } else {
      if (running == 0) Malformed("data without a status byte");
      status = running;
    }
    MidiEvent e;
    e.status = status;
    e.data1 = c.Byte();
    if (DataBytes(status) == 2) e.data2 = c.Byte();
    if ((e.data1 | e.data2) & 0x80) Malformed("a data byte above 127");
    events.push_back({tick, e});
  }
  return tick;  // a track without its end marker ends with its chunk
}

}  // namespace

MidiSong ReadMidiFile(const uint8_t* data, size_t size) {
  if (size == 0) Malformed("the file is empty");
  Cursor c(data, size);
  if (size < 4 || std::memcmp(c.Take(4), "MThd", 4) != 0) Malformed("no MIDI header");
  uint32_t headerSize = c.Be(4);
  if (headerSize < 6) Malformed("the header is too short");
  Cursor header(c.Take(headerSize), headerSize);
  uint32_t format = header.Be(2);
  uint32_t trackCount = header.Be(2);
  uint32_t division = header.Be(2);
  if (format > 1) Malformed("only formats 0 and 1 are played");
  if (trackCount == 0) Malformed("no tracks");

  double secondsPerTick;  // before tempo: a quarter note lasts 500000 microseconds by default
  bool smpte = division & 0x8000;
  if (smpte) {
    int fps = -static_cast<int8_t>(division >> 8);
    int perFrame = division & 0xFF;
    if ((fps != 24 && fps != 25 && fps != 29 && fps != 30) || perFrame == 0)
      Malformed("a bad time division");
    secondsPerTick = 1.0 / ((fps == 29 ? 29.97 : fps) * perFrame);
  } else {
    if (division == 0) Malformed("a time division of zero");
    secondsPerTick = 0.5 / division;
  }

  std::vector<TickEvent> events;
  std::vector<Tempo> tempos;
  MidiSong song;
  uint64_t endTick = 0;
  uint32_t tracksRead = 0;
  while (tracksRead < trackCount) {
    if (c.Left() < 8) Malformed("tracks are missing");
    const uint8_t* id = c.Take(4);
    uint32_t length = c.Be(4);
    if (length > c.Left()) Malformed("a track is cut short");
    Cursor chunk(c.Take(length), length);
    if (std::memcmp(id, "MTrk", 4) != 0) continue;  // chunks of other kinds are skipped
    endTick = std::max(endTick, ReadTrack(chunk, events, tempos, song.sysex));
    ++tracksRead;
  }

  // Merge tracks: stable, so equal ticks keep track order, then file order.
  std::stable_sort(events.begin(), events.end(),
                   [](const TickEvent& a, const TickEvent& b) { return a.tick < b.tick; });
  std::stable_sort(tempos.begin(), tempos.end(), [](const Tempo& a, const Tempo& b) { return a.tick < b.tick; });

  // Tick to seconds through the tempo map (tempo changes don't apply to SMPTE time).
  size_t nextTempo = 0;
  uint64_t mapTick = 0;
  double mapSeconds = 0;
  double perTick = secondsPerTick;
  auto toFrame = [&](uint64_t tick) {
    if (!smpte) {
      while (nextTempo < tempos.size() && tempos[nextTempo].tick <= tick) {
        mapSeconds += static_cast<double>(tempos[nextTempo].tick - mapTick) * perTick;
        mapTick = tempos[nextTempo].tick;
        perTick = tempos[nextTempo].microsPerQuarter / 1e6 * (secondsPerTick / 0.5);
        ++nextTempo;
      }
    }
    double seconds = mapSeconds + static_cast<double>(tick - mapTick) * perTick;
    if (!(seconds <= kMaxSeconds)) Malformed("the song is too long");
    return static_cast<int64_t>(std::llround(seconds * kSampleRate));
  };
  song.events.reserve(events.size());
  for (const auto& e : events) {
    song.events.push_back(e.event);
    song.events.back().frame = toFrame(e.tick);
  }
  song.lengthFrames = toFrame(endTick);
  return song;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::error_code ec;
  auto status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status)) basic::Raise(basic::err::FileNotFound);
  if (std::filesystem::is_directory(status)) basic::Raise(basic::err::PathFileAccess);
  std::ifstream in(path, std::ios::binary);
  if (!in) basic::Raise(basic::err::PathFileAccess);
  std::vector<uint8_t> bytes;
  char buffer[65536];
  while (in) {
    in.read(buffer, sizeof buffer);
    bytes.insert(bytes.end(), buffer, buffer + in.gcount());
    if (bytes.size() > kMaxFileSize) Malformed("the file is too large");
  }
  if (in.bad()) basic::Raise(basic::err::PathFileAccess);
  return bytes;
}

MidiSong LoadMidiFile(const std::string& path) {
  auto bytes = ReadFileBytes(path);
  return ReadMidiFile(bytes.data(), bytes.size());
}

}  // namespace music

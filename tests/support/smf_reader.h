// A small, strict Standard MIDI File reader for tests: it checks the chunk structure (declared
// lengths, track count, one end of track closing each track exactly at its chunk's end) and
// decodes every event with its absolute tick. Written independently of the program's writers
// so that reading a file back verifies them.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace smf {

class FormatError : public std::runtime_error {
 public:
  FormatError(const std::string& what, size_t offset)
      : std::runtime_error(what + " at byte " + std::to_string(offset)), offset(offset) {}
  size_t offset;
};

struct Event {
  uint64_t tick = 0;   // absolute time in ticks
  uint8_t status = 0;  // 0x80..0xEF channel message, 0xF0 / 0xF7 system exclusive, 0xFF meta
  uint8_t metaType = 0;
  std::vector<uint8_t> data;  // the data bytes of a channel message, or the payload

  bool IsMeta(uint8_t type) const { return status == 0xFF && metaType == type; }
  int Kind() const { return status & 0xF0; }  // 0x80 note off, 0x90 note on, 0xC0 program ...
  int Channel() const { return status & 0x0F; }
  std::string Text() const { return std::string(data.begin(), data.end()); }
};

struct Track {
  std::vector<Event> events;
};

struct File {
  int format = 0;
  int division = 0;
  std::vector<Track> tracks;
};

namespace detail {

class Cursor {
 public:
  Cursor(std::span<const uint8_t> bytes, size_t pos, size_t end)
      : bytes_(bytes), pos_(pos), end_(end) {}

  size_t Pos() const { return pos_; }
  bool AtEnd() const { return pos_ >= end_; }

  uint8_t Byte() {
    if (pos_ >= end_) throw FormatError("unexpected end of data", pos_);
    return bytes_[pos_++];
  }
  uint8_t Peek() const {
    if (pos_ >= end_) throw FormatError("unexpected end of data", pos_);
    return bytes_[pos_];
  }
  uint32_t Fixed(int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | Byte();
    return v;
  }
  uint32_t VarLen() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      const uint8_t b = Byte();
      v = (v << 7) | (b & 0x7F);
      if ((b & 0x80) == 0) return v;
    }
    throw FormatError("variable-length number longer than four bytes", pos_);
  }
  std::vector<uint8_t> Bytes(size_t n) {
    if (n > end_ - pos_) throw FormatError("data runs past its chunk", pos_);
    std::vector<uint8_t> v(bytes_.begin() + pos_, bytes_.begin() + pos_ + n);
    pos_ += n;
    return v;
  }
  void Skip(size_t n) {
    if (n > end_ - pos_) throw FormatError("data runs past its chunk", pos_);
    pos_ += n;
  }
  void Expect(std::string_view tag) {
    for (char c : tag)
      if (Byte() != static_cast<uint8_t>(c))
        throw FormatError("expected chunk " + std::string(tag), pos_ - 1);
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t pos_;
  size_t end_;
};

inline int DataBytesOf(uint8_t status) {
  const int kind = status & 0xF0;
  return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

inline Track ReadTrack(std::span<const uint8_t> bytes, size_t begin, size_t end) {
  Cursor c(bytes, begin, end);
  Track track;
  uint64_t tick = 0;
  uint8_t running = 0;
  bool ended = false;
  while (!c.AtEnd()) {
    if (ended) throw FormatError("event after end of track", c.Pos());
    Event e;
    tick += c.VarLen();
    e.tick = tick;
    uint8_t first = c.Peek();
    if (first & 0x80) {
      c.Byte();
      e.status = first;
    } else {
      if (running == 0) throw FormatError("data byte without running status", c.Pos());
      e.status = running;
    }
    if (e.status == 0xFF) {
      e.metaType = c.Byte();
      if (e.metaType & 0x80) throw FormatError("meta type above 127", c.Pos() - 1);
      e.data = c.Bytes(c.VarLen());
      if (e.metaType == 0x2F) {
        if (!e.data.empty()) throw FormatError("end of track with data", c.Pos());
        ended = true;
      }
      running = 0;
    } else if (e.status == 0xF0 || e.status == 0xF7) {
      e.data = c.Bytes(c.VarLen());
      running = 0;
    } else if (e.status >= 0xF1) {
      throw FormatError("system message in a file", c.Pos() - 1);
    } else {
      for (int i = 0; i < DataBytesOf(e.status); ++i) {
        const uint8_t b = c.Byte();
        if (b & 0x80) throw FormatError("status byte where a data byte belongs", c.Pos() - 1);
        e.data.push_back(b);
      }
      running = e.status;
    }
    track.events.push_back(std::move(e));
  }
  if (!ended) throw FormatError("track without end of track", end);
  return track;
}

}  // namespace detail

// Reads a whole file; throws FormatError for anything that is not a well-formed file.
inline File Read(std::span<const uint8_t> bytes) {
  detail::Cursor c(bytes, 0, bytes.size());
  c.Expect("MThd");
  if (c.Fixed(4) != 6) throw FormatError("header length is not 6", 4);
  File file;
  file.format = static_cast<int>(c.Fixed(2));
  const uint32_t trackCount = c.Fixed(2);
  file.division = static_cast<int>(c.Fixed(2));
  if (file.format > 2) throw FormatError("unknown format", 8);
  if (file.division == 0 || (file.division & 0x8000)) throw FormatError("bad division", 12);
  while (!c.AtEnd()) {
    c.Expect("MTrk");
    const uint32_t length = c.Fixed(4);
    const size_t begin = c.Pos();
    if (length > bytes.size() - begin) throw FormatError("chunk runs past the file", begin - 4);
    file.tracks.push_back(detail::ReadTrack(bytes, begin, begin + length));
    c.Skip(length);
  }
  if (file.tracks.size() != trackCount)
    throw FormatError("header counts " + std::to_string(trackCount) + " tracks, file holds " +
                          std::to_string(file.tracks.size()),
                      10);
  return file;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace smf

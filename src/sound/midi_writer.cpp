#include "sound/midi_writer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "platform/basic/basic.h"

namespace stavelark {

namespace {

// The rest slot: key 39 at velocity 1 for the whole slot, a sound nobody hears.
constexpr uint8_t kRestKey = 0x27;
constexpr uint8_t kRestVelocity = 0x01;
constexpr int kWholeNote = 5;

// The largest number a variable-length quantity can hold.
constexpr size_t kMaxVarLen = 0x0FFFFFFF;

constexpr std::array<uint8_t, 13> kEmptyTrack = {0x4D, 0x54, 0x72, 0x6B, 0x00, 0x00, 0x00,
                                                 0x05, 0x81, 0x04, 0xFF, 0x2F, 0x00};
// The empty track's end of track comes after a delta of 132 ticks (81 04); the credit track's
// after one tick.
constexpr long kEmptyTrackTicks = 132;
constexpr long kCreditTrackTicks = 1;

// The file image under construction.
class ByteWriter {
 public:
  explicit ByteWriter(size_t expected) { bytes_.reserve(expected); }

  void Put(std::initializer_list<uint8_t> b) { bytes_.insert(bytes_.end(), b); }
  void Put(std::span<const uint8_t> b) { bytes_.insert(bytes_.end(), b.begin(), b.end()); }
  void PutText(std::string_view s) { bytes_.insert(bytes_.end(), s.begin(), s.end()); }

  void PutVarLen(size_t v) {
    uint8_t buf[4];
    int n = 0;
    buf[n++] = v & 0x7F;
    while ((v >>= 7) != 0) buf[n++] = 0x80 | (v & 0x7F);
    while (n > 0) bytes_.push_back(buf[--n]);
  }

  // "MTrk" and a length that EndChunk fills in.
  void BeginChunk() {
    Put({0x4D, 0x54, 0x72, 0x6B, 0x00, 0x00, 0x00, 0x00});
    chunkStart_ = bytes_.size();
  }
  void EndChunk() {
    const auto length = static_cast<uint32_t>(bytes_.size() - chunkStart_);
    uint8_t* p = bytes_.data() + chunkStart_ - 4;
    p[0] = length >> 24;
    p[1] = (length >> 16) & 0xFF;
    p[2] = (length >> 8) & 0xFF;
    p[3] = length & 0xFF;
  }

  // Room for `n` bytes written in place.
  uint8_t* Extend(size_t n) {
    bytes_.resize(bytes_.size() + n);
    return bytes_.data() + bytes_.size() - n;
  }

  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
  size_t chunkStart_ = 0;
};

uint8_t DataByte(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 127)); }

uint8_t Program(int instrument) {
  return instrument >= 0 && instrument <= 127 ? static_cast<uint8_t>(instrument) : 0;
}

// The key of a pitch code in an octave, or -1 when the note has no MIDI key.
int KeyOf(int octave, double pitchCode) {
  const double code = basic::RoundHalfEven(pitchCode);
  if (!(code >= 0 && code <= 24)) return -1;
  const long key = 12L * octave + 11 + static_cast<long>(code);
  return key >= 0 && key <= 127 ? static_cast<int>(key) : -1;
}

// The credit text as stored: Windows-1252 bytes, no longer than a length can say.
std::string CreditBytes(std::string_view utf8) {
  std::string text = ToWindows1252(utf8);
  if (text.size() > kMaxVarLen) text.resize(kMaxVarLen);
  return text;
}

// Credit events shared by both files: the sequencer-specific event, the track name "Track 1",
// channel prefix 0 and the copyright notice.
void PutCreditEvents(ByteWriter& w, std::string_view credit) {
  w.Put({0x00, 0xFF, 0x7F, 0x05, 0x05, 0x0F, 0x09, 0x00, 0x08});
  w.Put({0x00, 0xFF, 0x03, 0x07});
  w.PutText("Track 1");
  w.Put({0x00, 0xFF, 0x20, 0x01, 0x00});
  w.Put({0x00, 0xFF, 0x02});
  w.PutVarLen(credit.size());
  w.PutText(credit);
}

// A (rounded, finite) position held to 0..kPositions.
long Position(double rounded) {
  return static_cast<long>(std::clamp(rounded, 0.0, static_cast<double>(kPositions)));
}

// The positions a composition file covers, [first, end), or none when the end is before the
// start (or either is not a number). Raises for tracks the file can't hold.
struct PositionRange {
  long first;
  long end;
};
std::optional<PositionRange> CompositionRange(int firstTrack, int lastTrack, double startPos, double endPosExclusive) {
  if (firstTrack < 0 || firstTrack >= kTracks || lastTrack < 0 || lastTrack >= kTracks)
    basic::Raise(basic::err::SubscriptOutOfRange);
  if (firstTrack > lastTrack) basic::Raise(basic::err::InvalidCall);
  const double start = basic::RoundHalfEven(startPos);
  const double end = basic::RoundHalfEven(endPosExclusive);
  if (!(end >= start)) return std::nullopt;
  return PositionRange{Position(start), Position(end)};
}

// Where track t's part of a composition file ends: at `endSlot` or at the track's last note,
// whichever comes first.
long TrackEnd(const Globals& g, int t, long endSlot) {
  return std::min(endSlot, std::clamp<long>(g.NoteCount[t], 0, kPositions));
}

// The eight bytes of one position of track t.
void PutPosition(uint8_t* out, int t, int octave, int16_t pitch, uint8_t volume,
                 uint8_t duration) {
  int d = duration > 7 ? kWholeNote : duration;
  int key = pitch == kRestPitch || d > kWholeNote ? -1 : KeyOf(octave, pitch);
  uint8_t velocity = DataByte(volume);
  if (key < 0) {
    key = kRestKey;
    velocity = kRestVelocity;
    d = kWholeNote;
  }
  out[0] = static_cast<uint8_t>(0x90 + t);
  out[1] = static_cast<uint8_t>(key);
  out[2] = velocity;
  out[3] = static_cast<uint8_t>(d * 8);
  out[4] = static_cast<uint8_t>(0x80 + t);
  out[5] = static_cast<uint8_t>(key);
  out[6] = 0x00;
  out[7] = static_cast<uint8_t>((kWholeNote - d) * 8);
}

// ---- Windows-1252 ----

// The code points of bytes 80..9F (0 where the code page assigns none); the other bytes
// stand for the code point of their own value.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88..8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98..9F
};

// Windows-1252 byte of a code point, or 0 when the code page has none.
uint8_t Cp1252Byte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<uint8_t>(c);
  for (size_t i = 0; i < kHigh.size(); ++i)
    if (kHigh[i] == c) return static_cast<uint8_t>(0x80 + i);
  return 0;
}

}  // namespace

std::string CompositionCreditText(std::string_view copyright, std::string_view author,
                                  std::string_view name) {
  std::string t;
  t.reserve(copyright.size() + author.size() + name.size() + 20 + kContactAddress.size());
  t.append(copyright).append(" ").append(author);
  t.append(". Title-").append(name);
  t.append(". Contact-").append(kContactAddress);
  return t;
}

std::string ToWindows1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(utf8[i]); };
  size_t i = 0;
  while (i < utf8.size()) {
    const uint8_t lead = byte(i);
    if (lead < 0x80) {
      out.push_back(static_cast<char>(lead));
      ++i;
      continue;
    }
    // Sequence length and the range of its second byte (which excludes overlong forms,
    // surrogates and values above U+10FFFF).
    int length = 0;
    uint8_t low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    }
    char32_t c = length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    size_t j = i + 1;
    bool valid = length > 0;
    for (int k = 1; valid && k < length; ++k, ++j) {
      const uint8_t lo = k == 1 ? low : 0x80;
      const uint8_t hi = k == 1 ? high : 0xBF;
      if (j >= utf8.size() || byte(j) < lo || byte(j) > hi) {
        valid = false;
        break;
      }
      c = (c << 6) | (byte(j) & 0x3F);
    }
    const uint8_t b = valid ? Cp1252Byte(c) : 0;
    out.push_back(b != 0 ? static_cast<char>(b) : '?');
    i = std::max(j, i + 1);  // a malformed sequence is skipped up to its first bad byte
  }
  return out;
}

bool FitsWindows1252(std::string_view utf8) {
  if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<uint8_t>(c) < 0x80; })) return true;
  // Every "?" of the text stays one; any other "?" stands for a character the code page lacks.
  const std::string bytes = ToWindows1252(utf8);
  return std::count(bytes.begin(), bytes.end(), '?') == std::count(utf8.begin(), utf8.end(), '?');
}

std::string FromWindows1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char ch : bytes) {
    const auto b = static_cast<uint8_t>(ch);
    char32_t c = b;
    if (b >= 0x80 && b <= 0x9F) c = kHigh[b - 0x80] != 0 ? kHigh[b - 0x80] : U'?';
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::string MidiHexOf(std::span<const uint8_t> bytes) {
  static constexpr std::array<char, 512> kDigits = [] {
    constexpr char hex[] = "0123456789ABCDEF";
    std::array<char, 512> d{};
    for (int b = 0; b < 256; ++b) {
      d[2 * b] = hex[b >> 4];
      d[2 * b + 1] = hex[b & 15];
    }
    return d;
  }();
  std::string out(bytes.size() * 2, '\0');
  char* p = out.data();
  for (uint8_t b : bytes) {
    p[0] = kDigits[2 * b];
    p[1] = kDigits[2 * b + 1];
    p += 2;
  }
  return out;
}

std::vector<uint8_t> BuildNoteFile(const Globals& g, int instrument, double notz, int lng,
                                   std::string_view creditText) {
  if (g.ActiveTrack < 0 || g.ActiveTrack >= kTracks) basic::Raise(basic::err::SubscriptOutOfRange);
  int key = KeyOf(g.TrackOctave[g.ActiveTrack], notz);
  uint8_t velocity = DataByte(g.NoteVolumeValue);
  if (key < 0) {
    key = kRestKey;
    velocity = kRestVelocity;
  }
  // 129 + 19 * Lng ticks, a two-byte variable-length number for every code 0..7.
  const int sounding = 129 + 19 * std::clamp(lng, 0, 7);
  const std::string credit = CreditBytes(creditText);

  ByteWriter w(credit.size() + 110);
  w.Put({0x4D, 0x54, 0x68, 0x64, 0x00, 0x00, 0x00, 0x06, 0x00, 0x01, 0x00, 0x02, 0x00, 0xF0});

  w.BeginChunk();
  w.Put({0x00, 0xFF, 0x7F, 0x07, 0x05, 0x0F, 0x12, 0x03, 0x03, 0x00, 0x7F});
  w.Put({0x00, 0xFF, 0x03, 0x07});
  w.PutText("Track 0");
  w.Put({0x00, 0xFF, 0x51, 0x03, 0x0B, 0x71, 0xB0});  // 750,000 microseconds per quarter note
  w.Put({0x01, 0xFF, 0x2F, 0x00});
  w.EndChunk();

  w.BeginChunk();
  w.Put({0x00, 0xC0, Program(instrument)});
  PutCreditEvents(w, credit);
  const auto k = static_cast<uint8_t>(key);
  w.Put({0x00, 0x90, k, velocity});
  w.Put({static_cast<uint8_t>(0x80 | (sounding >> 7)), static_cast<uint8_t>(sounding & 0x7F)});
  w.Put({0x80, k, 0x00});
  w.Put({0x01, 0xFF, 0x2F, 0x00});
  w.EndChunk();
  return w.Take();
}

std::vector<uint8_t> BuildCompositionFile(const Globals& g, int firstTrack, int lastTrack,
                                          double startPos, double endPosExclusive,
                                          std::string_view creditText) {
  const std::optional<PositionRange> range = CompositionRange(firstTrack, lastTrack, startPos, endPosExclusive);
  if (!range) return {};
  const long s = range->first;
  const long endSlot = range->end;

  const double tempo = basic::RoundHalfEven(g.Tempo);
  const uint8_t division = !(tempo >= 16) ? 16 : tempo > 127 ? 127 : static_cast<uint8_t>(tempo);
  const std::string credit = CreditBytes(creditText);
  const int trackCount = lastTrack - firstTrack + 1;

  ByteWriter w(100 + credit.size() +
               static_cast<size_t>(trackCount) * (20 + 8 * static_cast<size_t>(endSlot - s)));
  w.Put({0x4D, 0x54, 0x68, 0x64, 0x00, 0x00, 0x00, 0x06, 0x00, 0x01, 0x00,
         static_cast<uint8_t>(trackCount + 2), 0x00, division});

  // TempoTrack: 500,000 microseconds per quarter note, 4/4 time.
  w.BeginChunk();
  w.Put({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});
  w.Put({0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08});
  w.Put({0x00, 0xFF, 0x2F, 0x00});
  w.EndChunk();

  // CreditTrack.
  w.BeginChunk();
  w.Put({0x00, 0xC0, 0x00});
  PutCreditEvents(w, credit);
  w.Put({0x01, 0xFF, 0x2F, 0x00});
  w.EndChunk();

  for (int t = firstTrack; t <= lastTrack; ++t) {
    const long e = TrackEnd(g, t, endSlot);
    if (e <= s) {
      w.Put(kEmptyTrack);
      continue;
    }
    // NoteTrack: the program change 24 ticks in, then one 40-tick slot per position; the end
    // of track follows the last position's silent time.
    w.BeginChunk();
    w.Put({kFirstNoteTick, static_cast<uint8_t>(0xC0 + t), Program(g.TrackInstrument[t]), 0x00});
    const int octave = g.TrackOctave[t];
    uint8_t* out = w.Extend(static_cast<size_t>(e - s) * 8);
    for (long p = s; p < e; ++p, out += 8)
      PutPosition(out, t, octave, g.NotePitch[t][p], g.NoteVol[t][p], g.NoteDuration[t][p]);
    w.Put({0xFF, 0x2F, 0x00});
    w.EndChunk();
  }
  return w.Take();
}

CompositionFileSpan CompositionFileLength(const Globals& g, int firstTrack, int lastTrack, double startPos,
                                          double endPosExclusive) {
  const std::optional<PositionRange> range = CompositionRange(firstTrack, lastTrack, startPos, endPosExclusive);
  if (!range) return {};
  CompositionFileSpan span;
  span.ticks = kCreditTrackTicks;
  for (int t = firstTrack; t <= lastTrack; ++t) {
    const long n = TrackEnd(g, t, range->end) - range->first;
    if (n <= 0) {
      span.ticks = std::max(span.ticks, kEmptyTrackTicks);
    } else {
      span.positions = std::max(span.positions, n);
      span.ticks = std::max(span.ticks, kFirstNoteTick + kNoteSlot * n);
    }
  }
  return span;
}

void WriteNoteFileTo(Globals& g, const std::string& path, int instrument, double notz, int lng) {
  const std::vector<uint8_t> bytes = BuildNoteFile(g, instrument, notz, lng, kNoteCreditText);
  g.MidiHex = MidiHexOf(bytes);
  // The note file lives only until it is loaded a moment later: waiting for the disk would
  // only delay the note.
  WriteFileAtomically(path, bytes, Flush::No);
}

bool WriteCompositionFileTo(Globals& g, std::string path, int firstTrack, int lastTrack,
                            double startPos, double endPosExclusive, std::string_view creditText,
                            std::function<void()> wait) {
  const std::vector<uint8_t> bytes =
      BuildCompositionFile(g, firstTrack, lastTrack, startPos, endPosExclusive, creditText);
  if (bytes.empty()) return false;
  g.MidiHex = MidiHexOf(bytes);
  if (wait) wait();
  WriteFileAtomically(path, bytes);
  return true;
}

}  // namespace stavelark

#include "project/msf_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "platform/basic/basic.h"
#include "sound/midi_writer.h"

namespace stavelark {

namespace {

// ---- writing ----

class LineWriter {
 public:
  explicit LineWriter(size_t expected) { out_.reserve(expected); }

  void Line(std::string_view text) {
    out_.append(text);
    out_.append("\r\n");
  }
  // A keyword directly followed by a UTF-8 text, in the code page, on one line. A CR would end
  // the line and is written as a blank; a lone LF belongs to its line and stays.
  void TextLine(std::string_view keyword, std::string_view utf8) {
    out_.append(keyword);
    std::string text = ToWindows1252(utf8);
    std::replace(text.begin(), text.end(), '\r', ' ');
    Line(text);
  }
  // A number with the leading blank of a non-negative value.
  void Number(long v) {
    if (v >= 0) out_.push_back(' ');
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out_.append(buf, r.ptr);
  }
  void NumberLine(std::string_view keyword, long v) {
    out_.append(keyword);
    Number(v);
    out_.append("\r\n");
  }
  void NoteLine(int16_t pitch, uint8_t volume, uint8_t duration) {
    Number(pitch);
    out_.push_back(',');
    Number(volume);
    out_.push_back(',');
    Number(duration);
    out_.append("\r\n");
  }

  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
};

// The notes a track's block holds, and the lyrics saved: as many as the longest track has notes.
int SavedNotes(const Globals& g, int t) { return std::clamp<int>(g.NoteCount[t], 0, kMaxNotes); }
int LyricCount(const Globals& g) {
  int count = 0;
  for (int t = 0; t < kTracks; ++t) count = std::max(count, SavedNotes(g, t));
  return count;
}

// ---- reading ----

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool StartsWithKeyword(std::string_view line, std::string_view keyword) {
  if (line.size() < keyword.size()) return false;
  for (size_t i = 0; i < keyword.size(); ++i)
    if (Upper(line[i]) != keyword[i]) return false;
  return true;
}

bool IsKeyword(std::string_view line, std::string_view keyword) {
  return line.size() == keyword.size() && StartsWithKeyword(line, keyword);
}

std::string_view Last(std::string_view s, size_t n) { return n >= s.size() ? s : s.substr(s.size() - n); }

// A number read as the conversion to a whole-number type does: rounded half to even, and
// nothing when it falls outside lo..hi.
std::optional<long> Whole(std::string_view text, long lo, long hi) {
  const std::optional<int64_t> v = basic::WholeIn(basic::Val(text), lo, hi);
  if (!v) return std::nullopt;
  return static_cast<long>(*v);
}

class LineReader {
 public:
  explicit LineReader(std::span<const uint8_t> bytes)
      : text_(reinterpret_cast<const char*>(bytes.data()), bytes.size()) {}

  // The next line, without its end; false at the end of the bytes.
  bool Next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    const void* cr = std::memchr(text_.data() + pos_, '\r', text_.size() - pos_);
    const size_t end = cr ? static_cast<size_t>(static_cast<const char*>(cr) - text_.data()) : text_.size();
    line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    ++number_;
    return true;
  }
  int Number() const { return number_; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  int number_ = 0;
};

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : lines_(bytes) {}

  ProjectRead Run() {
    std::string_view line;
    while (lines_.Next(line)) {
      if (!Take(line)) {
        if (r_.stoppedAtLine == 0) r_.stoppedAtLine = lines_.Number();
        break;
      }
    }
    return std::move(r_);
  }

 private:
  // Applies every rule that matches the line; false when the line can't be taken.
  bool Take(std::string_view line) {
    if (StartsWithKeyword(line, "COMPOSITIONNAME")) r_.name = FromWindows1252(line.substr(15));
    for (int e = 0; e < kEffectCount; ++e)
      if (IsKeyword(line, kEffectKeywords[e])) r_.effects[e] = true;
    if (IsKeyword(line, "BASSCLEF")) r_.bassClef = !r_.bassClef;
    if (StartsWithKeyword(line, "COMPOSITIONCOPYRIGHT")) r_.copyright = FromWindows1252(line.substr(20));
    if (StartsWithKeyword(line, "COMPOSITIONAUTHOR")) r_.author = FromWindows1252(line.substr(17));
    if (StartsWithKeyword(line, "DIVISION")) {
      // Three characters hold 10..999; what lies outside (0 for a line without a number)
      // could not come back from a saved file, so it keeps the tempo.
      const double v = basic::RoundHalfEven(basic::Val(Last(line, 3)));
      if (v >= kLowestFileTempo && v <= kHighestFileTempo) r_.tempo = static_cast<float>(v);
    }
    if (StartsWithKeyword(line, "TRACK")) {
      const auto t = Whole(Last(line, 2), 0, kTracks - 1);
      if (!t) return false;
      r_.curTrack = static_cast<uint8_t>(*t);
      r_.tracks[*t].noteCount = 0;
    }
    if (StartsWithKeyword(line, "INST")) {
      if (r_.curTrack >= kTracks) return false;
      const auto inst = Whole(line.size() > 5 ? line.substr(5) : std::string_view(), 0, 127);
      if (!inst) return false;
      r_.tracks[r_.curTrack].instrument = static_cast<int16_t>(*inst);
    }
    if (StartsWithKeyword(line, "OCTAVE")) {
      if (r_.curTrack >= kTracks) return false;
      // One character: a digit 0..9, or 0 for anything else.
      r_.tracks[r_.curTrack].octave = static_cast<int16_t>(basic::Val(Last(line, 1)));
    }
    if (r_.curTrack < kTracks && line.find(',') != std::string_view::npos && !TakeNote(line)) return false;
    if (IsKeyword(line, "LYRICS")) return TakeLyrics();
    return true;
  }

  bool TakeNote(std::string_view line) {
    const size_t c1 = line.find(',');
    const size_t c2 = line.find(',', c1 + 1);
    if (c2 == std::string_view::npos) return false;
    const auto pitch = Whole(line.substr(0, c1), INT16_MIN, INT16_MAX);
    const auto volume = Whole(line.substr(c1 + 1, c2 - c1 - 1), 0, 255);
    const auto duration = Whole(line.substr(c2 + 1), 0, 255);
    if (!pitch || !volume || !duration) return false;
    ProjectTrackRead& track = r_.tracks[r_.curTrack];
    if (track.noteCount >= kMaxNotes) return false;
    const ProjectNote note{static_cast<int16_t>(*pitch), static_cast<uint8_t>(*volume),
                           static_cast<uint8_t>(*duration)};
    if (static_cast<size_t>(track.noteCount) < track.notes.size()) track.notes[track.noteCount] = note;
    else track.notes.push_back(note);
    ++track.noteCount;
    return true;
  }

  // The count line and the lyric lines after a LYRICS line; they are not tested against the rules.
  bool TakeLyrics() {
    std::string_view line;
    if (!lines_.Next(line)) return false;
    const int countLine = lines_.Number();
    const double n = basic::Val(line);
    if (n > kPositions) {
      r_.stoppedAtLine = countLine;
      return false;
    }
    const int count = n >= 1 ? static_cast<int>(std::floor(n)) : 0;
    // Only the lines there are overlay the lyrics: a block cut short leaves the positions it
    // doesn't reach as they were.
    for (int i = 0; i < count; ++i) {
      if (!lines_.Next(line)) {
        r_.stoppedAtLine = countLine;
        return false;
      }
      if (static_cast<size_t>(i) < r_.lyrics.size()) r_.lyrics[i] = FromWindows1252(line);
      else r_.lyrics.push_back(FromWindows1252(line));
    }
    return true;
  }

  LineReader lines_;
  ProjectRead r_;
};

}  // namespace

std::string BuildProjectFile(const Globals& g, const ProjectHeader& header) {
  std::array<int, kTracks> counts{};
  const int lyricCount = LyricCount(g);
  size_t expected = 256 + header.name.size() + header.copyright.size() + header.author.size();
  for (int t = 0; t < kTracks; ++t) {
    counts[t] = SavedNotes(g, t);
    expected += 16 * static_cast<size_t>(counts[t]);
  }
  for (int p = 0; p < lyricCount; ++p) expected += g.Lyrics[p].size() + 2;

  LineWriter w(expected);
  w.TextLine("COMPOSITIONNAME", header.name);
  w.TextLine("COMPOSITIONCOPYRIGHT", header.copyright);
  w.TextLine("COMPOSITIONAUTHOR", header.author);
  w.Line("DIVISION" + basic::Str(g.Tempo));
  for (int e = 0; e < kEffectCount; ++e)
    if (header.effects[e]) w.Line(kEffectKeywords[e]);
  if (header.bassClef) w.Line("BASSCLEF");
  for (int t = 0; t < kTracks; ++t) {
    w.NumberLine("TRACK", t);
    w.NumberLine("INST", g.TrackInstrument[t]);
    w.NumberLine("OCTAVE", g.TrackOctave[t]);
    for (int p = 0; p < counts[t]; ++p) w.NoteLine(g.NotePitch[t][p], g.NoteVol[t][p], g.NoteDuration[t][p]);
  }
  w.Line("LYRICS");
  w.NumberLine("", lyricCount);
  for (int p = 0; p < lyricCount; ++p) w.TextLine("", g.Lyrics[p]);
  return w.Take();
}

std::optional<LossyText> FirstLossyText(const Globals& g, const ProjectHeader& header) {
  for (const auto& [what, text] : {std::pair<std::string_view, const std::string*>{"name", &header.name},
                                   {"copyright", &header.copyright},
                                   {"author", &header.author}})
    if (!FitsWindows1252(*text)) return LossyText{what, *text};
  for (int p = 0, count = LyricCount(g); p < count; ++p)
    if (!FitsWindows1252(g.Lyrics[p])) return LossyText{"lyric", g.Lyrics[p]};
  return std::nullopt;
}

ProjectRead ReadProjectFile(std::span<const uint8_t> bytes) { return Reader(bytes).Run(); }

std::string FileNameWithoutFolders(std::string_view path) {
  // Only the platform's separator separates folders: a backslash is part of a name here.
  const size_t slash = path.find_last_of('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace stavelark

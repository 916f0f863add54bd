// The project file: the whole composition as lines of Windows-1252 text, each ended by CR LF.
//
//   COMPOSITIONNAME<name>            the file's own name
//   COMPOSITIONCOPYRIGHT<text>
//   COMPOSITIONAUTHOR<text>
//   DIVISION<tempo>
//   DISTORTION ... REVERB            one line per effect that is on, in kEffectKeywords order
//   BASSCLEF                         when the second track shows the bass clef
//   TRACK<t> INST<n> OCTAVE<n>       for each track 0..3, then its notes: <pitch>,<volume>,<duration>
//   LYRICS, <count>, then <count> lyric lines
//
// Numbers have the leading blank of non-negative values (" 5", "-3").
//
// Both directions are pure functions over bytes: the writer builds the image from the
// composition, the reader turns any bytes into a ProjectRead that the program applies. Neither
// touches windows, files or the program's state, so the reader can be fed arbitrary input.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "editor/globals.h"

namespace stavelark {

inline constexpr int kEffectCount = 8;
// The effect keywords, in the order of the file and of the effect menu items.
inline constexpr std::array<std::string_view, kEffectCount> kEffectKeywords = {
    "DISTORTION", "ECHO", "CHORUS", "FLANGER", "COMPRESSOR", "GARGLE", "PARA", "REVERB"};

// What the file holds besides the composition in Globals: the texts (UTF-8) and the switches
// that the main window keeps as menu check marks.
struct ProjectHeader {
  std::string name;
  std::string copyright;
  std::string author;
  std::array<bool, kEffectCount> effects{};
  bool bassClef = false;
};

// The tempos a DIVISION line gives back: its last three characters.
inline constexpr double kLowestFileTempo = 10;
inline constexpr double kHighestFileTempo = 999;

// The file image of the composition: header, the tracks' notes 0..NoteCount-1 and the lyrics of
// positions 0 up to the largest note count. Texts are written in Windows-1252 ("?" for what it
// can't hold), with a CR as a blank so that no text can break the line structure.
std::string BuildProjectFile(const Globals& g, const ProjectHeader& header);

// The first text that the file can't hold whole, in file order: characters outside
// Windows-1252 are written as "?". `what` says which text it is ("name", "copyright",
// "author", "lyric").
struct LossyText {
  std::string_view what;
  std::string text;  // UTF-8, as the program holds it
};
std::optional<LossyText> FirstLossyText(const Globals& g, const ProjectHeader& header);

struct ProjectNote {
  int16_t pitch = 0;
  uint8_t volume = 0;
  uint8_t duration = 0;
};

struct ProjectTrackRead {
  // Notes from position 0, as the file wrote them. A later TRACK line of the same track starts
  // again at 0 and writes over what an earlier one left, so this can be longer than noteCount:
  // the notes beyond it are left in the arrays, not counted.
  std::vector<ProjectNote> notes;
  int16_t noteCount = 0;
  std::optional<int16_t> instrument;  // 0..127, from the track's last INST line
  std::optional<int16_t> octave;      // 0..9, from the track's last OCTAVE line
};

// What a file says, rule by rule. Fields the file doesn't give stay empty.
struct ProjectRead {
  std::optional<std::string> name;       // UTF-8, as written in the file
  std::optional<std::string> copyright;  // UTF-8
  std::optional<std::string> author;     // UTF-8
  std::optional<float> tempo;            // a whole number 10..999; a DIVISION value outside gives none
  std::array<bool, kEffectCount> effects{};
  bool bassClef = false;  // each BASSCLEF line switches it
  std::array<ProjectTrackRead, kTracks> tracks;
  // Lyrics from position 0; a later LYRICS block writes over the start of an earlier one.
  std::vector<std::string> lyrics;
  uint8_t curTrack = 9;  // the track of the last TRACK line; 9 when there was none
  // 0 when the whole file was read; otherwise the number (from 1) of the line that could not be
  // taken: reading stopped there and everything above reflects the lines before it.
  int stoppedAtLine = 0;
};

// Reads a project file. Lines end at CR (a CR LF pair counts once; a lone LF belongs to its
// line). Each line is tested against every rule in order, case ignored; a line that matches
// none is skipped. The lines that can't be taken (and stop the reading): a TRACK number outside
// 0..3; an INST or OCTAVE line before the first TRACK line; an INST number outside 0..127; a
// track's 10,002nd note; a note line with one comma; a pitch outside the 16-bit range or a
// volume or duration outside 0..255; a LYRICS count above 10,001, a missing count line, or
// fewer lyric lines than the count (those there are are kept).
ProjectRead ReadProjectFile(std::span<const uint8_t> bytes);
inline ProjectRead ReadProjectFile(std::string_view bytes) {
  return ReadProjectFile(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

// The name of a file without its folders: the text after the last "/" (all of it without one).
std::string FileNameWithoutFolders(std::string_view path);

}  // namespace stavelark

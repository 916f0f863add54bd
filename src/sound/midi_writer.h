// The Standard MIDI File writers: every sound the program makes goes through a format-1 file
// built here from the composition model.
//
// The builders are pure functions of the model: they return the complete file image and touch
// nothing else. The two "...To" functions are what the main window's writenote and
// WriteMidiFile forward to: they build the image, keep its hex text in Globals::MidiHex, wait
// (composition files only) and then replace the target file atomically.
//
// Only valid MIDI data bytes are written, whatever the model holds: velocities above 127 are
// written 127, programs outside 0..127 as 0, notes that have no key (pitch codes outside 0..24
// other than the rest, keys outside 0..127, the rest durations 6 and 7 on a pitched note) as the
// silent rest slot, duration codes above 7 as 5 and the division as the tempo held to 16..127.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "editor/globals.h"
#include "sound/file_io.h"

namespace stavelark {

// Credit text of the single-note file (38 characters).
inline constexpr std::string_view kNoteCreditText = "Created with Stavelark music notation.";
// Contact address at the end of a composition file's credit text.
inline constexpr std::string_view kContactAddress = "stavelark@example.org";

// Ticks of one composition position, and the delta before the first note of a track.
inline constexpr int kNoteSlot = 40;
inline constexpr int kFirstNoteTick = 24;

// The credit text of a composition file:
// copyright + " " + author + ". Title-" + name + ". Contact-" + kContactAddress.
std::string CompositionCreditText(std::string_view copyright, std::string_view author,
                                  std::string_view name);

// UTF-8 text as Windows-1252 bytes; a character the code page cannot hold, and each malformed
// UTF-8 sequence, becomes "?".
std::string ToWindows1252(std::string_view utf8);

// Whether ToWindows1252 keeps every character of the text (writes no "?" for it).
bool FitsWindows1252(std::string_view utf8);

// Windows-1252 bytes as UTF-8 text; the five bytes the code page leaves unassigned (81, 8D, 8F,
// 90, 9D) become "?", as ToWindows1252 would write them.
std::string FromWindows1252(std::string_view bytes);

// The hex image of a file: two upper-case hexadecimal digits per byte, in file order.
std::string MidiHexOf(std::span<const uint8_t> bytes);

// The file that sounds one note: `instrument` is the General MIDI program, `notz` the pitch
// code (0..24), `lng` the duration code (0..6; 7 is accepted, anything else is held to 0..7).
// The key takes the octave of the active track and the velocity is NoteVolumeValue.
// `creditText` is UTF-8 (kNoteCreditText in the program). Raises SubscriptOutOfRange when
// ActiveTrack is not a track.
std::vector<uint8_t> BuildNoteFile(const Globals& g, int instrument, double notz, int lng,
                                   std::string_view creditText);

// The file of tracks firstTrack..lastTrack (0..3), positions startPos up to but not including
// endPosExclusive (whole values; others are rounded half to even). Each track is written from
// startPos up to the smaller of endPosExclusive and its note count; a track with nothing in that
// range is an empty chunk. An end equal to the start gives a file of empty tracks; an end before
// the start (or a position that is not a number) gives an empty vector: nothing is to be
// written. `creditText` is UTF-8. Raises SubscriptOutOfRange for a track outside 0..3 and
// InvalidCall when firstTrack is above lastTrack.
std::vector<uint8_t> BuildCompositionFile(const Globals& g, int firstTrack, int lastTrack,
                                          double startPos, double endPosExclusive,
                                          std::string_view creditText);

// How much a composition file holds: the positions of its longest track and where its last
// track ends, in ticks, which is how long one pass of it plays. For the arguments
// BuildCompositionFile takes (and raises as it does); all zero when it would write nothing.
struct CompositionFileSpan {
  long positions = 0;
  long ticks = 0;
};
CompositionFileSpan CompositionFileLength(const Globals& g, int firstTrack, int lastTrack, double startPos,
                                          double endPosExclusive);

// writenote: builds the single-note file, keeps its hex text in g.MidiHex and writes it to
// `path` (without flushing it to disk: it is loaded at once and deleted).
void WriteNoteFileTo(Globals& g, const std::string& path, int instrument, double notz, int lng);

// WriteMidiFile: builds the composition file (end exclusive) and keeps its hex text in
// g.MidiHex, then calls `wait` (may be empty), then writes the image to `path`. Window events
// that run during the wait can change the model; the file is the image built before it.
// Returns false, touching neither the file nor MidiHex, when the end is before the start.
bool WriteCompositionFileTo(Globals& g, std::string path, int firstTrack, int lastTrack,
                            double startPos, double endPosExclusive, std::string_view creditText,
                            std::function<void()> wait);

}  // namespace stavelark

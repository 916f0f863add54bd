// The score on the main window: note glyphs, the lyric row, the position number, the
// selection highlight and the bass clef.
//
// A note is not painted: each of the 80 display cells (track * 20 + column) owns one element
// of every glyph pool on Form1 (head, stem, three flags, four sharp strokes, two rest strokes,
// volume label), which drawing moves into place and shows or hides.
#pragma once

#include <array>
#include <cstdint>

#include "platform/forms/types.h"

namespace stavelark {

class Form1;
class Program;

// The staff step (60 twips each, counted upwards) of a pitch code; a code outside the
// two octaves is its own step.
int StaffStep(int pitch);
// Whether a pitch code is one of the ten sharps (drawn on the step of the natural below).
bool IsSharpPitch(int pitch);

class ScoreDisplay {
 public:
  explicit ScoreDisplay(Program& program) : p_(program) { cellColour_.fill(-1); }
  // Connects the bass-clef menu item.
  void Wire(Form1& form);

  // Shows one note in display cell `cell` (0..79). Switches only what the note's kind needs:
  // a rest shows its two strokes and leaves the rest of the cell as it was; a note sets its
  // head, stem, flags, sharp and volume label but leaves any rest strokes shown.
  void DrawNoteGlyph(int cell, int pitch, int duration, int volume);
  // Redraws the 80 display cells, the lyric row and the position number from the composition
  // and ScrollPos, then places the scroll thumb. Ends the current selection.
  void RedrawScore();
  // Colours the cells of the current selection red and marks the selection active.
  void HighlightSelection();
  // Colours every cell black, hides the rubber band and empties the selected columns.
  void ClearSelectionHighlight();
  // The menu item "Track 2 &Bass Clef": switches track 2's clef picture on both windows.
  void BassClef_Click();

 private:
  void SetCellColour(Form1& f, int cell, forms::Color colour);

  Program& p_;
  // The colour each pool element's glyphs were last given (-1: not yet). A key in record mode
  // clears the highlight of every cell before its note sounds: colouring a cell again in its
  // own colour is skipped rather than told to the window system twelve times.
  static constexpr int kPoolCells = 81;
  std::array<int64_t, kPoolCells> cellColour_;
};

}  // namespace stavelark

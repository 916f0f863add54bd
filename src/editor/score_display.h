// The score on the main window: note glyphs, the lyric row, the position number, the
// selection highlight and the bass clef.
#pragma once

namespace stavelark {

class Form1;
class Program;

class ScoreDisplay {
 public:
  explicit ScoreDisplay(Program& program) : p_(program) {}
  void Wire(Form1& form);

  // Redraws the 80 display cells, the lyric row and the position number from the composition.
  void RedrawScore();
  // Shows one note in display cell `cell` (track * 20 + column).
  void DrawNoteGlyph(int cell, int pitch, int duration, int volume);
  // Clears the selection and its highlight.
  void ClearSelectionHighlight();

 private:
  Program& p_;
};

}  // namespace stavelark

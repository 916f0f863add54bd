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
  // The menu item "Track 2 Bass Clef": switches the second track between treble and bass clef.
  void BassClef_Click();

 private:
  Program& p_;
};

}  // namespace stavelark

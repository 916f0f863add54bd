// The score on the main window: note glyphs, the lyric row, the position number, the selection highlight and the bass clef.
#pragma once

namespace stavelark {

class Form1;
class Program;

class ScoreDisplay {
 public:
  explicit ScoreDisplay(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

 private:
  Program& p_;
};

}  // namespace stavelark

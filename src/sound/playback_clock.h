// Following the playing position: the time and position displays, karaoke, player piano and teacher modes.
#pragma once

namespace stavelark {

class Form1;
class Program;

class PlaybackClock {
 public:
  explicit PlaybackClock(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

 private:
  Program& p_;
};

}  // namespace stavelark

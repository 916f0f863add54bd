// Choosing a track's instrument and octave from the main window: the instrument list, the instrument and octave labels.
#pragma once

namespace stavelark {

class Form1;
class Program;

class TrackDialogs {
 public:
  explicit TrackDialogs(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

 private:
  Program& p_;
};

}  // namespace stavelark

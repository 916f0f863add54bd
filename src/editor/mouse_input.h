// Mouse input on the score: picking up and dropping a note, the rubber-band selection, the track labels, Select All and Select Track.
#pragma once

namespace stavelark {

class Form1;
class Program;

class MouseInput {
 public:
  explicit MouseInput(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

 private:
  Program& p_;
};

}  // namespace stavelark

// Commands that change existing notes: pitch, volume, duration, fades, the duration palette, the sliders and the lyric boxes.
#pragma once

namespace stavelark {

class Form1;
class Program;

class NoteCommands {
 public:
  explicit NoteCommands(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

 private:
  Program& p_;
};

}  // namespace stavelark

// Every command that starts, pauses, resumes or stops playback, and the play options.
#pragma once

namespace stavelark {

class Form1;
class Program;

class PlayCommands {
 public:
  explicit PlayCommands(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

 private:
  Program& p_;
};

}  // namespace stavelark

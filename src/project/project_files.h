// New, Open, Save, Save as MIDI File and the save prompt.
#pragma once

namespace stavelark {

class Form1;
class Program;

class ProjectFiles {
 public:
  explicit ProjectFiles(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

 private:
  Program& p_;
};

}  // namespace stavelark

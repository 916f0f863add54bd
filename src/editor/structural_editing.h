// Commands that change the shape of the tracks: insert, delete, cut, copy, paste, repeat, cut start or end, clear, copy track to track.
#pragma once

namespace stavelark {

class Form1;
class Program;

class StructuralEditing {
 public:
  explicit StructuralEditing(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

 private:
  Program& p_;
};

}  // namespace stavelark

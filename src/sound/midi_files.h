// The main window's MIDI file writers: one sounded note, or a range of the composition.
#pragma once

namespace stavelark {

class Form1;
class Program;

class MidiFiles {
 public:
  explicit MidiFiles(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

 private:
  Program& p_;
};

}  // namespace stavelark

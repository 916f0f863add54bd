// The on-screen piano: keys clicked or typed sound a note and, in record mode, enter it.
#pragma once

namespace stavelark {

class Form1;
class Program;

class PianoKeys {
 public:
  explicit PianoKeys(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

 private:
  Program& p_;
};

}  // namespace stavelark

// The Help and About commands.
#pragma once

namespace stavelark {

class Form1;
class Program;

class HelpCommands {
 public:
  explicit HelpCommands(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

 private:
  Program& p_;
};

}  // namespace stavelark

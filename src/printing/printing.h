// Print, Print Preview and Print Setup, and the page renderer.
#pragma once

namespace stavelark {

class Form1;
class Program;

class PrintCommands {
 public:
  explicit PrintCommands(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

 private:
  Program& p_;
};

}  // namespace stavelark

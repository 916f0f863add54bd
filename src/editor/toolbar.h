// The image toolbar and the menu items that run its commands.
#pragma once

namespace stavelark {

class Form1;
class Program;

class ToolbarCommands {
 public:
  explicit ToolbarCommands(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

 private:
  Program& p_;
};

}  // namespace stavelark

// The Options command: fills the Options dialog, waits for it and applies its result.
#pragma once

namespace stavelark {

class Form1;
class Program;

class OptionsCommand {
 public:
  explicit OptionsCommand(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

 private:
  Program& p_;
};

}  // namespace stavelark

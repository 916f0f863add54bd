// Start-up and shutdown of the main window, and the one-second wait.
#pragma once

namespace stavelark {

class Form1;
class Program;

class Startup {
 public:
  explicit Startup(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

 private:
  Program& p_;
};

}  // namespace stavelark

// Start-up and shutdown of the main window, and the one-second wait.
#pragma once

namespace stavelark {

class Form1;
class Program;

class Startup {
 public:
  explicit Startup(Program& program) : p_(program) {}
  void Wire(Form1& form);

  void Form_Load();
  // Never returns: its last step ends the program.
  [[noreturn]] void Form_Unload(int& Cancel);
  void Exit_Click();
  // Returns after the next tick of the one-second delay timer, with window events going on.
  void WaitDelay();
  void DelayTimer_Timer();

 private:
  Program& p_;
};

}  // namespace stavelark

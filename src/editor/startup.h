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
  // Ends the program, unless the save prompt's Yes did not end in a save: then it sets Cancel
  // and returns, and the program goes on.
  void Form_Unload(int& Cancel);
  void Exit_Click();
  // The session asks the program to end (a termination signal): the ordinary end without
  // the save prompt, since no window may be shown.
  [[noreturn]] void SessionEnd();
  // Returns after the next tick of the one-second delay timer, with window events going on.
  void WaitDelay();
  void DelayTimer_Timer();

 private:
  void StopPlaying();
  // Tears the engine down, writes the settings and ends the program.
  [[noreturn]] void EndProgram();

  Program& p_;
};

}  // namespace stavelark

// The Options command: fills the Options dialog, waits for it and applies its result.
#pragma once

#include <string>

namespace stavelark {

class Form1;
class Program;

// The playing time of `positions` positions at `tempo`, as the Options dialog shows it: whole
// minutes with a leading blank, ":", two digits of seconds (" 0:31"). Each position lasts
// 201 / tempo tenths of a second. Raises a RuntimeError when the time can't be worked out
// (a tempo of 0, say).
std::string PlayingTimeText(double positions, double tempo);

class OptionsCommand {
 public:
  explicit OptionsCommand(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

  // The menu command "&Options": shows the dialog (the main window stays usable), waits until
  // it is hidden, then applies the background the dialog committed. A step that fails is
  // skipped and the command goes on.
  void OptionMenu_Click();

 private:
  Program& p_;
};

}  // namespace stavelark

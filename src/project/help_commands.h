// The Help and About commands: the help and about pages that lie beside the executable.
#pragma once

namespace stavelark {

class Form1;
class Program;

class HelpCommands {
 public:
  explicit HelpCommands(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

  void Help_Click();   // "help.html"
  void About_Click();  // "about.html"

 private:
  Program& p_;
};

}  // namespace stavelark

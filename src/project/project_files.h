// New, Open, Save, Save as MIDI File and the save prompt.
#pragma once

namespace stavelark {

class Form1;
class Program;

class ProjectFiles {
 public:
  explicit ProjectFiles(Program& program) : p_(program) {}
  void Wire(Form1& form);

  void Open_Click();
  void PromptSaveChanges();

 private:
  Program& p_;
};

}  // namespace stavelark

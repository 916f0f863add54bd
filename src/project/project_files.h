// New, Open, Save, Save as MIDI File and the save prompt of the main window.
#pragma once

#include <optional>
#include <string>

namespace stavelark {

class Form1;
class Program;
struct ProjectRead;

class ProjectFiles {
 public:
  explicit ProjectFiles(Program& program) : p_(program) {}
  void Wire(Form1& form);

  // Each of New, Open and Save is ignored while a play command writes or waits for its
  // temporary MIDI file (Globals::PlayFileBusy): they would take CurrentFilePath from under it.
  void New_Click();
  // Opens OpenFilePath when it is set (the command line), else the file the user picks.
  void Open_Click();
  void Save_Click();
  void SaveMidi_Click();
  // Asks whether to save a modified composition; clears Modified whatever the answer.
  void PromptSaveChanges();

 private:
  // Shows CommonDialog1's Open or Save dialog with `filter`, its second entry selected; the
  // chosen path, or nothing when the user cancelled.
  std::optional<std::string> AskForFile(bool save, const std::string& filter);
  void SaveProject();
  void ApplyRead(const ProjectRead& read);
  void ShowComposition();

  Program& p_;
};

}  // namespace stavelark

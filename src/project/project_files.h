// New, Open, Save, Save as MIDI File and the save prompt of the main window.
#pragma once

#include <functional>
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
  // Takes a lyric being typed into the composition, then asks whether to save a modified
  // composition. No goes on without saving (Modified cleared); Yes saves. False when Yes did
  // not end in a completed save (cancelled, or the save failed): the composition, its name and
  // Modified stay, and the command that asked must stop there.
  bool PromptSaveChanges();

 private:
  // New's work: false when the save prompt stopped it.
  bool NewComposition();
  // Shows CommonDialog1's Open or Save dialog with `filter`, its second entry selected (a Save
  // dialog asks before it replaces a file); the chosen path, or nothing when the user cancelled.
  std::optional<std::string> AskForFile(bool save, const std::string& filter);
  // True when the project file was written.
  bool SaveProject();
  // Runs `write`; a failure shows "Could not save <path>." with the system's reason. True when
  // it wrote.
  bool WriteUserFile(const std::string& path, const std::function<void()>& write);
  void ApplyRead(ProjectRead&& read);
  void ShowComposition();

  Program& p_;
};

}  // namespace stavelark

// The composition root: the window system, the program-wide state, every window (each made
// on its first use, as the program's windows are) and the topic classes that hold the main
// window's procedures. main() and the tests both build a Program.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/globals.h"
#include "platform/forms/forms.h"

namespace music {
class DirectX8;
}
namespace store {
class SettingsStore;
class Registry;
}
namespace com {
class Object;
}

namespace stavelark {

// What the program is given by its environment: the real one in main(), stand-ins in tests.
struct ProgramServices {
  // Makes the sound platform's root object; it may raise when the platform can't start.
  std::function<std::shared_ptr<music::DirectX8>()> createDirectX;
  store::SettingsStore* settings = nullptr;  // the per-user settings store
  store::Registry* registry = nullptr;       // the per-user registry (controls, file types)
  // The executable, for the desktop's file-type association; empty installs none.
  std::filesystem::path programPath;
  // Where the desktop association goes; empty means the user's data folder.
  std::filesystem::path dataHome;
  // The folder for temporary MIDI files; empty means a fresh private folder under `tempBase`,
  // removed when the program ends.
  std::filesystem::path tempFolder;
  // The control library that comes with the program and the tool that registers it: the message
  // shown when the master-volume slider can't be made names the command (empty: not found).
  std::filesystem::path controlLibrary;
  std::filesystem::path registrationTool;
  // Where the private folder is made (and those that earlier runs left are removed); empty
  // means the first of $TMPDIR, $XDG_RUNTIME_DIR and /tmp where it can be made.
  std::filesystem::path tempBase;
};

class PrivateTempFolder;
class Form1;
class TrackInst;
class OptionForm;
class Karaoke;
class PrintFm;
class SetOctave;
class FXform;
class HelpAbout;
class PrintQuery;

class Startup;
class ScoreDisplay;
class Scrolling;
class NoteCommands;
class SoundEngine;
class MidiFiles;
class PianoKeys;
class PlayCommands;
class EffectChain;
class ProjectFiles;
class SettingsTopic;
class MouseInput;
class StructuralEditing;
class ToolbarCommands;
class TrackDialogs;
class PlaybackClock;
class OptionsCommand;
class HelpCommands;
class PrintCommands;

class Program {
 public:
  Program(forms::WindowSystem& ws, ProgramServices services);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  forms::WindowSystem& Ws;
  Globals& G;
  ProgramServices Services;

  // The folder where the program writes its temporary MIDI files (made at start, removed at the
  // end); empty when it could not be made, and then nothing plays.
  const std::filesystem::path& TempFolder() const { return tempFolder_; }
  // The path of the temporary file `name` in that folder; empty without the folder, and then
  // the first call of the run says why (a message box and a line on standard error).
  std::string TempFilePath(const std::string& name);

  // The master-volume control hosted on the main window, when it could be created.
  com::Object* VolsliderControl() const { return volslider_.get(); }

  // The windows. Each accessor makes its window on first use (which runs its Form_Load);
  // a window that was unloaded is made afresh on the next use. Form1's first use is the
  // program's start-up.
  stavelark::Form1& Form1();
  stavelark::TrackInst& TrackInst();
  stavelark::OptionForm& OptionForm();
  stavelark::Karaoke& Karaoke();
  stavelark::PrintFm& PrintFm();
  stavelark::SetOctave& SetOctave();
  stavelark::FXform& FXform();
  stavelark::HelpAbout& HelpAbout();
  stavelark::PrintQuery& PrintQuery();

  // Refuses a command that would make a track hold more than kMaxNotes notes: shows the OK
  // message and returns true; returns false (nothing shown) when `added` notes fit in `track`.
  bool RefuseTrackOverflow(int track, int added);

  // Whether a window exists yet, without making it.
  bool HasForm1() const { return form1_ != nullptr; }
  bool HasKaraoke() const { return karaoke_ != nullptr; }
  bool HasPrintFm() const { return printFm_ != nullptr; }
  bool HasSetOctave() const;  // made and not unloaded since
  bool HasTrackInst() const;  // made and not unloaded since
  bool HasFXform() const { return fxForm_ != nullptr; }
  bool HasHelpAbout() const { return helpAbout_ != nullptr; }
  bool HasPrintQuery() const { return printQuery_ != nullptr; }

  // The main window's procedures, by topic.
  stavelark::Startup& Startup() { return *startup_; }
  stavelark::ScoreDisplay& ScoreDisplay() { return *scoreDisplay_; }
  stavelark::Scrolling& Scrolling() { return *scrolling_; }
  stavelark::NoteCommands& NoteCommands() { return *noteCommands_; }
  stavelark::SoundEngine& SoundEngine() { return *soundEngine_; }
  stavelark::MidiFiles& MidiFiles() { return *midiFiles_; }
  stavelark::PianoKeys& PianoKeys() { return *pianoKeys_; }
  stavelark::PlayCommands& PlayCommands() { return *playCommands_; }
  stavelark::EffectChain& EffectChain() { return *effectChain_; }
  stavelark::ProjectFiles& ProjectFiles() { return *projectFiles_; }
  stavelark::SettingsTopic& SettingsTopic() { return *settingsTopic_; }
  stavelark::MouseInput& MouseInput() { return *mouseInput_; }
  stavelark::StructuralEditing& StructuralEditing() { return *structuralEditing_; }
  stavelark::ToolbarCommands& ToolbarCommands() { return *toolbarCommands_; }
  stavelark::TrackDialogs& TrackDialogs() { return *trackDialogs_; }
  stavelark::PlaybackClock& PlaybackClock() { return *playbackClock_; }
  stavelark::OptionsCommand& OptionsCommand() { return *optionsCommand_; }
  stavelark::HelpCommands& HelpCommands() { return *helpCommands_; }
  stavelark::PrintCommands& PrintCommands() { return *printCommands_; }

 private:
  // Makes (or remakes, when the old one was unloaded) a window and loads it.
  template <typename W>
  W& Use(std::unique_ptr<W>& slot) {
    if (slot && !slot->IsLoaded()) retired_.push_back(std::move(slot));
    if (!slot) {
      slot = std::make_unique<W>(*this);
      slot->Load();
    }
    return *slot;
  }

  void CreateHostedControls(stavelark::Form1& form);

  std::unique_ptr<Globals> globals_;
  std::filesystem::path tempFolder_;
  std::unique_ptr<PrivateTempFolder> privateTempFolder_;
  bool tempFolderProblemShown_ = false;

  std::unique_ptr<stavelark::Startup> startup_;
  std::unique_ptr<stavelark::ScoreDisplay> scoreDisplay_;
  std::unique_ptr<stavelark::Scrolling> scrolling_;
  std::unique_ptr<stavelark::NoteCommands> noteCommands_;
  std::unique_ptr<stavelark::SoundEngine> soundEngine_;
  std::unique_ptr<stavelark::MidiFiles> midiFiles_;
  std::unique_ptr<stavelark::PianoKeys> pianoKeys_;
  std::unique_ptr<stavelark::PlayCommands> playCommands_;
  std::unique_ptr<stavelark::EffectChain> effectChain_;
  std::unique_ptr<stavelark::ProjectFiles> projectFiles_;
  std::unique_ptr<stavelark::SettingsTopic> settingsTopic_;
  std::unique_ptr<stavelark::MouseInput> mouseInput_;
  std::unique_ptr<stavelark::StructuralEditing> structuralEditing_;
  std::unique_ptr<stavelark::ToolbarCommands> toolbarCommands_;
  std::unique_ptr<stavelark::TrackDialogs> trackDialogs_;
  std::unique_ptr<stavelark::PlaybackClock> playbackClock_;
  std::unique_ptr<stavelark::OptionsCommand> optionsCommand_;
  std::unique_ptr<stavelark::HelpCommands> helpCommands_;
  std::unique_ptr<stavelark::PrintCommands> printCommands_;

  std::unique_ptr<stavelark::Form1> form1_;
  std::unique_ptr<stavelark::TrackInst> trackInst_;
  std::unique_ptr<stavelark::OptionForm> optionForm_;
  std::unique_ptr<stavelark::Karaoke> karaoke_;
  std::unique_ptr<stavelark::PrintFm> printFm_;
  std::unique_ptr<stavelark::SetOctave> setOctave_;
  std::unique_ptr<stavelark::FXform> fxForm_;
  std::unique_ptr<stavelark::HelpAbout> helpAbout_;
  std::unique_ptr<stavelark::PrintQuery> printQuery_;
  std::unique_ptr<com::Object> volslider_;  // ends before the window that hosts it
  // Unloaded windows are kept until the end: one of their handlers may still be running.
  std::vector<std::unique_ptr<forms::Form>> retired_;
};

}  // namespace stavelark

#include "editor/program.h"

#include <cstdio>
#include <system_error>

#include "glidebar/identity.h"
#include "platform/com/client.h"
#include "platform/store/paths.h"

#include "editor/form1.h"
#include "editor/note_commands.h"
#include "project/option_form.h"
#include "editor/score_display.h"
#include "editor/scrolling.h"
#include "editor/startup.h"
#include "editor/temp_folder.h"
#include "editor/track_inst.h"
#include "printing/print_fm.h"
#include "project/project_files.h"
#include "project/settings.h"
#include "sound/effect_chain.h"
#include "sound/karaoke.h"
#include "sound/midi_files.h"
#include "sound/piano.h"
#include "sound/play_commands.h"
#include "sound/sound_engine.h"
#include "editor/mouse_input.h"
#include "editor/set_octave.h"
#include "editor/structural_editing.h"
#include "editor/toolbar.h"
#include "editor/track_dialogs.h"
#include "printing/print_query.h"
#include "printing/printing.h"
#include "project/help_about.h"
#include "project/help_commands.h"
#include "project/options_command.h"
#include "sound/fx_form.h"
#include "sound/playback_clock.h"

namespace stavelark {

Program::Program(forms::WindowSystem& ws, ProgramServices services)
    : Ws(ws),
      G(*new Globals),
      Services(std::move(services)),
      globals_(&G),
      startup_(std::make_unique<stavelark::Startup>(*this)),
      scoreDisplay_(std::make_unique<stavelark::ScoreDisplay>(*this)),
      scrolling_(std::make_unique<stavelark::Scrolling>(*this)),
      noteCommands_(std::make_unique<stavelark::NoteCommands>(*this)),
      soundEngine_(std::make_unique<stavelark::SoundEngine>(*this)),
      midiFiles_(std::make_unique<stavelark::MidiFiles>(*this)),
      pianoKeys_(std::make_unique<stavelark::PianoKeys>(*this)),
      playCommands_(std::make_unique<stavelark::PlayCommands>(*this)),
      effectChain_(std::make_unique<stavelark::EffectChain>(*this)),
      projectFiles_(std::make_unique<stavelark::ProjectFiles>(*this)),
      settingsTopic_(std::make_unique<stavelark::SettingsTopic>(*this)),
      mouseInput_(std::make_unique<stavelark::MouseInput>(*this)),
      structuralEditing_(std::make_unique<stavelark::StructuralEditing>(*this)),
      toolbarCommands_(std::make_unique<stavelark::ToolbarCommands>(*this)),
      trackDialogs_(std::make_unique<stavelark::TrackDialogs>(*this)),
      playbackClock_(std::make_unique<stavelark::PlaybackClock>(*this)),
      optionsCommand_(std::make_unique<stavelark::OptionsCommand>(*this)),
      helpCommands_(std::make_unique<stavelark::HelpCommands>(*this)),
      printCommands_(std::make_unique<stavelark::PrintCommands>(*this)) {
  tempFolder_ = Services.tempFolder;
  if (tempFolder_.empty()) {
    privateTempFolder_ = std::make_unique<PrivateTempFolder>(
        Services.tempBase.empty() ? PrivateTempFolder::Bases() : std::vector{Services.tempBase});
    tempFolder_ = privateTempFolder_->Path();
  }
}

std::string Program::TempFilePath(const std::string& name) {
  if (!tempFolder_.empty()) return (tempFolder_ / name).string();
  if (privateTempFolder_ && !tempFolderProblemShown_) {
    tempFolderProblemShown_ = true;
    std::fprintf(stderr, "stavelark: %s\n", privateTempFolder_->Problem().c_str());
    Ws.MsgBox(privateTempFolder_->Problem(), forms::mb::OkOnly | forms::mb::Exclamation, Ws.AppTitle);
  }
  return {};
}

Program::~Program() {
  Ws.SessionEndRequested = nullptr;
  // The hosted control goes before its window, windows before the topics whose handlers they hold.
  volslider_.reset();
  retired_.clear();
  printQuery_.reset();
  helpAbout_.reset();
  fxForm_.reset();
  setOctave_.reset();
  printFm_.reset();
  karaoke_.reset();
  optionForm_.reset();
  trackInst_.reset();
  form1_.reset();
  privateTempFolder_.reset();
}

void Program::CreateHostedControls(stavelark::Form1& form) {
  if (!Services.registry) return;
  try {
    volslider_ = std::make_unique<com::Object>(com::CreateObject(*Services.registry, glidebar::kProgId));
    volslider_->InitNew();
    volslider_->AttachTo(form.Volslider);
    volslider_->Advise(glidebar::kIidGlidebarEvents, [this](com::DispId id) {
      if (id == glidebar::event::MouseMove) Ws.Dispatch([this] { soundEngine_->Volslider_MouseMove(); });
    });
  } catch (const basic::RuntimeError& e) {
    volslider_.reset();
    // Registering the library that came with the program mends every cause but a library the
    // check refused for its permissions, whose own remedy the error carries, and a registry that
    // cannot be read.
    const auto* createError = dynamic_cast<const com::CreateError*>(&e);
    std::string command = createError != nullptr ? createError->remedy : std::string();
    if (command.empty() && (createError == nullptr || createError->registeringMends)) {
      command = Services.registrationTool.empty() ? "stavelark-regsvr"
                                                  : store::ShellQuote(Services.registrationTool.string());
      command += " " + (Services.controlLibrary.empty() ? std::string("libglidebar.so")
                                                        : store::ShellQuote(Services.controlLibrary.string()));
    }
    const std::string message = "The master-volume slider could not be made. " + e.description +
                                (command.empty() ? "." : ". To fix it, run: " + command);
    std::fprintf(stderr, "stavelark: %s\n", message.c_str());
    Ws.MsgBox(message, forms::mb::Exclamation, Ws.AppTitle);
  }
}

stavelark::Form1& Program::Form1() {
  if (!form1_) {
    form1_ = std::make_unique<stavelark::Form1>(*this);
    Ws.MainForm = form1_.get();
    stavelark::Form1& f = *form1_;
    startup_->Wire(f);
    scoreDisplay_->Wire(f);
    scrolling_->Wire(f);
    noteCommands_->Wire(f);
    soundEngine_->Wire(f);
    midiFiles_->Wire(f);
    pianoKeys_->Wire(f);
    playCommands_->Wire(f);
    effectChain_->Wire(f);
    projectFiles_->Wire(f);
    settingsTopic_->Wire(f);
    mouseInput_->Wire(f);
    structuralEditing_->Wire(f);
    toolbarCommands_->Wire(f);
    trackDialogs_->Wire(f);
    playbackClock_->Wire(f);
    optionsCommand_->Wire(f);
    helpCommands_->Wire(f);
    printCommands_->Wire(f);
    CreateHostedControls(f);
    f.Load();
  }
  return *form1_;
}

bool Program::RefuseTrackOverflow(int track, int added) {
  if (G.TrackHasRoom(track, added)) return false;
  Ws.MsgBox("A track can hold at most 10001 notes.", forms::mb::OkOnly, Ws.AppTitle);
  return true;
}

stavelark::TrackInst& Program::TrackInst() { return Use(trackInst_); }
stavelark::OptionForm& Program::OptionForm() { return Use(optionForm_); }
stavelark::Karaoke& Program::Karaoke() { return Use(karaoke_); }
stavelark::PrintFm& Program::PrintFm() { return Use(printFm_); }
stavelark::SetOctave& Program::SetOctave() { return Use(setOctave_); }
stavelark::FXform& Program::FXform() { return Use(fxForm_); }
stavelark::HelpAbout& Program::HelpAbout() { return Use(helpAbout_); }
stavelark::PrintQuery& Program::PrintQuery() { return Use(printQuery_); }
bool Program::HasSetOctave() const { return setOctave_ != nullptr && setOctave_->IsLoaded(); }
bool Program::HasTrackInst() const { return trackInst_ != nullptr && trackInst_->IsLoaded(); }

}  // namespace stavelark

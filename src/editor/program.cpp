#include "editor/program.h"

#include "editor/form1.h"
#include "editor/note_commands.h"
#include "editor/option_form.h"
#include "editor/score_display.h"
#include "editor/scrolling.h"
#include "editor/startup.h"
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

namespace stavelark {

Program::Program(forms::WindowSystem& ws)
    : Ws(ws),
      G(*new Globals),
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
      settingsTopic_(std::make_unique<stavelark::SettingsTopic>(*this)) {}

Program::~Program() {
  // Windows go before the topics whose handlers they hold.
  retired_.clear();
  printFm_.reset();
  karaoke_.reset();
  optionForm_.reset();
  trackInst_.reset();
  form1_.reset();
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
    f.Load();
  }
  return *form1_;
}

stavelark::TrackInst& Program::TrackInst() { return Use(trackInst_); }
stavelark::OptionForm& Program::OptionForm() { return Use(optionForm_); }
stavelark::Karaoke& Program::Karaoke() { return Use(karaoke_); }
stavelark::PrintFm& Program::PrintFm() { return Use(printFm_); }

}  // namespace stavelark

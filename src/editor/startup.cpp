#include "editor/startup.h"

#include <cstdio>

#include "editor/form1.h"
#include "editor/note_commands.h"
#include "project/option_form.h"
#include "editor/program.h"
#include "editor/track_inst.h"
#include "platform/basic/basic.h"
#include "project/project_files.h"
#include "project/settings.h"
#include "resources/instrument_names.h"
#include "sound/play_commands.h"
#include "sound/sound_engine.h"

namespace stavelark {

using basic::ResumeNext;

void Startup::Wire(Form1& form) {
  form.OnLoad = [this] { Form_Load(); };
  form.OnUnload = [this](int& cancel) { Form_Unload(cancel); };
  p_.Ws.SessionEndRequested = [this] { SessionEnd(); };
  form.Exit.Click = [this] { Exit_Click(); };
  form.DelayTimer.Tick = [this] { DelayTimer_Timer(); };
}

void Startup::Form_Load() {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  SettingsTopic& settings = p_.SettingsTopic();

  // 1. The texts of the file-type association.
  settings.SetAssociationTexts();
  // 2. The sound engine; on failure the program ends there.
  if (!p_.SoundEngine().InitDirectMusic()) return;
  // 3-5. The instrument names.
  for (std::string_view name : InstrumentNames) f.List4.AddItem(std::string(name));
  for (int i = 0; i < 128; ++i) p_.TrackInst().Option1[i].Caption = std::string(InstrumentNames[i]);
  f.List4.ListIndex = 0;
  // 6-8. The default composition texts.
  g.CompositionName = "Untitled";
  p_.OptionForm().CompName.Text = g.CompositionName;
  g.CompositionCopyright = "(c)2010";
  p_.OptionForm().CompCopy.Text = g.CompositionCopyright;
  g.CompositionAuthor = "Orlemund";
  p_.OptionForm().CompAuthor.Text = g.CompositionAuthor;

  // 9. From here on a failing statement is skipped and start-up goes on.
  basic::ErrObject err;
  // A step that shows a window (a message about the command-line file) lets the program end
  // meanwhile (its close button, the session's request): then nothing more of start-up runs.
  auto step = [&err, this](auto&& statement) {
    if (p_.Ws.Ending()) throw forms::EndProgram{};
    ResumeNext(err, statement);
  };

  // 10-12. First run or later run.
  bool laterRun = false;
  step([&] { laterRun = settings.IsLaterRun(); });
  if (!laterRun) {
    step([&] { settings.WriteFileAssociation(); });
    bool failed = err.Number != 0;
    if (failed) p_.Ws.MsgBox(err.Description, forms::mb::Exclamation, p_.Ws.AppTitle);
    if (!failed) step([&] { settings.WriteFirstRunSettings(); });
    step([&] { settings.UseFirstRunValues(); });
    if (!failed) step([&] { settings.MarkRegistered(); });
  } else {
    step([&] { settings.ReadSettings(); });
  }
  // 13. The tracks' instrument names.
  for (int t = 0; t < 4; ++t)
    step([&] { f.InstLabel[t].Caption = p_.TrackInst().Option1[g.TrackInstrument[t]].Caption(); });
  // 14-15. Background picture and colour.
  step([&] { settings.ShowBackground(); });
  step([&] { f.BackColor = static_cast<forms::Color>(basic::CLng(g.BackColorValue)); });
  // 16. The instrument dialog's track boxes.
  for (int t = 0; t < 4; ++t)
    step([&] { p_.TrackInst().TrackInstLabel[t].Text = p_.TrackInst().Option1[g.TrackInstrument[t]].Caption(); });
  // 17-18. Show the window.
  step([&] { f.Show(); });
  step([&] { f.Caption = "Stavelark - " + g.CompositionName; });
  // 19. The glyph pools' display cells.
  for (int i = 1; i <= 80; ++i) {
    step([&] { f.Music.Load(i); });
    step([&] { f.Tail.Load(i); });
    step([&] { f.Clef1.Load(i); });
    step([&] { f.Clef2.Load(i); });
    step([&] { f.Clef3.Load(i); });
    step([&] { f.VolLabel.Load(i); });
    step([&] { f.P1.Load(i); });
    step([&] { f.P2.Load(i); });
    step([&] { f.Sharpy1.Load(i); });
    step([&] { f.Sharpy2.Load(i); });
    step([&] { f.Sharpy3.Load(i); });
    step([&] { f.Sharpy4.Load(i); });
  }
  // 20. The lyric row.
  for (int i = 1; i <= 19; ++i) {
    step([&] {
      forms::TextBox& box = f.Lyric.Load(i);
      box.Visible = true;
      box.Left = f.Lyric[i - 1].Left + 500;
    });
  }
  // 21-31. The editing state.
  step([&] { g.CurDuration = 3; });
  step([&] { g.NoteCount.fill(0); });
  step([&] { g.ScrollPos = 0; });
  step([&] {
    g.RecordOn = true;
    f.RecButt.FillStyle = forms::FillStyle::Solid;
  });
  step([&] { g.Paused = false; });
  step([&] {
    g.NoteVolumeValue = 100;
    f.NoteVolume.Value = 100;
  });
  for (int t = 0; t < 4; ++t) {
    step([&] { f.InstLabel[t].ToolTipText = basic::CStr(g.TrackInstrument[t]); });
    step([&] { g.TrackOctave[t] = 4; });
  }
  step([&] {
    f.SliderBar.Left = f.LocBox.Left();
    f.SliderBar.Width = f.LocBox.Width();
  });
  step([&] {
    g.Tempo = 64;
    f.DivControl.Value = 64;
  });
  step([&] { p_.NoteCommands().Picture2_Click(3); });
  step([&] { g.Modified = false; });
  // 32. A project named on the command line.
  step([&] {
    std::string path = p_.Ws.CommandLine;
    // One pair of surrounding quotes goes: the first character, and the last only when it is one too.
    if (!path.empty() && path.front() == '"') {
      path.erase(0, 1);
      if (!path.empty() && path.back() == '"') path.pop_back();
    }
    g.OpenFilePath = path;
    if (!g.OpenFilePath.empty()) p_.ProjectFiles().Open_Click();
  });
  // 33-34.
  step([&] { g.LitKeyColour = 16777215; });
  step([&] {
    SoundEngine& engine = p_.SoundEngine();
    auto path = engine.Perf->GetDefaultAudioPath();
    engine.FxBuffer = path->GetObjectInPath(music::DMUS_PCHANNEL_ALL, music::DMUS_PATH_BUFFER, 0, "GUID_ALL_OBJECTS",
                                            0, "IID_IDirectSoundBuffer8");
  });
}

void Startup::Form_Unload(int& Cancel) {
  // 1. Stop what plays.
  StopPlaying();
  // 3. Offer to save a modified composition, while the engine still runs: when a Yes does not
  //    end in a save, the end is called off and the program goes on as it was.
  if (!p_.ProjectFiles().PromptSaveChanges()) {
    Cancel = 1;
    return;
  }
  // 2, 4, 5. Tear the engine down, write the settings, end.
  EndProgram();
}

void Startup::SessionEnd() {
  // No window may be shown now, so there is no save prompt.
  StopPlaying();
  if (p_.G.Modified)
    std::fprintf(stderr, "stavelark: asked to end; the changes to %s were not saved\n", p_.G.CompositionName.c_str());
  EndProgram();
}

void Startup::StopPlaying() {
  Form1& f = p_.Form1();
  SoundEngine& engine = p_.SoundEngine();
  if (f.TimerClock.Enabled) {
    if (engine.PlayingSegment && engine.Perf) engine.Perf->StopEx(engine.PlayingSegment, 0, 0);
    f.TimerClock.Enabled = false;
  }
}

void Startup::EndProgram() {
  SoundEngine& engine = p_.SoundEngine();
  const bool started = engine.Started();
  // Tear the engine down.
  engine.ShutdownDirectMusic();
  // The settings, unless the engine never started (they were never read then).
  if (started) p_.SettingsTopic().WriteSettings();
  p_.Ws.End();
}

void Startup::Exit_Click() {
  int cancel = 0;
  Form_Unload(cancel);
}

void Startup::WaitDelay() {
  Form1& f = p_.Form1();
  // Each wait lasts a whole second: the interval starts afresh here.
  f.DelayTimer.Enabled = false;
  f.DelayTimer.Enabled = true;
  p_.G.DelayBusy = true;
  while (p_.G.DelayBusy) p_.Ws.DoEvents();
}

void Startup::DelayTimer_Timer() {
  p_.G.DelayBusy = false;
  p_.Form1().DelayTimer.Enabled = false;
}

}  // namespace stavelark

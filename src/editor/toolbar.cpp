#include "editor/toolbar.h"

#include "editor/form1.h"
#include "editor/program.h"
#include "editor/startup.h"
#include "editor/track_inst.h"
#include "sound/piano.h"
#include "sound/play_commands.h"

namespace stavelark {

namespace {

constexpr int kRecordButton = 9;
constexpr int kPlayButton = 10;
constexpr int kPauseButton = 11;
constexpr int kStopButton = 12;
constexpr int kChangeInstrumentButton = 13;

// The guide lines above and below each staff.
constexpr int kFirstGuideLine = 20;
constexpr int kLastGuideLine = 27;

}  // namespace

void ToolbarCommands::Wire(Form1& form) {
  form.Toolbar.Click = [this](int index) { Toolbar_Click(index); };
  form.changeinst.Click = [this] { changeinst_Click(); };
  form.PlayFull.Click = [this] { PlayFull_Click(); };
  form.pause.Click = [this] { pause_Click(); };
  form.Stop.Click = [this] { Stop_Click(); };
  form.PlayAct.Click = [this] { PlayAct_Click(); };
}

void ToolbarCommands::Toolbar_Click(int Index) {
  Form1& f = p_.Form1();
  switch (Index) {
    case 0: f.New.RaiseClick(); break;
    case 1: f.Open.RaiseClick(); break;
    case 2: f.Save.RaiseClick(); break;
    case 3: f.Print.RaiseClick(); break;
    case 4: f.Cut.RaiseClick(); break;
    case 5: f.copy.RaiseClick(); break;
    case 6: f.paste.RaiseClick(); break;
    case 7: f.Insert.RaiseClick(); break;
    case 8: f.Delete.RaiseClick(); break;
    case kRecordButton: p_.PlayCommands().Record(); break;
    case kPlayButton: p_.PlayCommands().Play(); break;
    case kPauseButton: p_.PlayCommands().Pause(); break;
    case kStopButton: p_.PlayCommands().Stop(); break;
    case kChangeInstrumentButton: ChangeInstrument(); break;
    case 14: f.high.RaiseClick(); break;
    case 15: f.low.RaiseClick(); break;
    case 16: f.long_.RaiseClick(); break;
    case 17: f.short_.RaiseClick(); break;
    case 18: ToggleExpandedScale(); break;
    case 19: f.incvol.RaiseClick(); break;
    case 20: f.decvol.RaiseClick(); break;
    case 21: ExitProgram(); break;
    default: break;
  }
}

void ToolbarCommands::changeinst_Click() { Toolbar_Click(kChangeInstrumentButton); }
void ToolbarCommands::PlayFull_Click() { Toolbar_Click(kPlayButton); }
void ToolbarCommands::pause_Click() { Toolbar_Click(kPauseButton); }
void ToolbarCommands::Stop_Click() { Toolbar_Click(kStopButton); }

void ToolbarCommands::PlayAct_Click() {
  if (p_.G.SelectionActive) Toolbar_Click(kPlayButton);
}

void ToolbarCommands::ChangeInstrument() {
  TrackInst& dialog = p_.TrackInst();
  dialog.ShowTrackInstruments();
  dialog.Show();
  // The dialog is modeless: everything stays usable while this waits, including a second
  // Change Instrument, whose wait ends together with this one. DoEvents sleeps while idle.
  while (dialog.Visible()) {
    p_.Ws.DoEvents();
    if (p_.G.InstPicked) p_.PianoKeys().PreviewInstrumentNote();
  }
  // Assigning instruments happens in the dialog; whatever it did counts as a change.
  p_.G.Modified = true;
}

void ToolbarCommands::ToggleExpandedScale() {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  g.ExpandedScale = !g.ExpandedScale;
  for (int i = kFirstGuideLine; i <= kLastGuideLine; ++i) f.Scal[i].Visible = g.ExpandedScale;
}

void ToolbarCommands::ExitProgram() {
  // The unload handler stops playback, offers to save, writes the settings and ends the program
  // (unless a Yes to the save prompt did not end in a save).
  int cancel = 1;
  p_.Startup().Form_Unload(cancel);
}

}  // namespace stavelark

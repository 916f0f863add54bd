#include "editor/track_dialogs.h"

#include "editor/form1.h"
#include "editor/program.h"
#include "editor/set_octave.h"
#include "editor/track_inst.h"
#include "platform/basic/basic.h"

namespace stavelark {

void TrackDialogs::Wire(Form1& form) {
  form.List4.Click = [this] { List4_Click(); };
  form.InstLabel.Click = [this](int index) { InstLabel_Click(index); };
  form.OctLabel.Click = [this](int index) { OctLabel_Click(index); };
  form.setoct.Click = [this] { setoct_Click(); };
}

void TrackDialogs::List4_Click() {
  const int index = p_.Form1().List4.ListIndex();
  // A list without a selection names no instrument: the last one picked stays.
  if (index >= 0) p_.G.CurInstrument = static_cast<int16_t>(index);
}

void TrackDialogs::InstLabel_Click(int Index) {
  Form1& f = p_.Form1();
  if (Index < 0 || Index >= kTracks) return;
  Globals& g = p_.G;
  // A new instrument is a change the project file keeps.
  if (g.TrackInstrument[Index] != g.CurInstrument) g.Modified = true;
  g.TrackInstrument[Index] = g.CurInstrument;
  f.InstLabel[Index].Caption = f.List4.Text();
  f.InstLabel[Index].ToolTipText = f.List4.Text();
  // An instrument dialog that is there shows it too (one made later shows it when it is shown);
  // a quick pick does not make the dialog and its 128 options.
  if (p_.HasTrackInst()) p_.TrackInst().ShowTrackInstruments();
}

void TrackDialogs::OctLabel_Click(int Index) {
  if (Index < 0 || Index >= kTracks) return;
  // The dialog is unloaded after each use, so this loads it afresh unless it is open.
  SetOctave& dialog = p_.SetOctave();
  dialog.Title.Caption = "Select the Octave for Track " + basic::Str(Index + 1);
  const int octave = p_.G.TrackOctave[Index];
  if (octave >= 1 && octave <= kOctaves) {
    // Checking the option runs its click, which takes it as the chosen octave; setting it here
    // as well covers an option that was already checked for another track.
    dialog.OptionOctave[octave - 1].Value = true;
    dialog.SelectedOctave = octave - 1;
  } else {
    // An octave no option shows (a project file can bring one) stays as it is unless the
    // user picks an option.
    for (int i = 0; i < kOctaves; ++i) dialog.OptionOctave[i].Value = false;
    dialog.SelectedOctave = octave - 1;
  }
  dialog.Track = Index;
  dialog.Show();
}

void TrackDialogs::setoct_Click() { OctLabel_Click(p_.G.ActiveTrack); }

}  // namespace stavelark

#include "editor/note_commands.h"

#include "editor/form1.h"
#include "editor/program.h"
#include "editor/score_display.h"
#include "platform/basic/basic.h"

namespace stavelark {

void NoteCommands::Wire(Form1& form) {
  form.Picture2.Click = [this](int index) { Picture2_Click(index); };
}

void NoteCommands::Picture2_Click(int Index) {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  g.CurDuration = static_cast<int16_t>(Index);
  f.DurBlok.Left = Index == 7 ? 3868 : Index * 480 + 988;
  if (!g.SelectionActive) return;
  int colFrom = basic::CInt(g.SelColFrom), colTo = basic::CInt(g.SelColTo);
  for (int t = g.SelTrackFrom; t <= g.SelTrackTo; ++t) {
    if (t < 0 || t >= kTracks) continue;
    for (int c = colFrom; c <= colTo; ++c) {
      int pos = g.ScrollPos + c;
      if (pos < 0 || pos >= kPositions) continue;
      g.NoteDuration[t][pos] = static_cast<uint8_t>(Index);
      if (Index == 7) g.NotePitch[t][pos] = kRestPitch;
    }
  }
  // Changed notes are work to keep: the save prompt must know of them.
  g.Modified = true;
  p_.ScoreDisplay().RedrawScore();
}

}  // namespace stavelark

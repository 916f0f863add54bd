#include "editor/score_display.h"

#include "editor/form1.h"
#include "editor/program.h"

namespace stavelark {

void ScoreDisplay::Wire(Form1&) {}

void ScoreDisplay::RedrawScore() {}

void ScoreDisplay::BassClef_Click() {
  Form1& f = p_.Form1();
  const bool bass = !f.BassClef.Checked();
  f.BassClef.Checked = bass;
  f.Image2.Visible = !bass;
  f.Image5.Visible = bass;
}

}  // namespace stavelark

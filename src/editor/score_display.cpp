#include "editor/score_display.h"

#include "editor/form1.h"
#include "editor/program.h"

namespace stavelark {

void ScoreDisplay::Wire(Form1&) {}

void ScoreDisplay::RedrawScore() {}

void ScoreDisplay::DrawNoteGlyph(int, int, int, int) {}

void ScoreDisplay::ClearSelectionHighlight() {}

}  // namespace stavelark

#include "editor/scrolling.h"

#include "editor/form1.h"
#include "editor/program.h"

namespace stavelark {

void Scrolling::Wire(Form1&) {}

void Scrolling::UpdateScrollThumb() {}

}  // namespace stavelark

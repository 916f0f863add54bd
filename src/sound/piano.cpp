#include "sound/piano.h"

#include "editor/form1.h"
#include "editor/program.h"

namespace stavelark {

void PianoKeys::Wire(Form1&) {}

}  // namespace stavelark

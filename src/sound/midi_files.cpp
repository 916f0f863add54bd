#include "sound/midi_files.h"

#include "editor/form1.h"
#include "editor/program.h"

namespace stavelark {

void MidiFiles::Wire(Form1&) {}

}  // namespace stavelark

#include "editor/note_commands.h"

#include "editor/form1.h"
#include "editor/program.h"

namespace stavelark {

void NoteCommands::Wire(Form1&) {}

}  // namespace stavelark

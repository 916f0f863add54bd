#include "sound/play_commands.h"

#include "editor/form1.h"
#include "editor/program.h"

namespace stavelark {

void PlayCommands::Wire(Form1&) {}

}  // namespace stavelark

#include "project/help_commands.h"

#include "editor/form1.h"
#include "editor/program.h"

namespace stavelark {

void HelpCommands::Wire(Form1&) {}

}  // namespace stavelark

#include "project/options_command.h"

#include "editor/form1.h"
#include "editor/program.h"

namespace stavelark {

void OptionsCommand::Wire(Form1&) {}

}  // namespace stavelark

#include "editor/toolbar.h"

#include "editor/form1.h"
#include "editor/program.h"

namespace stavelark {

void ToolbarCommands::Wire(Form1&) {}

}  // namespace stavelark

#include "printing/printing.h"

#include "editor/form1.h"
#include "editor/program.h"

namespace stavelark {

void PrintCommands::Wire(Form1&) {}

}  // namespace stavelark

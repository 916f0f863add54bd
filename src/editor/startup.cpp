#include "editor/startup.h"

#include "editor/form1.h"
#include "editor/program.h"

namespace stavelark {

void Startup::Wire(Form1&) {}

}  // namespace stavelark

#include "editor/mouse_input.h"

#include "editor/form1.h"
#include "editor/program.h"

namespace stavelark {

void MouseInput::Wire(Form1&) {}

}  // namespace stavelark

#include "editor/structural_editing.h"

#include "editor/form1.h"
#include "editor/program.h"

namespace stavelark {

void StructuralEditing::Wire(Form1&) {}

}  // namespace stavelark

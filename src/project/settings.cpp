#include "project/settings.h"

#include "editor/form1.h"
#include "editor/program.h"

namespace stavelark {

void SettingsTopic::Wire(Form1&) {}

}  // namespace stavelark

#include "editor/track_dialogs.h"

#include "editor/form1.h"
#include "editor/program.h"

namespace stavelark {

void TrackDialogs::Wire(Form1&) {}

}  // namespace stavelark

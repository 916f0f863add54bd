#include "sound/playback_clock.h"

#include "editor/form1.h"
#include "editor/program.h"

namespace stavelark {

void PlaybackClock::Wire(Form1&) {}

}  // namespace stavelark

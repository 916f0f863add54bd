#include "sound/sound_engine.h"

#include "editor/form1.h"
#include "editor/program.h"

namespace stavelark {

void SoundEngine::Wire(Form1&) {}

}  // namespace stavelark

#include "sound/effect_chain.h"

#include "editor/form1.h"
#include "editor/program.h"

namespace stavelark {

void EffectChain::Wire(Form1&) {}

}  // namespace stavelark

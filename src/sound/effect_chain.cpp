#include "sound/effect_chain.h"

#include <vector>

#include "editor/form1.h"
#include "editor/program.h"
#include "platform/basic/basic.h"
#include "sound/sound_engine.h"

namespace stavelark {

namespace {

constexpr int kObjectNotSet = 91;

std::shared_ptr<music::DirectMusicAudioPath8> DefaultAudioPath(SoundEngine& engine) {
  if (!engine.Perf) basic::Raise(kObjectNotSet, "Object variable not set");
  std::shared_ptr<music::DirectMusicAudioPath8> path = engine.Perf->GetDefaultAudioPath();
  if (!path) basic::Raise(kObjectNotSet, "Object variable not set");
  return path;
}

}  // namespace

void EffectChain::Wire(Form1&) {}

void EffectChain::FX() {
  SoundEngine& engine = p_.SoundEngine();
  if (!engine.PlayingSegment) {
    p_.Ws.MsgBox("You must first load an audio file before you can apply effects to it.", forms::mb::Information,
                 "No buffer");
    return;
  }
  try {
    // The chain only changes while the path is inactive.
    DefaultAudioPath(engine)->Activate(false);
    if (!engine.FxBuffer) basic::Raise(kObjectNotSet, "Object variable not set");
    engine.FxEffectDescs.clear();
    engine.FxResultCodes.clear();
    engine.FxBuffer->SetFX(0, engine.FxEffectDescs, engine.FxResultCodes);
    // The chain of the checked effects (none are applied yet, so it stays empty).
    engine.FxBuffer->SetFX(static_cast<int32_t>(engine.FxEffectDescs.size()), engine.FxEffectDescs,
                           engine.FxResultCodes);
    DefaultAudioPath(engine)->Activate(true);
  } catch (const basic::RuntimeError&) {
    // The path stays inactive until the next complete rebuild.
    p_.Ws.MsgBox("FX error", forms::mb::OkOnly, p_.Ws.AppTitle);
  }
}

}  // namespace stavelark

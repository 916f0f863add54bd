#include "sound/effect_chain.h"

#include <array>
#include <cfloat>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "editor/form1.h"
#include "editor/program.h"
#include "platform/basic/basic.h"
#include "sound/fx_form.h"
#include "sound/sound_engine.h"

namespace stavelark {

namespace {

constexpr int kObjectNotSet = 91;

// The class-name and interface-name texts the buffer knows an effect by.
struct EffectNames {
  const char* classGuid;
  const char* interfaceName;
};
constexpr EffectNames kDistortion{"GUID_DSFX_STANDARD_DISTORTION", "IID_DirectSoundFXDistortion"};
constexpr EffectNames kEcho{"GUID_DSFX_STANDARD_ECHO", "IID_DirectSoundFXEcho"};
constexpr EffectNames kChorus{"GUID_DSFX_STANDARD_CHORUS", "IID_DirectSoundFXChorus"};
constexpr EffectNames kFlanger{"GUID_DSFX_STANDARD_FLANGER", "IID_DirectSoundFXFlanger"};
constexpr EffectNames kCompressor{"GUID_DSFX_STANDARD_COMPRESSOR", "IID_DirectSoundFXCompressor"};
constexpr EffectNames kGargle{"GUID_DSFX_STANDARD_GARGLE", "IID_DirectSoundFXGargle"};
constexpr EffectNames kParamEq{"GUID_DSFX_STANDARD_PARAMEQ", "IID_DirectSoundFXParamEq"};
constexpr EffectNames kWavesReverb{"GUID_DSFX_WAVES_REVERB", "IID_DirectSoundFXWavesReverb"};

std::shared_ptr<music::DirectMusicAudioPath8> DefaultAudioPath(SoundEngine& engine) {
  if (!engine.Perf) basic::Raise(kObjectNotSet, "Object variable not set");
  std::shared_ptr<music::DirectMusicAudioPath8> path = engine.Perf->GetDefaultAudioPath();
  if (!path) basic::Raise(kObjectNotSet, "Object variable not set");
  return path;
}

// A box's text as a number held in single precision; a text that is no number, or one beyond
// the single range, raises.
float Number(const forms::TextBox& box) {
  const std::optional<double> v = basic::ToNumber(box.Text());
  if (!v) basic::Raise(basic::err::TypeMismatch);
  if (std::fabs(*v) > FLT_MAX) basic::Raise(basic::err::Overflow);
  return static_cast<float>(*v);
}

// A box's text as a whole 32-bit number, rounded half to even.
int32_t Whole(const forms::TextBox& box) {
  const std::optional<double> v = basic::ToNumber(box.Text());
  if (!v) basic::Raise(basic::err::TypeMismatch);
  return basic::CLng(*v);
}

int32_t SineChecked(const forms::CheckBox& box) { return box.Value() == 1 ? 1 : 0; }

// Takes the effect's object from the chain just set, keeps it in its slot and hands it the record.
template <typename Interface, typename Record>
void Apply(SoundEngine& engine, const EffectNames& names, std::shared_ptr<Interface>& slot, const Record& record) {
  std::shared_ptr<Interface> effect =
      std::dynamic_pointer_cast<Interface>(engine.FxBuffer->GetObjectInPath(names.classGuid, 0, names.interfaceName));
  if (!effect) basic::Raise(basic::err::TypeMismatch);
  slot = std::move(effect);
  slot->SetAllParameters(record);
}

// ---- the records, each refilled from its boxes in ascending index order, check box last ----

void Fill(music::DSFXECHO& r, const FXform& d) {
  r.fFeedback = Number(d.EchoValue[0]);
  r.fLeftDelay = Number(d.EchoValue[1]);
  r.fRightDelay = Number(d.EchoValue[2]);
  r.fWetDryMix = Number(d.EchoValue[3]);
  r.lPanDelay = d.Pandelay.Value();
}

void Fill(music::DSFXPARAMEQ& r, const FXform& d) {
  r.fCenter = Number(d.eqvalue[0]);
  r.fGain = Number(d.eqvalue[1]);
  r.fBandwidth = Number(d.eqvalue[2]);
}

void Fill(music::DSFXCHORUS& r, const FXform& d) {
  r.fDelay = Number(d.ChorusAdjustValue[0]);
  r.fDepth = Number(d.ChorusAdjustValue[1]);
  r.fFeedback = Number(d.ChorusAdjustValue[2]);
  r.fWetDryMix = Number(d.ChorusAdjustValue[3]);
  r.lPhase = Whole(d.ChorusAdjustValue[4]);
  r.fFrequency = Number(d.ChorusAdjustValue[5]);
  r.lWaveform = SineChecked(d.CheckChorusSine);
}

void Fill(music::DSFXDISTORTION& r, const FXform& d) {
  r.fEdge = Number(d.DistAdjustValue[0]);
  r.fGain = Number(d.DistAdjustValue[1]);
  r.fPostEQBandwidth = Number(d.DistAdjustValue[2]);
  r.fPostEQCenterFrequency = Number(d.DistAdjustValue[3]);
  r.fPreLowpassCutoff = Number(d.DistAdjustValue[4]);
}

void Fill(music::DSFXGARGLE& r, const FXform& d) {
  r.lRateHz = Whole(d.GargAdjustValue[0]);
  r.lWaveShape = SineChecked(d.CheckGargSine);
}

void Fill(music::DSFXWAVESREVERB& r, const FXform& d) {
  // The boxes are whole numbers; the high-frequency box holds thousandths.
  r.fInGain = static_cast<float>(Whole(d.WaveAdjustValue[0]));
  r.fHighFreqRTRatio = static_cast<float>(Whole(d.WaveAdjustValue[1]) * 0.001);
  r.fReverbMix = static_cast<float>(Whole(d.WaveAdjustValue[2]));
  r.fReverbTime = static_cast<float>(Whole(d.WaveAdjustValue[3]));
}

void Fill(music::DSFXCOMPRESSOR& r, const FXform& d) {
  r.fGain = Number(d.CompAdjustValue[0]);
  r.fPredelay = Number(d.CompAdjustValue[1]);
  r.fRatio = Number(d.CompAdjustValue[2]);
  r.fAttack = Number(d.CompAdjustValue[3]);
  r.fRelease = Number(d.CompAdjustValue[4]);
  r.fThreshold = Number(d.CompAdjustValue[5]);
}

void Fill(music::DSFXFLANGER& r, const FXform& d) {
  r.fFrequency = Number(d.FAdjustValue[0]);
  r.fDelay = Number(d.FAdjustValue[1]);
  r.fDepth = Number(d.FAdjustValue[2]);
  r.fFeedback = Number(d.FAdjustValue[3]);
  r.lPhase = Whole(d.FAdjustValue[4]);
  r.fWetDryMix = Number(d.FAdjustValue[5]);
  r.lWaveform = SineChecked(d.FCheckSin);
}

}  // namespace

void EffectChain::Wire(Form1& form) {
  // The effect marks are part of the composition: switching one is a change to save.
  const auto marking = [this](void (EffectChain::*toggle)()) {
    return [this, toggle] {
      (this->*toggle)();
      p_.G.Modified = true;
    };
  };
  form.distortion.Click = marking(&EffectChain::distortion_Click);
  form.echo.Click = marking(&EffectChain::echo_Click);
  form.Chorus.Click = marking(&EffectChain::Chorus_Click);
  form.Flanger.Click = marking(&EffectChain::Flanger_Click);
  form.Compressor.Click = marking(&EffectChain::Compressor_Click);
  form.Gargle.Click = marking(&EffectChain::Gargle_Click);
  form.Para.Click = marking(&EffectChain::Para_Click);
  form.Reverb.Click = marking(&EffectChain::Reverb_Click);
  form.SetupFX.Click = [this] { SetupFX_Click(); };
}

void EffectChain::FX() {
  if (!p_.SoundEngine().PlayingSegment) {
    p_.Ws.MsgBox("You must first load an audio file before you can apply effects to it.", forms::mb::Information,
                 "No buffer");
    return;
  }
  try {
    Rebuild();
  } catch (const basic::RuntimeError&) {
    // The path stays inactive until the next complete rebuild.
    p_.Ws.MsgBox("FX error", forms::mb::OkOnly, p_.Ws.AppTitle);
  }
}

void EffectChain::Rebuild() {
  SoundEngine& engine = p_.SoundEngine();
  Form1& f = p_.Form1();
  // The chain only changes while the path is inactive.
  DefaultAudioPath(engine)->Activate(false);
  if (!engine.FxBuffer) basic::Raise(kObjectNotSet, "Object variable not set");
  engine.FxEffectDescs.clear();
  engine.FxResultCodes.clear();
  engine.FxBuffer->SetFX(0, engine.FxEffectDescs, engine.FxResultCodes);

  // The checked effects, in chain order.
  const std::array<std::pair<const forms::Menu*, const EffectNames*>, 8> chain = {{
      {&f.distortion, &kDistortion},
      {&f.echo, &kEcho},
      {&f.Chorus, &kChorus},
      {&f.Flanger, &kFlanger},
      {&f.Compressor, &kCompressor},
      {&f.Gargle, &kGargle},
      {&f.Para, &kParamEq},
      {&f.Reverb, &kWavesReverb},
  }};
  for (const auto& [item, names] : chain) {
    if (!item->Checked()) continue;
    music::DSEFFECTDESC desc;
    desc.guidDSFXClass = names->classGuid;
    engine.FxEffectDescs.push_back(desc);
  }
  engine.FxResultCodes.assign(engine.FxEffectDescs.size(), 0);
  const auto count = static_cast<int32_t>(engine.FxEffectDescs.size());
  engine.FxBuffer->SetFX(count, engine.FxEffectDescs, engine.FxResultCodes);

  if (count > 0) {
    // The marks are read again here; each checked effect gets its record from the dialog.
    auto apply = [&](const forms::Menu& item, const EffectNames& names, auto& slot, auto& record) {
      if (!item.Checked()) return;
      Fill(record, p_.FXform());
      Apply(engine, names, slot, record);
    };
    apply(f.echo, kEcho, engine.FxEcho, engine.EchoParams);
    apply(f.Para, kParamEq, engine.FxParamEq, engine.ParamEqParams);
    apply(f.Chorus, kChorus, engine.FxChorus, engine.ChorusParams);
    apply(f.distortion, kDistortion, engine.FxDistortion, engine.DistortionParams);
    apply(f.Gargle, kGargle, engine.FxGargle, engine.GargleParams);
    apply(f.Reverb, kWavesReverb, engine.FxWavesReverb, engine.WavesReverbParams);
    apply(f.Compressor, kCompressor, engine.FxCompressor, engine.CompressorParams);
    apply(f.Flanger, kFlanger, engine.FxFlanger, engine.FlangerParams);
  }
  DefaultAudioPath(engine)->Activate(true);
}

// ---- menu ----

namespace {
void Flip(forms::Menu& item) { item.Checked = !item.Checked; }
}  // namespace

void EffectChain::distortion_Click() { Flip(p_.Form1().distortion); }
void EffectChain::echo_Click() { Flip(p_.Form1().echo); }
void EffectChain::Chorus_Click() { Flip(p_.Form1().Chorus); }
void EffectChain::Flanger_Click() { Flip(p_.Form1().Flanger); }
void EffectChain::Compressor_Click() { Flip(p_.Form1().Compressor); }
void EffectChain::Gargle_Click() { Flip(p_.Form1().Gargle); }
void EffectChain::Para_Click() { Flip(p_.Form1().Para); }
void EffectChain::Reverb_Click() { Flip(p_.Form1().Reverb); }

void EffectChain::SetupFX_Click() { p_.FXform().Show(); }

}  // namespace stavelark

#include "platform/music/effect_params.h"

#include <array>
#include <cmath>
#include <string>

#include "platform/basic/basic.h"

namespace music {

namespace {

constexpr std::array<EffectClass, 8> kClasses = {{
    {EffectKind::Distortion, "GUID_DSFX_STANDARD_DISTORTION", "IID_DirectSoundFXDistortion", "distortion"},
    {EffectKind::Echo, "GUID_DSFX_STANDARD_ECHO", "IID_DirectSoundFXEcho", "echo"},
    {EffectKind::Chorus, "GUID_DSFX_STANDARD_CHORUS", "IID_DirectSoundFXChorus", "chorus"},
    {EffectKind::Flanger, "GUID_DSFX_STANDARD_FLANGER", "IID_DirectSoundFXFlanger", "flanger"},
    {EffectKind::Compressor, "GUID_DSFX_STANDARD_COMPRESSOR", "IID_DirectSoundFXCompressor", "compressor"},
    {EffectKind::Gargle, "GUID_DSFX_STANDARD_GARGLE", "IID_DirectSoundFXGargle", "gargle"},
    {EffectKind::ParamEq, "GUID_DSFX_STANDARD_PARAMEQ", "IID_DirectSoundFXParamEq", "parameq"},
    {EffectKind::WavesReverb, "GUID_DSFX_WAVES_REVERB", "IID_DirectSoundFXWavesReverb", "wavesreverb"},
}};

// The ends are compared in single precision, as the records hold them, so 0.01f is inside
// 0.01..500. NaN fails both comparisons, so it is refused as well.
void Range(const char* field, float value, float lo, float hi) {
  if (!(value >= lo && value <= hi))
    basic::Raise(basic::err::InvalidCall,
                 std::string("Effect parameter out of range: ") + field + " = " + basic::CStr(value));
}

void OneOf(const char* field, int32_t value, int32_t lo, int32_t hi) {
  if (value < lo || value > hi)
    basic::Raise(basic::err::InvalidCall,
                 std::string("Effect parameter out of range: ") + field + " = " + std::to_string(value));
}

void ModulatedDelay(float mix, float depth, float feedback, float frequency, int32_t waveform,
                    float delay, float maxDelay, int32_t phase) {
  Range("fWetDryMix", mix, 0, 100);
  Range("fDepth", depth, 0, 100);
  Range("fFeedback", feedback, -99, 99);
  Range("fFrequency", frequency, 0, 10);
  OneOf("lWaveform", waveform, 0, 1);
  Range("fDelay", delay, 0, maxDelay);
  OneOf("lPhase", phase, 0, 4);
}

}  // namespace

std::span<const EffectClass> EffectClasses() { return kClasses; }

const EffectClass* FindEffectClass(std::string_view classGuid) {
  for (const auto& c : kClasses)
    if (c.classGuid == classGuid) return &c;
  return nullptr;
}

void Validate(const DSFXDISTORTION& p) {
  Range("fGain", p.fGain, -60, 0);
  Range("fEdge", p.fEdge, 0, 100);
  Range("fPostEQCenterFrequency", p.fPostEQCenterFrequency, 100, 8000);
  Range("fPostEQBandwidth", p.fPostEQBandwidth, 100, 8000);
  Range("fPreLowpassCutoff", p.fPreLowpassCutoff, 100, 8000);
}

void Validate(const DSFXECHO& p) {
  Range("fWetDryMix", p.fWetDryMix, 0, 100);
  Range("fFeedback", p.fFeedback, 0, 100);
  Range("fLeftDelay", p.fLeftDelay, 1, 2000);
  Range("fRightDelay", p.fRightDelay, 1, 2000);
  OneOf("lPanDelay", p.lPanDelay, 0, 1);
}

void Validate(const DSFXCHORUS& p) {
  ModulatedDelay(p.fWetDryMix, p.fDepth, p.fFeedback, p.fFrequency, p.lWaveform, p.fDelay, 20, p.lPhase);
}

void Validate(const DSFXFLANGER& p) {
  ModulatedDelay(p.fWetDryMix, p.fDepth, p.fFeedback, p.fFrequency, p.lWaveform, p.fDelay, 4, p.lPhase);
}

void Validate(const DSFXCOMPRESSOR& p) {
  Range("fGain", p.fGain, -60, 60);
  Range("fAttack", p.fAttack, 0.01, 500);
  Range("fRelease", p.fRelease, 50, 3000);
  Range("fThreshold", p.fThreshold, -60, 0);
  Range("fRatio", p.fRatio, 1, 100);
  Range("fPredelay", p.fPredelay, 0, 4);
}

void Validate(const DSFXGARGLE& p) {
  OneOf("lRateHz", p.lRateHz, 1, 1000);
  OneOf("lWaveShape", p.lWaveShape, 0, 1);
}

void Validate(const DSFXPARAMEQ& p) {
  Range("fCenter", p.fCenter, 80, 16000);
  Range("fCenter", p.fCenter, 80, kSampleRate / 3.0f);
  Range("fBandwidth", p.fBandwidth, 1, 36);
  Range("fGain", p.fGain, -15, 15);
}

void Validate(const DSFXWAVESREVERB& p) {
  Range("fInGain", p.fInGain, -96, 0);
  Range("fReverbMix", p.fReverbMix, -96, 0);
  Range("fReverbTime", p.fReverbTime, 0.001f, 3000);
  Range("fHighFreqRTRatio", p.fHighFreqRTRatio, 0.001f, 0.999f);
}

void CheckBufferRequest(int32_t pChannel, int32_t stage, int32_t buffer, std::string_view guidObject,
                        int32_t index, std::string_view iidInterface) {
  if (stage != DMUS_PATH_BUFFER || buffer != 0 || index != 0 ||
      (pChannel != DMUS_PCHANNEL_ALL && pChannel != 0) || guidObject != "GUID_ALL_OBJECTS" ||
      iidInterface != "IID_IDirectSoundBuffer8")
    basic::Raise(basic::err::InvalidCall, "The audio path has no such object");
}

DSFXDISTORTION InitialDistortion() { return {-18, 15, 2400, 2400, 8000}; }
DSFXECHO InitialEcho() { return {50, 50, 500, 500, 0}; }
DSFXCHORUS InitialChorus() { return {50, 10, 25, 1.1f, 1, 16, 3}; }
DSFXFLANGER InitialFlanger() { return {50, 100, -50, 0.25f, 1, 2, 2}; }
DSFXCOMPRESSOR InitialCompressor() { return {0, 10, 200, -20, 3, 4}; }
DSFXGARGLE InitialGargle() { return {20, 0}; }
DSFXPARAMEQ InitialParamEq() { return {8000, 12, 0}; }
DSFXWAVESREVERB InitialWavesReverb() { return {0, 0, 1000, 0.001f}; }

}  // namespace music

#include "platform/music/dsp.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace music::dsp {

namespace {

constexpr double kRate = kSampleRate;
constexpr double kTwoPi = 2 * std::numbers::pi;

double DbToGain(double db) { return std::pow(10.0, db / 20.0); }
int MsToFrames(double ms) { return static_cast<int>(std::lround(ms * kRate / 1000.0)); }
double Fraction(double x) { return x - std::floor(x); }

}  // namespace

// --- Biquad -------------------------------------------------------------------------------

void Biquad::Set(double b0, double b1, double b2, double a0, double a1, double a2) {
  b0_ = b0 / a0;
  b1_ = b1 / a0;
  b2_ = b2 / a0;
  a1_ = a1 / a0;
  a2_ = a2 / a0;
}

void Biquad::SetLowpass(double sampleRate, double frequency, double q) {
  double w0 = kTwoPi * std::min(frequency, 0.45 * sampleRate) / sampleRate;
  double c = std::cos(w0), alpha = std::sin(w0) / (2 * q);
  Set((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

void Biquad::SetBandpass(double sampleRate, double frequency, double q) {
  double w0 = kTwoPi * std::min(frequency, 0.45 * sampleRate) / sampleRate;
  double c = std::cos(w0), alpha = std::sin(w0) / (2 * q);
  Set(alpha, 0, -alpha, 1 + alpha, -2 * c, 1 - alpha);
}

void Biquad::SetPeaking(double sampleRate, double frequency, double octaves, double gainDb) {
  double w0 = kTwoPi * std::min(frequency, 0.45 * sampleRate) / sampleRate;
  double c = std::cos(w0), s = std::sin(w0);
  double alpha = s * std::sinh(std::numbers::ln2 / 2 * octaves * w0 / s);
  double a = std::pow(10.0, gainDb / 40.0);
  Set(1 + alpha * a, -2 * c, 1 - alpha * a, 1 + alpha / a, -2 * c, 1 - alpha / a);
}

// --- DelayLine ----------------------------------------------------------------------------

DelayLine::DelayLine(int capacity)
    : buffer_(static_cast<size_t>(std::max(capacity, 2)), 0.0f), sinceLoud_(buffer_.size()) {}

float DelayLine::ReadFractional(double delay) const {
  delay = std::clamp(delay, 1.0, static_cast<double>(buffer_.size() - 1));
  int whole = static_cast<int>(delay);
  float frac = static_cast<float>(delay - whole);
  float a = Read(whole);
  float b = Read(whole + 1);
  return a + (b - a) * frac;
}

void DelayLine::Clear() {
  std::fill(buffer_.begin(), buffer_.end(), 0.0f);
  sinceLoud_ = buffer_.size();
}

// --- Distortion ---------------------------------------------------------------------------

Distortion::Distortion() {}

void Distortion::Configure(const DSFXDISTORTION& p) {
  double edge = std::min(p.fEdge / 100.0, 0.99);
  drive_ = 2 * edge / (1 - edge);
  gain_ = DbToGain(p.fGain);
  double q = std::max(p.fPostEQCenterFrequency / p.fPostEQBandwidth, 0.1f);
  for (auto& f : pre_) f.SetLowpass(kRate, p.fPreLowpassCutoff, std::numbers::sqrt2 / 2);
  for (auto& f : post_) f.SetBandpass(kRate, p.fPostEQCenterFrequency, q);
}

void Distortion::Process(float* left, float* right, int frames) {
  float* sides[2] = {left, right};
  for (int ch = 0; ch < 2; ++ch) {
    float* s = sides[ch];
    for (int i = 0; i < frames; ++i) {
      double x = pre_[ch].Process(s[i]);
      double shaped = (1 + drive_) * x / (1 + drive_ * std::fabs(x));
      s[i] = static_cast<float>(post_[ch].Process(static_cast<float>(shaped)) * gain_);
    }
  }
}

bool Distortion::Silent() const {
  return std::all_of(pre_.begin(), pre_.end(), [](const Biquad& b) { return b.Silent(); }) &&
         std::all_of(post_.begin(), post_.end(), [](const Biquad& b) { return b.Silent(); });
}

// --- Echo ---------------------------------------------------------------------------------

Echo::Echo() : left_(MsToFrames(2000) + 1), right_(MsToFrames(2000) + 1) {}

void Echo::Configure(const DSFXECHO& p) {
  delayLeft_ = std::clamp(MsToFrames(p.fLeftDelay), 1, left_.Capacity());
  delayRight_ = std::clamp(MsToFrames(p.fRightDelay), 1, right_.Capacity());
  mix_ = p.fWetDryMix / 100.0f;
  feedback_ = p.fFeedback / 100.0f;
  pan_ = p.lPanDelay != 0;
}

void Echo::Process(float* left, float* right, int frames) {
  for (int i = 0; i < frames; ++i) {
    float echoL = left_.Read(delayLeft_);
    float echoR = right_.Read(delayRight_);
    left_.Write(left[i] + feedback_ * (pan_ ? echoR : echoL));
    right_.Write(right[i] + feedback_ * (pan_ ? echoL : echoR));
    left[i] = (1 - mix_) * left[i] + mix_ * echoL;
    right[i] = (1 - mix_) * right[i] + mix_ * echoR;
  }
}

// --- Chorus and flanger -------------------------------------------------------------------

ModulatedDelay::ModulatedDelay(double maxDelayMs)
    : left_(MsToFrames(2 * maxDelayMs) + 4), right_(MsToFrames(2 * maxDelayMs) + 4), maxDelay_(maxDelayMs) {}

void ModulatedDelay::Configure(const DSFXCHORUS& p) {
  Set(p.fWetDryMix, p.fDepth, p.fFeedback, p.fFrequency, p.lWaveform, p.fDelay, p.lPhase);
}

void ModulatedDelay::Configure(const DSFXFLANGER& p) {
  Set(p.fWetDryMix, p.fDepth, p.fFeedback, p.fFrequency, p.lWaveform, p.fDelay, p.lPhase);
}

void ModulatedDelay::Set(float mix, float depth, float feedback, float frequency, int32_t waveform,
                         float delayMs, int32_t phase) {
  mix_ = mix / 100.0f;
  depth_ = depth / 100.0;
  feedback_ = feedback / 100.0f;
  step_ = frequency / kRate;
  sine_ = waveform != 0;
  centre_ = std::min<double>(delayMs, maxDelay_) * kRate / 1000.0;
  rightOffset_ = (phase - 2) * 0.25;  // quarter turns from -180 to +180 degrees
}

double ModulatedDelay::Wave(double phase) const {
  double t = Fraction(phase);
  if (sine_) return std::sin(kTwoPi * t);
  if (t < 0.25) return 4 * t;
  if (t < 0.75) return 2 - 4 * t;
  return 4 * t - 4;
}

void ModulatedDelay::Process(float* left, float* right, int frames) {
  for (int i = 0; i < frames; ++i) {
    double delayL = std::max(1.0, centre_ * (1 + depth_ * Wave(phase_)));
    double delayR = std::max(1.0, centre_ * (1 + depth_ * Wave(phase_ + rightOffset_)));
    float wetL = left_.ReadFractional(delayL);
    float wetR = right_.ReadFractional(delayR);
    left_.Write(left[i] + feedback_ * wetL);
    right_.Write(right[i] + feedback_ * wetR);
    left[i] = (1 - mix_) * left[i] + mix_ * wetL;
    right[i] = (1 - mix_) * right[i] + mix_ * wetR;
    phase_ = Fraction(phase_ + step_);
  }
}

// --- Compressor ---------------------------------------------------------------------------

Compressor::Compressor() : left_(MsToFrames(4) + 2), right_(MsToFrames(4) + 2) {}

void Compressor::Configure(const DSFXCOMPRESSOR& p) {
  predelay_ = MsToFrames(p.fPredelay);
  threshold_ = p.fThreshold;
  slope_ = 1 - 1 / static_cast<double>(p.fRatio);
  attack_ = std::exp(-1000.0 / (p.fAttack * kRate));
  release_ = std::exp(-1000.0 / (p.fRelease * kRate));
  makeup_ = DbToGain(p.fGain);
}

// The pre-delay is the time from the level crossing the threshold to the attack: the gain
// computer hears the input that much later, while the sound itself passes at once (delaying the
// sound instead would delay every note by it).
void Compressor::Process(float* left, float* right, int frames) {
  for (int i = 0; i < frames; ++i) {
    const float l = left[i], r = right[i];
    float heardL = l, heardR = r;
    if (predelay_ > 0) {
      heardL = left_.Read(predelay_);
      heardR = right_.Read(predelay_);
      left_.Write(l);
      right_.Write(r);
    }
    double level = std::max(std::fabs(heardL), std::fabs(heardR));
    double levelDb = 20 * std::log10(std::max(level, 1e-6));
    double target = std::min(0.0, (threshold_ - levelDb) * slope_);  // gain change in dB, <= 0
    double coefficient = target < envelope_ ? attack_ : release_;
    envelope_ = coefficient * envelope_ + (1 - coefficient) * target;
    double gain = DbToGain(envelope_) * makeup_;
    left[i] = static_cast<float>(l * gain);
    right[i] = static_cast<float>(r * gain);
  }
}

// --- Gargle -------------------------------------------------------------------------------

void Gargle::Configure(const DSFXGARGLE& p) {
  step_ = p.lRateHz / kRate;
  square_ = p.lWaveShape != 0;
}

void Gargle::Process(float* left, float* right, int frames) {
  for (int i = 0; i < frames; ++i) {
    double gain = square_ ? (phase_ < 0.5 ? 1.0 : 0.0) : (phase_ < 0.5 ? 2 * phase_ : 2 - 2 * phase_);
    left[i] = static_cast<float>(left[i] * gain);
    right[i] = static_cast<float>(right[i] * gain);
    phase_ = Fraction(phase_ + step_);
  }
}

// --- Parametric equaliser -----------------------------------------------------------------

void ParamEq::Configure(const DSFXPARAMEQ& p) {
  for (auto& b : band_) b.SetPeaking(kRate, p.fCenter, p.fBandwidth / 12.0, p.fGain);
}

void ParamEq::Process(float* left, float* right, int frames) {
  for (int i = 0; i < frames; ++i) {
    left[i] = band_[0].Process(left[i]);
    right[i] = band_[1].Process(right[i]);
  }
}

// --- Reverb -------------------------------------------------------------------------------

namespace {
constexpr std::array<int, 4> kDiffuserLengths = {142, 107, 379, 277};
constexpr double kDiffusion = 0.7;
// Mutually prime lengths between about 32 and 64 ms.
constexpr std::array<int, WavesReverb::kLines> kLineLengths = {1433, 1601, 1867, 2053,
                                                               2251, 2399, 2617, 2797};
constexpr double kTailLevel = 0.35;
}  // namespace

WavesReverb::WavesReverb() {
  for (int n : kDiffuserLengths) diffusers_.emplace_back(n);
  for (int n : kLineLengths) lines_.emplace_back(n);
}

void WavesReverb::Configure(const DSFXWAVESREVERB& p) {
  inGain_ = DbToGain(p.fInGain);
  wet_ = DbToGain(p.fReverbMix);
  dry_ = std::sqrt(std::max(0.0, 1 - wet_ * wet_));
  double seconds = std::max(p.fReverbTime, 1e-6f) / 1000.0;
  double ratio = std::clamp<double>(p.fHighFreqRTRatio, 1e-3, 1);
  for (int i = 0; i < kLines; ++i) {
    // Each pass through a line loses its share of 60 dB per reverb time.
    double low = std::pow(10.0, -3.0 * kLineLengths[i] / (seconds * kRate));
    double high = std::pow(10.0, -3.0 * kLineLengths[i] / (ratio * seconds * kRate));
    auto& d = damping_[i];
    if (low + high < 1e-30) {
      d.a1 = 0;
      d.b0 = 0;
    } else {
      d.a1 = (low - high) / (low + high);
      d.b0 = low * (1 - d.a1);
    }
  }
}

void WavesReverb::Process(float* left, float* right, int frames) {
  std::array<double, kLines> taps;
  for (int i = 0; i < frames; ++i) {
    double in = 0.5 * (left[i] + right[i]) * inGain_;
    for (auto& ap : diffusers_) {
      double delayed = ap.Read(ap.Capacity());
      double v = in + kDiffusion * delayed;
      ap.Write(static_cast<float>(v));
      in = delayed - kDiffusion * v;
    }
    for (int k = 0; k < kLines; ++k) {
      taps[k] = lines_[k].Read(lines_[k].Capacity());
      auto& d = damping_[k];
      d.state = d.b0 * taps[k] + d.a1 * d.state;
    }
    // Orthogonal mixing of the damped line outputs (a scaled 8-point Hadamard transform).
    std::array<double, kLines> mixed;
    for (int k = 0; k < kLines; ++k) mixed[k] = damping_[k].state;
    for (int len = 1; len < kLines; len <<= 1)
      for (int k = 0; k < kLines; k += 2 * len)
        for (int j = k; j < k + len; ++j) {
          double a = mixed[j], b = mixed[j + len];
          mixed[j] = a + b;
          mixed[j + len] = a - b;
        }
    const double norm = 1 / std::sqrt(static_cast<double>(kLines));
    for (int k = 0; k < kLines; ++k) lines_[k].Write(static_cast<float>(mixed[k] * norm + in));
    double outL = (taps[0] - taps[1] + taps[2] - taps[3] + taps[4] - taps[5] + taps[6] - taps[7]) * kTailLevel;
    double outR = (taps[0] + taps[1] - taps[2] - taps[3] + taps[4] + taps[5] - taps[6] - taps[7]) * kTailLevel;
    left[i] = static_cast<float>(dry_ * left[i] + wet_ * outL);
    right[i] = static_cast<float>(dry_ * right[i] + wet_ * outR);
  }
}

bool WavesReverb::Silent() const {
  auto silent = [](const DelayLine& line) { return line.Silent(); };
  return std::all_of(diffusers_.begin(), diffusers_.end(), silent) && std::all_of(lines_.begin(), lines_.end(), silent) &&
         std::all_of(damping_.begin(), damping_.end(),
                     [](const Damping& d) { return std::fabs(d.state) < kSilentState; });
}

}  // namespace music::dsp

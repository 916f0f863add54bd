// Signal processing of the eight effects, on blocks of stereo float samples. Configure never
// allocates (every delay line is sized for its parameter's range up front), so it may run on
// the audio thread between blocks.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/music/music.h"

namespace music::dsp {

// Below this an effect's memory (delay lines, filter states) counts as silent: a sixteenth of a
// 16-bit step, so that a tail summed from several lines or raised a little further down the
// chain still stays under the output's floor.
inline constexpr float kSilentState = 1.0f / (65536 * 16);

// One second-order section (transposed direct form II) with the cookbook designs.
class Biquad {
 public:
  void SetLowpass(double sampleRate, double frequency, double q);
  void SetBandpass(double sampleRate, double frequency, double q);  // 0 dB at the centre
  void SetPeaking(double sampleRate, double frequency, double octaves, double gainDb);
  void Reset() { z1_ = z2_ = 0; }
  bool Silent() const { return std::fabs(z1_) < kSilentState && std::fabs(z2_) < kSilentState; }
  float Process(float x) {
    double y = b0_ * x + z1_;
    z1_ = b1_ * x - a1_ * y + z2_;
    z2_ = b2_ * x - a2_ * y;
    return static_cast<float>(y);
  }

 private:
  void Set(double b0, double b1, double b2, double a0, double a1, double a2);
  double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
  double z1_ = 0, z2_ = 0;
};

// A delay line of fixed capacity with integer and interpolated reads.
class DelayLine {
 public:
  explicit DelayLine(int capacity);
  void Write(float x) {
    buffer_[pos_] = x;
    pos_ = pos_ + 1 == buffer_.size() ? 0 : pos_ + 1;
    sinceLoud_ = std::fabs(x) >= kSilentState ? 0 : sinceLoud_ + 1;
  }
  // Nothing in the line is above kSilentState: every write since the last loud one has gone
  // round the whole line.
  bool Silent() const { return sinceLoud_ >= buffer_.size(); }
  // The sample written `delay` writes ago (1 = the last one); 1 <= delay <= capacity.
  float Read(int delay) const {
    size_t i = pos_ >= static_cast<size_t>(delay) ? pos_ - delay : pos_ + buffer_.size() - delay;
    return buffer_[i];
  }
  // Linear interpolation between neighbouring whole delays; 1 <= delay < capacity.
  float ReadFractional(double delay) const;
  int Capacity() const { return static_cast<int>(buffer_.size()); }
  void Clear();

 private:
  std::vector<float> buffer_;
  size_t pos_ = 0;
  size_t sinceLoud_;
};

class Effect {
 public:
  virtual ~Effect() = default;
  virtual void Process(float* left, float* right, int frames) = 0;
  // Whether the effect's memory has died away: with silence coming in, silence goes out.
  virtual bool Silent() const = 0;
};

// Pre-lowpass, waveshaper whose hardness follows the edge, post band-pass, output gain.
class Distortion final : public Effect {
 public:
  Distortion();
  void Configure(const DSFXDISTORTION& p);
  void Process(float* left, float* right, int frames) override;
  bool Silent() const override;

 private:
  std::array<Biquad, 2> pre_, post_;
  double drive_ = 0, gain_ = 1;
};

// Stereo feedback delay; with pan delay each echo feeds the other side.
class Echo final : public Effect {
 public:
  Echo();
  void Configure(const DSFXECHO& p);
  void Process(float* left, float* right, int frames) override;
  bool Silent() const override { return left_.Silent() && right_.Silent(); }

 private:
  DelayLine left_, right_;
  int delayLeft_ = 1, delayRight_ = 1;
  float mix_ = 0, feedback_ = 0;
  bool pan_ = false;
};

// A delay line per side whose length swings around the centre delay with a low-frequency
// oscillator (sine or triangle), the right side's oscillator shifted by the phase; with
// feedback. Chorus and flanger differ only in their ranges.
class ModulatedDelay final : public Effect {
 public:
  explicit ModulatedDelay(double maxDelayMs);
  void Configure(const DSFXCHORUS& p);
  void Configure(const DSFXFLANGER& p);
  void Process(float* left, float* right, int frames) override;
  bool Silent() const override { return left_.Silent() && right_.Silent(); }

 private:
  void Set(float mix, float depth, float feedback, float frequency, int32_t waveform, float delayMs,
           int32_t phase);
  double Wave(double phase) const;
  DelayLine left_, right_;
  double maxDelay_;
  float mix_ = 0, feedback_ = 0;
  double centre_ = 1, depth_ = 0, step_ = 0, phase_ = 0, rightOffset_ = 0;
  bool sine_ = true;
};

// Feed-forward compressor: the level of the undelayed input drives a gain computer
// (threshold, ratio) smoothed with attack and release; the gain acts on the input delayed by
// the pre-delay, then the output gain.
class Compressor final : public Effect {
 public:
  Compressor();
  void Configure(const DSFXCOMPRESSOR& p);
  void Process(float* left, float* right, int frames) override;
  bool Silent() const override { return left_.Silent() && right_.Silent(); }

 private:
  DelayLine left_, right_;
  int predelay_ = 0;
  double threshold_ = 0, slope_ = 0, attack_ = 0, release_ = 0, makeup_ = 1, envelope_ = 0;
};

// Amplitude modulation between 0 and 1 at the rate, triangle or square.
class Gargle final : public Effect {
 public:
  void Configure(const DSFXGARGLE& p);
  void Process(float* left, float* right, int frames) override;
  bool Silent() const override { return true; }

 private:
  double step_ = 0, phase_ = 0;
  bool square_ = false;
};

// One peaking band.
class ParamEq final : public Effect {
 public:
  void Configure(const DSFXPARAMEQ& p);
  void Process(float* left, float* right, int frames) override;
  bool Silent() const override { return band_[0].Silent() && band_[1].Silent(); }

 private:
  std::array<Biquad, 2> band_;
};

// Input diffusion followed by an eight-line feedback delay network whose lines lose level by
// the reverb time, faster at high frequencies by the ratio.
class WavesReverb final : public Effect {
 public:
  WavesReverb();
  void Configure(const DSFXWAVESREVERB& p);
  void Process(float* left, float* right, int frames) override;
  bool Silent() const override;

  static constexpr int kLines = 8;

 private:
  struct Damping {  // one-pole low-pass with separate gains at 0 Hz and at Nyquist
    double b0 = 0, a1 = 0, state = 0;
  };
  std::vector<DelayLine> diffusers_;
  std::vector<DelayLine> lines_;
  std::array<Damping, kLines> damping_{};
  double inGain_ = 1, wet_ = 1, dry_ = 0;
};

}  // namespace music::dsp

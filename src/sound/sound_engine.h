// The sound platform's objects for the whole run: made by InitDirectMusic at the very start,
// released by ShutdownDirectMusic at the end. Also the notification callback and the master
// volume that the Glidebar slider sets.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/forms/window_system.h"
#include "platform/music/music.h"

namespace stavelark {

class Form1;
class Program;

class SoundEngine final : public music::DirectXEvent8 {
 public:
  explicit SoundEngine(Program& program) : p_(program) {}
  void Wire(Form1& form);

  // Starts the engine; on failure shows why, tears down, and ends the program. Returns
  // whether it started (it only returns false when the program could not be ended).
  bool InitDirectMusic();
  void ShutdownDirectMusic();
  void DXCallback(int32_t eventId) override;
  void Volslider_MouseMove();

  // Whether InitDirectMusic succeeded (shutdown then writes the settings back).
  bool Started() const { return started_; }

  std::shared_ptr<music::DirectX8> DX;
  std::shared_ptr<music::DirectMusicPerformance8> Perf;
  std::shared_ptr<music::DirectMusicLoader8> Loader;
  std::shared_ptr<music::DirectMusicSegment8> PlayingSegment;
  std::shared_ptr<music::DirectSoundSecondaryBuffer8> FxBuffer;
  int32_t DxEventHandle = 0;
  std::vector<music::DSEFFECTDESC> FxEffectDescs;
  std::vector<int32_t> FxResultCodes;
  // Each effect's object from the last rebuild of the chain in which it was checked (kept until
  // the next such rebuild), and its parameter record as the effects dialog last filled it.
  std::shared_ptr<music::DirectSoundFXDistortion8> FxDistortion;
  std::shared_ptr<music::DirectSoundFXEcho8> FxEcho;
  std::shared_ptr<music::DirectSoundFXChorus8> FxChorus;
  std::shared_ptr<music::DirectSoundFXFlanger8> FxFlanger;
  std::shared_ptr<music::DirectSoundFXCompressor8> FxCompressor;
  std::shared_ptr<music::DirectSoundFXGargle8> FxGargle;
  std::shared_ptr<music::DirectSoundFXParamEq8> FxParamEq;
  std::shared_ptr<music::DirectSoundFXWavesReverb8> FxWavesReverb;
  music::DSFXDISTORTION DistortionParams{};
  music::DSFXECHO EchoParams{};
  music::DSFXCHORUS ChorusParams{};
  music::DSFXFLANGER FlangerParams{};
  music::DSFXCOMPRESSOR CompressorParams{};
  music::DSFXGARGLE GargleParams{};
  music::DSFXPARAMEQ ParamEqParams{};
  music::DSFXWAVESREVERB WavesReverbParams{};

 private:
  // Says once, in a message box, that the SoundFont could not be loaded (it loads in the
  // background, after the window shows); the program plays silently on.
  void ReportSoundFontFailure();

  Program& p_;
  bool started_ = false;
  bool soundFontReported_ = false;
  std::unique_ptr<forms::Wakeup> wakeup_;  // runs the notification callbacks on the window thread
};

}  // namespace stavelark

// The sound platform's objects for the whole run: made by InitDirectMusic at the very start,
// released by ShutdownDirectMusic at the end. Also the notification callback and the master
// volume that the Glidebar slider sets.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

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

 private:
  Program& p_;
  bool started_ = false;
};

}  // namespace stavelark

// A started program on the real sound platform rendering offline: nothing sounds until a test
// renders it, so what a command started can be measured frame by frame.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "editor/form1.h"
#include "editor/program.h"
#include "platform/music/music.h"
#include "platform/music/test_support.h"
#include "sound/sound_engine.h"
#include "support/headless_fixture.h"

namespace stavelark_test {

// The starts of sounds: where the energy of the next 256 frames jumps to more than eight
// times that of the 256 before, taken at the largest jump of each run above that.
inline std::vector<double> Onsets(const std::vector<float>& s) {
  constexpr size_t kWindow = 256, kHop = 64;
  std::vector<double> sum(s.size() + 1, 0);
  for (size_t i = 0; i < s.size(); ++i) sum[i + 1] = sum[i] + double{s[i]} * s[i];
  const auto energy = [&](size_t from, size_t to) { return (sum[to] - sum[from]) / double(to - from); };
  std::vector<double> onsets;
  double best = 0;
  size_t bestAt = 0;
  for (size_t t = kWindow; t + kWindow <= s.size(); t += kHop) {
    const double jump = energy(t, t + kWindow) / (energy(t - kWindow, t) + 1e-9);
    if (jump > 8) {
      if (jump > best) best = jump, bestAt = t;
    } else if (best > 0) {
      onsets.push_back(static_cast<double>(bestAt) / music::kSampleRate);
      best = 0;
    }
  }
  return onsets;
}

class RealSoundTest : public HeadlessTest {
 protected:
  RealSoundTest() {
    char pattern[] = "/tmp/stavelark-sound-XXXXXX";
    const char* dir = ::mkdtemp(pattern);
    root_ = dir ? dir : "/tmp";
    std::filesystem::create_directories(root_ / "temp");
  }
  ~RealSoundTest() override {
    program_.reset();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  void Start(const std::string& soundFont = music_test::kTestSoundFont) {
    Sys().AppPath = root_.string();
    stavelark::ProgramServices services;
    services.createDirectX = [this, soundFont] {
      return music::CreateDirectX8(Sys().Clock(), {music::OutputMode::Offline, {soundFont}});
    };
    services.tempFolder = root_ / "temp";
    program_ = std::make_unique<stavelark::Program>(Sys(), std::move(services));
    program_->Form1();
  }

  stavelark::Program& P() { return *program_; }
  stavelark::Globals& G() { return program_->G; }
  const std::filesystem::path& Root() const { return root_; }

  // The left channel of the next `seconds` of sound.
  std::vector<float> Render(double seconds) {
    return music_test::Left(
        music::RenderOffline(*P().SoundEngine().Perf, static_cast<int>(seconds * music::kSampleRate)));
  }

 private:
  std::filesystem::path root_;
  std::unique_ptr<stavelark::Program> program_;
};

}  // namespace stavelark_test

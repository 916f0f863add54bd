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
#include "support/onsets.h"

namespace stavelark_test {

// The starts of sounds in seconds (sound_onsets::Onsets).
inline std::vector<double> Onsets(const std::vector<float>& s) {
  std::vector<double> seconds;
  for (size_t i : sound_onsets::Onsets(s)) seconds.push_back(static_cast<double>(i) / music::kSampleRate);
  return seconds;
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

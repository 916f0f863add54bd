// A scratch folder and measurements of rendered sound, besides MIDI files made by hand.
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "midi_bytes.h"
#include "platform/music/music.h"

namespace music_test {

// A folder of its own for each test, removed afterwards.
class ScratchDir {
 public:
  ScratchDir() {
    auto* info = testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("stavelark-music-" + std::to_string(getpid()) + "-" + info->test_suite_name() + "-" + info->name());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string Write(const std::string& name, const Bytes& bytes) const {
    auto p = path_ / name;
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return p.string();
  }
  std::string Path(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

constexpr double kRate = music::kSampleRate;

// Tests choose their SoundFont rather than take the machine's default, which may be any.
inline const std::string kTestSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// Interleaved stereo to one side.
inline std::vector<float> Left(const std::vector<float>& stereo) {
  std::vector<float> out(stereo.size() / 2);
  for (size_t i = 0; i < out.size(); ++i) out[i] = stereo[2 * i];
  return out;
}

inline double Rms(const std::vector<float>& s, size_t begin, size_t end) {
  double sum = 0;
  end = std::min(end, s.size());
  if (end <= begin) return 0;
  for (size_t i = begin; i < end; ++i) sum += double{s[i]} * s[i];
  return std::sqrt(sum / (end - begin));
}

inline double Db(double ratio) { return 20 * std::log10(ratio); }

// Amplitude of one frequency in s[begin, end), Hann-windowed, scaled so a sine of amplitude a
// reads about a/2.
inline double Magnitude(const std::vector<float>& s, size_t begin, size_t end, double hz) {
  double re = 0, im = 0;
  size_t n = end - begin;
  for (size_t i = 0; i < n; ++i) {
    double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / (n - 1));
    double ph = 2 * std::numbers::pi * hz * i / kRate;
    re += w * s[begin + i] * std::cos(ph);
    im -= w * s[begin + i] * std::sin(ph);
  }
  return std::sqrt(re * re + im * im) / n;
}

// A SoundFont's frame: "RIFF" "sfbk" around LIST parts, each of its type and raw bytes.
inline Bytes SoundFontFile(const std::vector<std::pair<std::string, Bytes>>& parts) {
  Bytes body = {'s', 'f', 'b', 'k'};
  const auto chunk = [](Bytes& out, const std::string& id, const Bytes& data) {
    out.insert(out.end(), id.begin(), id.end());
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(data.size() >> (8 * i)));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2) out.push_back(0);
  };
  for (const auto& [type, data] : parts) {
    Bytes list(type.begin(), type.end());
    list.insert(list.end(), data.begin(), data.end());
    chunk(body, "LIST", list);
  }
  Bytes file;
  chunk(file, "RIFF", body);
  return file;
}

// A SoundFont whose frame is whole and whose preset data is rubbish: it passes the check at
// start-up and fails to load.
inline Bytes BrokenSoundFont() {
  return SoundFontFile({{"INFO", {'i', 'f', 'i', 'l', 4, 0, 0, 0, 2, 0, 1, 0}},
                        {"sdta", {}},
                        {"pdta", {'p', 'h', 'd', 'r', 10, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}}});
}

inline std::vector<float> Sine(double hz, double amplitude, size_t frames) {
  std::vector<float> s(frames);
  for (size_t i = 0; i < frames; ++i) s[i] = static_cast<float>(amplitude * std::sin(2 * std::numbers::pi * hz * i / kRate));
  return s;
}

}  // namespace music_test

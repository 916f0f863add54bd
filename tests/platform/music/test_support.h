// Standard MIDI Files built byte by byte, a scratch folder, and measurements of rendered sound.
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

namespace music_test {

using Bytes = std::vector<uint8_t>;

inline void Append(Bytes& b, std::initializer_list<uint8_t> raw) { b.insert(b.end(), raw.begin(), raw.end()); }

inline void Vlq(Bytes& b, uint32_t v) {
  uint8_t tmp[5];
  int n = 0;
  do {
    tmp[n++] = v & 0x7F;
    v >>= 7;
  } while (v);
  while (n > 1) b.push_back(tmp[--n] | 0x80);
  b.push_back(tmp[0]);
}

inline void Be(Bytes& b, uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// One track's events: each is a delta time and the raw bytes that follow it.
struct Track {
  Bytes bytes;
  Track& At(uint32_t delta, std::initializer_list<uint8_t> raw) {
    Vlq(bytes, delta);
    Append(bytes, raw);
    return *this;
  }
  Track& Tempo(uint32_t delta, uint32_t microsPerQuarter) {
    Vlq(bytes, delta);
    Append(bytes, {0xFF, 0x51, 0x03});
    Be(bytes, microsPerQuarter, 3);
    return *this;
  }
  Track& End(uint32_t delta = 0) { return At(delta, {0xFF, 0x2F, 0x00}); }
};

inline Bytes Smf(int format, int division, const std::vector<Track>& tracks) {
  Bytes b;
  Append(b, {'M', 'T', 'h', 'd', 0, 0, 0, 6});
  Be(b, format, 2);
  Be(b, static_cast<uint32_t>(tracks.size()), 2);
  Be(b, division, 2);
  for (const auto& t : tracks) {
    Append(b, {'M', 'T', 'r', 'k'});
    Be(b, static_cast<uint32_t>(t.bytes.size()), 4);
    b.insert(b.end(), t.bytes.begin(), t.bytes.end());
  }
  return b;
}

// One note at the start: with 480 ticks per quarter and the default tempo a tick is 1/960 s.
inline Bytes OneNote(int key, uint32_t noteTicks, uint32_t endTicks, uint8_t program = 0) {
  Track t;
  t.At(0, {0xC0, program}).At(0, {0x90, static_cast<uint8_t>(key), 100});
  t.At(noteTicks, {0x80, static_cast<uint8_t>(key), 0}).End(endTicks - noteTicks);
  return Smf(0, 480, {t});
}

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

constexpr double kRate = 44100;

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

inline std::vector<float> Sine(double hz, double amplitude, size_t frames) {
  std::vector<float> s(frames);
  for (size_t i = 0; i < frames; ++i) s[i] = static_cast<float>(amplitude * std::sin(2 * std::numbers::pi * hz * i / kRate));
  return s;
}

}  // namespace music_test

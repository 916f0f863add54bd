// Rendering cost of the sound platform and how soon a started segment sounds.
//
//   music_bench --benchmark_filter=Render   x_realtime: seconds of audio rendered per second
//   music_bench --benchmark_filter=Play     frames from PlaySegmentEx to the first non-zero sample
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/basic/clock.h"
#include "platform/music/music.h"
#include "platform/music/midi_bytes.h"

using namespace music;
using namespace music_test;

namespace {

// A bar of four-part chords on three channels, looping.
Bytes Chords() {
  Track t;
  t.At(0, {0xC0, 0}).At(0, {0xC1, 48}).At(0, {0xC2, 33});
  const uint8_t roots[] = {48, 53, 55, 48};
  for (uint8_t root : roots) {
    t.At(0, {0x90, root, 90}).At(0, {0x90, static_cast<uint8_t>(root + 4), 90});
    t.At(0, {0x91, static_cast<uint8_t>(root + 7), 80}).At(0, {0x91, static_cast<uint8_t>(root + 12), 80});
    t.At(0, {0x92, static_cast<uint8_t>(root - 12), 100});
    t.At(460, {0x80, root, 0}).At(0, {0x80, static_cast<uint8_t>(root + 4), 0});
    t.At(0, {0x81, static_cast<uint8_t>(root + 7), 0}).At(0, {0x81, static_cast<uint8_t>(root + 12), 0});
    t.At(0, {0x82, static_cast<uint8_t>(root - 12), 0});
    t.At(20, {0xFF, 0x01, 0x00});
  }
  t.End();
  return Smf(0, 480, {t});
}

// The MIDI file lives only while the segment is loaded.
std::shared_ptr<DirectMusicSegment8> LoadBytes(DirectX8& dx, const Bytes& bytes) {
  auto path = std::filesystem::temp_directory_path() / ("stavelark-bench-" + std::to_string(getpid()) + ".mid");
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  auto segment = dx.DirectMusicLoaderCreate()->LoadSegment(path.string());
  std::filesystem::remove(path);
  segment->SetStandardMidiFile();
  return segment;
}

struct Offline {
  explicit Offline(int32_t pathType) : dx(CreateDirectX8(clock, {OutputMode::Offline, {}})) {
    perf = dx->DirectMusicPerformanceCreate();
    DMUS_AUDIOPARAMS params;
    perf->InitAudio(0, DMUS_AUDIOF_ALL, params, nullptr, pathType, 128);
  }
  basic::SteadyClock clock;
  std::shared_ptr<DirectX8> dx;
  std::shared_ptr<DirectMusicPerformance8> perf;
};

// All eight effects in chain order with the effects dialog's defaults.
void AllEffects(DirectMusicPerformance8& perf) {
  auto path = perf.GetDefaultAudioPath();
  auto buffer = path->GetObjectInPath(DMUS_PCHANNEL_ALL, DMUS_PATH_BUFFER, 0, "GUID_ALL_OBJECTS", 0,
                                      "IID_IDirectSoundBuffer8");
  const char* classes[] = {"GUID_DSFX_STANDARD_DISTORTION", "GUID_DSFX_STANDARD_ECHO",
                           "GUID_DSFX_STANDARD_CHORUS",     "GUID_DSFX_STANDARD_FLANGER",
                           "GUID_DSFX_STANDARD_COMPRESSOR", "GUID_DSFX_STANDARD_GARGLE",
                           "GUID_DSFX_STANDARD_PARAMEQ",    "GUID_DSFX_WAVES_REVERB"};
  std::vector<DSEFFECTDESC> descs;
  for (const char* c : classes) descs.push_back({0, c, 0, 0});
  std::vector<int32_t> results;
  path->Activate(false);
  buffer->SetFX(8, descs, results);
  auto get = [&](const char* c, const char* i) { return buffer->GetObjectInPath(c, 0, i); };
  std::dynamic_pointer_cast<DirectSoundFXEcho8>(get(classes[1], "IID_DirectSoundFXEcho"))->SetAllParameters({8, 8, 8, 8, 1});
  std::dynamic_pointer_cast<DirectSoundFXParamEq8>(get(classes[6], "IID_DirectSoundFXParamEq"))
      ->SetAllParameters({2960, 6, 10});
  std::dynamic_pointer_cast<DirectSoundFXChorus8>(get(classes[2], "IID_DirectSoundFXChorus"))
      ->SetAllParameters({23, 24, -54, 2, 1, 4, 0});
  std::dynamic_pointer_cast<DirectSoundFXDistortion8>(get(classes[0], "IID_DirectSoundFXDistortion"))
      ->SetAllParameters({-41, 23, 1940, 200, 2100});
  std::dynamic_pointer_cast<DirectSoundFXGargle8>(get(classes[5], "IID_DirectSoundFXGargle"))->SetAllParameters({190, 1});
  std::dynamic_pointer_cast<DirectSoundFXWavesReverb8>(get(classes[7], "IID_DirectSoundFXWavesReverb"))
      ->SetAllParameters({-24, -24, 2300, 0.769f});
  std::dynamic_pointer_cast<DirectSoundFXCompressor8>(get(classes[4], "IID_DirectSoundFXCompressor"))
      ->SetAllParameters({32, 312, 2280, -15, 78, 3});
  std::dynamic_pointer_cast<DirectSoundFXFlanger8>(get(classes[3], "IID_DirectSoundFXFlanger"))
      ->SetAllParameters({76, 77, 50, 7, 1, 3, 3});
  path->Activate(true);
}

// One second of the looping chords per iteration.
void Render(benchmark::State& state, bool effects) {
  Offline o(DMUS_APATH_SHARED_STEREOPLUSREVERB);
  if (effects) AllEffects(*o.perf);
  auto segment = LoadBytes(*o.dx, Chords());
  segment->SetRepeats(-1);
  o.perf->PlaySegmentEx(segment, DMUS_SEGF_DEFAULT, 0, nullptr, nullptr);
  for (auto _ : state) benchmark::DoNotOptimize(RenderOffline(*o.perf, kSampleRate));
  state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_RenderAllEightEffects(benchmark::State& state) { Render(state, true); }
void BM_RenderWithoutEffects(benchmark::State& state) { Render(state, false); }

// From PlaySegmentEx to the first non-zero sample, rendering as an output period of 256 frames
// would; the play is issued at a random point of the synthesizer's 64-frame block.
void BM_PlayToFirstSound(benchmark::State& state) {
  Offline o(DMUS_APATH_DYNAMIC_STEREO);
  auto segment = LoadBytes(*o.dx, OneNote(60, 96, 96));
  std::mt19937 random(7);
  double total = 0, worst = 0;
  for (auto _ : state) {
    state.PauseTiming();
    o.perf->StopEx(nullptr, 0, 0);
    RenderOffline(*o.perf, 3 * kSampleRate + static_cast<int>(random() % 64));  // the release dies away
    state.ResumeTiming();
    o.perf->PlaySegmentEx(segment, DMUS_SEGF_DEFAULT, 0, nullptr, nullptr);
    int frames = -1, rendered = 0;
    while (frames < 0 && rendered < kSampleRate) {
      std::vector<float> period = RenderOffline(*o.perf, 256);
      for (int i = 0; i < 256; ++i)
        if (period[2 * i] != 0 || period[2 * i + 1] != 0) {
          frames = rendered + i;
          break;
        }
      rendered += 256;
    }
    total += frames;
    worst = std::max<double>(worst, frames);
  }
  state.counters["frames"] = total / state.iterations();
  state.counters["frames_worst"] = worst;
}

}  // namespace

BENCHMARK(BM_RenderAllEightEffects)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderWithoutEffects)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlayToFirstSound)->Iterations(20)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();

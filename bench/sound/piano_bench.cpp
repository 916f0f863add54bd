// The on-screen piano on the real sound platform (rendering offline, so the output's own
// timing stays out of the figures):
//
//   piano_bench --benchmark_filter=Click   time from Piano_Click to the segment playing: the
//                                          note file written, loaded, the chain rebuilt, started
//   piano_bench --benchmark_filter=First   frames from the key to the first audible sample of
//                                          the rendered stream (what the output's queue adds
//                                          comes on top: tools/sound_check measures the whole)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

#include "editor/form1.h"
#include "editor/program.h"
#include "platform/forms/headless/headless_system.h"
#include "platform/music/music.h"
#include "sound/piano.h"
#include "sound/sound_engine.h"

namespace {

constexpr int kPeriodFrames = 256;  // rendered a period at a time, as an output asks for it

// A started program whose sound platform renders only when asked. It makes its own private
// folder for the note files, as the program does.
struct OfflineProgram {
  OfflineProgram() {
    stavelark::ProgramServices services;
    services.createDirectX = [this] {
      return music::CreateDirectX8(system.Clock(), {music::OutputMode::Offline, {}});
    };
    program = std::make_unique<stavelark::Program>(system, std::move(services));
    program->Form1();
  }
  std::vector<float> Render(int frames) { return music::RenderOffline(*program->SoundEngine().Perf, frames); }
  stavelark::Globals& G() { return program->G; }

  forms::headless::HeadlessSystem system;
  std::unique_ptr<stavelark::Program> program;
};

void ClickToPlaying(benchmark::State& state, bool record) {
  OfflineProgram o;
  o.G().RecordOn = record;
  int key = 0;
  for (auto _ : state) {
    o.program->PianoKeys().Piano_Click(key);
    state.PauseTiming();
    key = (key + 1) % 15;
    o.G().NoteCount[0] = 0;
    o.Render(kPeriodFrames);  // the audio side takes the new song, as it would in real time
    state.ResumeTiming();
  }
}

void BM_PianoClickToPlaying(benchmark::State& state) { ClickToPlaying(state, false); }
void BM_PianoClickToPlayingRecording(benchmark::State& state) { ClickToPlaying(state, true); }

// From the key to the first sample of its note above -60 dB full scale, in frames of the
// rendered stream. The key comes at a random point of the
// synthesizer's 64-frame block; the stream is rendered a period at a time.
void BM_KeyToFirstSound(benchmark::State& state) {
  OfflineProgram o;
  o.G().RecordOn = false;
  std::mt19937 random(11);
  double audibleTotal = 0, audibleWorst = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto& engine = o.program->SoundEngine();
    if (engine.PlayingSegment) engine.Perf->StopEx(engine.PlayingSegment, 0, 0);
    o.Render(3 * music::kSampleRate + static_cast<int>(random() % 64));  // the release dies away
    state.ResumeTiming();
    o.program->PianoKeys().Piano_Click(1);
    int audible = -1, rendered = 0;
    while (audible < 0 && rendered < music::kSampleRate) {
      std::vector<float> period = o.Render(kPeriodFrames);
      for (int i = 0; i < kPeriodFrames && audible < 0; ++i) {
        const float level = std::max(std::fabs(period[2 * i]), std::fabs(period[2 * i + 1]));
        if (level >= 1e-3f) audible = rendered + i;
      }
      rendered += kPeriodFrames;
    }
    audibleTotal += audible;
    audibleWorst = std::max<double>(audibleWorst, audible);
  }
  const double n = static_cast<double>(state.iterations());
  const double msPerFrame = 1000.0 / music::kSampleRate;
  state.counters["audible_frames"] = audibleTotal / n;
  state.counters["audible_frames_worst"] = audibleWorst;
  state.counters["audible_ms"] = audibleTotal / n * msPerFrame;
}

}  // namespace

BENCHMARK(BM_PianoClickToPlaying)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PianoClickToPlayingRecording)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeyToFirstSound)->Iterations(20)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();

// The largest composition the model holds (4 tracks of 10,001 notes) through the writers.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "sound/midi_writer.h"

namespace {

using stavelark::Globals;

std::unique_ptr<Globals> FullComposition() {
  auto g = std::make_unique<Globals>();
  for (int t = 0; t < stavelark::kTracks; ++t) {
    g->NoteCount[t] = stavelark::kMaxNotes;
    for (int p = 0; p < stavelark::kMaxNotes; ++p) {
      const int code = (p * 7 + t * 3) % 26;
      g->NotePitch[t][p] = code == 25 ? stavelark::kRestPitch : static_cast<int16_t>(code);
      g->NoteDuration[t][p] = static_cast<uint8_t>((p + t) % 6);
      g->NoteVol[t][p] = static_cast<uint8_t>(1 + p % 127);
    }
  }
  g->ComputeScoreLength();
  return g;
}

const std::string kCredit = stavelark::CompositionCreditText("(c)2010", "Orlemund", "Untitled");

void BM_BuildCompositionFile(benchmark::State& state) {
  auto g = FullComposition();
  for (auto _ : state) {
    auto bytes = stavelark::BuildCompositionFile(*g, 0, 3, 0, g->ScoreLength, kCredit);
    benchmark::DoNotOptimize(bytes.data());
    state.SetBytesProcessed(state.bytes_processed() + static_cast<int64_t>(bytes.size()));
  }
}
BENCHMARK(BM_BuildCompositionFile)->Unit(benchmark::kMillisecond);

void BM_BuildCompositionFileAndMidiHex(benchmark::State& state) {
  auto g = FullComposition();
  for (auto _ : state) {
    auto bytes = stavelark::BuildCompositionFile(*g, 0, 3, 0, g->ScoreLength, kCredit);
    g->MidiHex = stavelark::MidiHexOf(bytes);
    benchmark::DoNotOptimize(g->MidiHex.data());
  }
}
BENCHMARK(BM_BuildCompositionFileAndMidiHex)->Unit(benchmark::kMillisecond);

// The whole WriteMidiFile path without its wait: build, hex image, temporary file, rename.
void BM_WriteCompositionFileTo(benchmark::State& state) {
  auto g = FullComposition();
  const std::string path =
      (std::filesystem::temp_directory_path() /
       ("stavelark_bench_" + std::to_string(::getpid()) + ".mid")).string();
  for (auto _ : state)
    stavelark::WriteCompositionFileTo(*g, path, 0, 3, 0, g->ScoreLength, kCredit, {});
  std::filesystem::remove(path);
}
BENCHMARK(BM_WriteCompositionFileTo)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// The largest composition (4 tracks of 10,001 notes, 10,001 lyrics) through Save and Open of a
// headless program, and through the project file's writer and reader alone.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "editor/form1.h"
#include "editor/program.h"
#include "glidebar/identity.h"
#include "platform/com/registration.h"
#include "platform/forms/headless/headless_system.h"
#include "platform/music/recording_music.h"
#include "platform/store/registry.h"
#include "platform/store/settings.h"
#include "project/msf_format.h"

namespace {

using stavelark::Globals;

void FillLargest(Globals& g) {
  for (int t = 0; t < stavelark::kTracks; ++t) {
    g.NoteCount[t] = stavelark::kMaxNotes;
    for (int p = 0; p < stavelark::kMaxNotes; ++p) {
      const int code = (p * 7 + t * 3) % 26;
      g.NotePitch[t][p] = code == 25 ? stavelark::kRestPitch : static_cast<int16_t>(code);
      g.NoteDuration[t][p] = static_cast<uint8_t>((p + t) % 6);
      g.NoteVol[t][p] = static_cast<uint8_t>(1 + p % 127);
    }
  }
  for (int p = 0; p < stavelark::kPositions; ++p) g.Lyrics[p] = "la" + std::to_string(p % 100);
}

// A started program on the headless window system, with a folder of its own and the volume
// slider's class registered, as installed.
class HeadlessProgram {
 public:
  HeadlessProgram() {
    char pattern[] = "/tmp/stavelark-bench-XXXXXX";
    const char* dir = ::mkdtemp(pattern);
    root_ = dir ? dir : "/tmp";
    std::filesystem::create_directories(root_ / "temp");
    com::RegisterControl(registry_, glidebar::kRegistration, GLIDEBAR_LIBRARY);
    sys_.AppPath = root_.string();
    stavelark::ProgramServices services;
    services.createDirectX = [this] { return recorder_.CreateDirectX8(); };
    services.settings = &settings_;
    services.registry = &registry_;
    services.tempFolder = root_ / "temp";
    services.dataHome = root_ / "data";
    program_ = std::make_unique<stavelark::Program>(sys_, std::move(services));
    program_->Form1();
  }
  ~HeadlessProgram() {
    program_.reset();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  stavelark::Program& P() { return *program_; }
  forms::headless::HeadlessSystem& Sys() { return sys_; }
  std::string Path(const std::string& name) const { return (root_ / name).string(); }

  // Save, as a user does it: the file dialog, then Yes to replacing the file already there.
  void Save(const std::string& path) {
    sys_.AnswerFileDialog(path);
    if (std::filesystem::exists(path)) sys_.AnswerMsgBox(forms::mb::Yes);
    sys_.ChooseMenu(program_->Form1().Save);
  }
  // Empty when every dialog went as scripted; else what did not.
  std::string Unscripted() const {
    if (!sys_.UnexpectedDialogs().empty()) return "unexpected dialog: " + sys_.UnexpectedDialogs().front().prompt;
    if (!sys_.UnusedAnswers().empty()) return "unused answer: " + sys_.UnusedAnswers().front();
    return {};
  }

 private:
  forms::headless::HeadlessSystem sys_;
  music::MusicRecorder recorder_{sys_.Clock()};
  store::MemorySettingsStore settings_;
  store::Registry registry_;
  std::filesystem::path root_;
  std::unique_ptr<stavelark::Program> program_;
};

// Each save replaces the file the one before wrote.
void BM_SaveLargest(benchmark::State& state) {
  HeadlessProgram h;
  FillLargest(h.P().G);
  const std::string path = h.Path("largest.msf");
  h.Save(path);
  for (auto _ : state) {
    h.P().G.Modified = true;
    h.Save(path);
    if (h.P().G.Modified) {
      state.SkipWithError("the save did not complete");
      break;
    }
  }
  if (const std::string wrong = h.Unscripted(); !wrong.empty()) state.SkipWithError(wrong.c_str());
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}
BENCHMARK(BM_SaveLargest)->Unit(benchmark::kMillisecond);

void BM_OpenLargest(benchmark::State& state) {
  HeadlessProgram h;
  FillLargest(h.P().G);
  const std::string path = h.Path("largest.msf");
  h.Save(path);
  for (auto _ : state) {
    h.Sys().AnswerFileDialog(path);
    h.Sys().ChooseMenu(h.P().Form1().Open);
  }
  if (h.P().G.NoteCount[3] != stavelark::kMaxNotes) state.SkipWithError("the file did not open");
  if (const std::string wrong = h.Unscripted(); !wrong.empty()) state.SkipWithError(wrong.c_str());
}
BENCHMARK(BM_OpenLargest)->Unit(benchmark::kMillisecond);

void BM_BuildProjectFile(benchmark::State& state) {
  auto g = std::make_unique<Globals>();
  FillLargest(*g);
  for (auto _ : state) {
    std::string image = stavelark::BuildProjectFile(*g, {});
    benchmark::DoNotOptimize(image.data());
  }
}
BENCHMARK(BM_BuildProjectFile)->Unit(benchmark::kMillisecond);

void BM_ReadProjectFile(benchmark::State& state) {
  auto g = std::make_unique<Globals>();
  FillLargest(*g);
  const std::string image = stavelark::BuildProjectFile(*g, {});
  for (auto _ : state) {
    stavelark::ProjectRead read = stavelark::ReadProjectFile(image);
    benchmark::DoNotOptimize(read.lyrics.data());
  }
}
BENCHMARK(BM_ReadProjectFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

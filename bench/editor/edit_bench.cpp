// The heaviest editing commands on the largest composition, on the real main window (Qt
// backend, offscreen platform): Insert and Delete on all four tracks of 10,000 notes at
// position 0 (every note and every lyric moves, then the score is redrawn), and filling four
// empty tracks to 10,000 notes with 500 pastes of a 4 x 20 clip (a Repeat of 500).
#include <benchmark/benchmark.h>

#include <QEvent>
#include <QObject>

#include "editor/mouse_input.h"
#include "editor/score_display.h"
#include "editor/structural_editing.h"
#include "support/qt_program.h"

namespace {

constexpr int kNotes = 10000;

struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// Four tracks of kNotes varied notes, and a lyric at every position.
void FillScore(stavelark::Globals& g) {
  for (int t = 0; t < stavelark::kTracks; ++t) {
    g.NoteCount[t] = kNotes;
    for (int p = 0; p < stavelark::kPositions; ++p) {
      g.NotePitch[t][p] = static_cast<int16_t>((p * 7 + t * 3) % 25);
      g.NoteDuration[t][p] = static_cast<uint8_t>((p + t) % 6);
      g.NoteVol[t][p] = static_cast<uint8_t>(60 + (p * 13) % 68);
    }
  }
  for (int p = 0; p < stavelark::kPositions; ++p) g.Lyrics[p] = "la" + std::to_string(p % 1000);
}

void ResetCounts(stavelark::Globals& g, int count) {
  for (int t = 0; t < stavelark::kTracks; ++t) g.NoteCount[t] = static_cast<int16_t>(count);
}

// Edit > Insert with the 20 visible columns of all four tracks selected (Select All).
void BM_InsertAllTracksAtStart(benchmark::State& state) {
  stavelark_test::QtProgram app;
  stavelark::Globals& g = app.P().G;
  FillScore(g);
  for (auto _ : state) {
    state.PauseTiming();
    ResetCounts(g, kNotes);
    app.P().MouseInput().SelectAll_Click();
    stavelark_test::QtProgram::Pump();
    state.ResumeTiming();
    app.F().Insert.RaiseClick();
  }
  if (g.NoteCount[3] != kNotes + 1) state.SkipWithError("the insert did not happen");
}
BENCHMARK(BM_InsertAllTracksAtStart)->Unit(benchmark::kMicrosecond);

// The same, until the main window has painted the result.
void BM_InsertAllTracksAtStartAndRepaint(benchmark::State& state) {
  stavelark_test::QtProgram app;
  stavelark::Globals& g = app.P().G;
  FillScore(g);
  PaintCounter counter;
  app.Canvas()->installEventFilter(&counter);
  for (auto _ : state) {
    state.PauseTiming();
    ResetCounts(g, kNotes);
    app.P().MouseInput().SelectAll_Click();
    stavelark_test::QtProgram::Pump();
    const int before = counter.paints;
    state.ResumeTiming();
    app.F().Insert.RaiseClick();
    while (counter.paints == before) QCoreApplication::processEvents();
  }
  app.Canvas()->removeEventFilter(&counter);
  if (g.NoteCount[3] != kNotes + 1) state.SkipWithError("the insert did not happen");
}
BENCHMARK(BM_InsertAllTracksAtStartAndRepaint)->Unit(benchmark::kMicrosecond);

// Edit > Delete of the 20 visible columns of all four tracks.
void BM_DeleteAllTracksAtStart(benchmark::State& state) {
  stavelark_test::QtProgram app;
  stavelark::Globals& g = app.P().G;
  FillScore(g);
  for (auto _ : state) {
    state.PauseTiming();
    ResetCounts(g, kNotes);
    app.P().MouseInput().SelectAll_Click();
    stavelark_test::QtProgram::Pump();
    state.ResumeTiming();
    app.F().Delete.RaiseClick();
  }
  if (g.NoteCount[3] != kNotes - stavelark::kColumns) state.SkipWithError("the delete did not happen");
}
BENCHMARK(BM_DeleteAllTracksAtStart)->Unit(benchmark::kMicrosecond);

// 500 pastes of a 4 x 20 clip at the end of four empty tracks: what Repeat 500 runs.
void BM_Paste500Times(benchmark::State& state) {
  stavelark_test::QtProgram app;
  stavelark::Globals& g = app.P().G;
  FillScore(g);
  app.P().MouseInput().SelectAll_Click();
  app.F().copy.RaiseClick();
  for (auto _ : state) {
    state.PauseTiming();
    ResetCounts(g, 0);
    g.ActiveTrack = 0;
    app.P().ScoreDisplay().RedrawScore();
    stavelark_test::QtProgram::Pump();
    state.ResumeTiming();
    for (int i = 0; i < kNotes / stavelark::kColumns; ++i) app.F().paste.RaiseClick();
  }
  if (g.NoteCount[3] != kNotes) state.SkipWithError("the pastes did not fill the tracks");
}
BENCHMARK(BM_Paste500Times)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

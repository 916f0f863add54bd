// Redrawing the whole score on the real main window (Qt backend, offscreen platform): every
// one of the 80 display cells shows a note, and each redraw scrolls by one position, so every
// glyph moves and many change shape.
#include <benchmark/benchmark.h>

#include <QEvent>
#include <QObject>

#include "editor/score_display.h"
#include "support/qt_program.h"

namespace {

// Counts the paints of a widget.
struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// Four full tracks of varied notes: every duration, sharps, rests, all pitches.
void FillScore(stavelark::Globals& g) {
  for (int t = 0; t < stavelark::kTracks; ++t) {
    g.NoteCount[t] = 200;
    for (int p = 0; p < 200; ++p) {
      const bool rest = (p + t) % 9 == 8;
      g.NotePitch[t][p] = static_cast<int16_t>(rest ? stavelark::kRestPitch : (p * 7 + t * 3) % 25);
      g.NoteDuration[t][p] = static_cast<uint8_t>(rest ? 7 : (p + t) % 6);
      g.NoteVol[t][p] = static_cast<uint8_t>(60 + (p * 13) % 68);
    }
  }
  for (int p = 0; p < 200; ++p) g.Lyrics[p] = "la" + std::to_string(p);
}

// RedrawScore alone: the program's side, the window system told of every change.
void BM_RedrawScore(benchmark::State& state) {
  stavelark_test::QtProgram app;
  stavelark::Globals& g = app.P().G;
  FillScore(g);
  stavelark::ScoreDisplay& display = app.P().ScoreDisplay();
  int step = 0;
  for (auto _ : state) {
    g.SetScrollPos(step++ % 2);
    display.RedrawScore();
    state.PauseTiming();
    stavelark_test::QtProgram::Pump();  // the repaints, outside the measure
    state.ResumeTiming();
  }
}
BENCHMARK(BM_RedrawScore)->Unit(benchmark::kMicrosecond);

// RedrawScore and the repaint of the main window that follows it, until painted.
void BM_RedrawScoreAndRepaint(benchmark::State& state) {
  stavelark_test::QtProgram app;
  stavelark::Globals& g = app.P().G;
  FillScore(g);
  stavelark::ScoreDisplay& display = app.P().ScoreDisplay();
  QWidget* canvas = app.Canvas();
  PaintCounter counter;
  canvas->installEventFilter(&counter);
  stavelark_test::QtProgram::Pump();
  int step = 0;
  for (auto _ : state) {
    g.SetScrollPos(step++ % 2);
    const int before = counter.paints;
    display.RedrawScore();
    while (counter.paints == before) QCoreApplication::processEvents();
  }
  canvas->removeEventFilter(&counter);
}
BENCHMARK(BM_RedrawScoreAndRepaint)->Unit(benchmark::kMicrosecond);

// A redraw that changes nothing (the view and the notes as they were).
void BM_RedrawScoreUnchanged(benchmark::State& state) {
  stavelark_test::QtProgram app;
  stavelark::Globals& g = app.P().G;
  FillScore(g);
  stavelark::ScoreDisplay& display = app.P().ScoreDisplay();
  display.RedrawScore();
  stavelark_test::QtProgram::Pump();
  for (auto _ : state) display.RedrawScore();
}
BENCHMARK(BM_RedrawScoreUnchanged)->Unit(benchmark::kMicrosecond);

// For comparison: the window system's repaint of the score's area alone, with the 80 notes
// shown and nothing changed.
void BM_RepaintScoreArea(benchmark::State& state) {
  stavelark_test::QtProgram app;
  FillScore(app.P().G);
  app.P().ScoreDisplay().RedrawScore();
  stavelark_test::QtProgram::Pump();
  QWidget* canvas = app.Canvas();
  // From the lyric row down to the scroll thumb, across the staves (twips / 15).
  const QRect area(0, 360 / 15, 11000 / 15, (7455 - 360) / 15);
  for (auto _ : state) canvas->repaint(area);
}
BENCHMARK(BM_RepaintScoreArea)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

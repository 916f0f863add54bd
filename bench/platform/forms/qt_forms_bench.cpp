// The Qt backend's costs under the offscreen platform: a DoEvents wait loop's CPU use, making
// a form of a thousand windowless controls, and redrawing a score's worth of them.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <ctime>
#include <memory>
#include <vector>

#include "platform/forms/forms.h"
#include "platform/forms/qt/qt_system.h"

namespace {

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Counts the paints of a widget.
struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// A main window like the program's: 12 arrays of 81 glyph labels, staff lines, shapes.
struct ScoreForm {
  explicit ScoreForm(forms::QtSystem& system) : form(system, "Score") {
    form.Caption = "Score";
    form.BackColor = 0xFFFFFF;
    form.SetClientSize(14550, 10320);
    for (int row = 0; row < 12; ++row)
      for (int i = 0; i < 81; ++i) {
        auto& g = form.Add<forms::Label>("Glyph" + std::to_string(row));
        g.Move(150 + i * 170, 300 + row * 800, 165, 300);
        g.Caption = "q";
        g.BackStyle = forms::BackStyle::Transparent;
        glyphs.push_back(&g);
      }
    for (int i = 0; i < 60; ++i) {
      auto& l = form.Add<forms::Line>("Staff");
      l.X1 = 150, l.X2 = 14000, l.Y1 = l.Y2 = 300 + i * 160;
    }
  }
  forms::Form form;
  std::vector<forms::Label*> glyphs;
};

// A nested wait as the program's one-second wait runs it: DoEvents until a timer's tick
// clears the flag. (DoEvents sleeps until something happens, so a loop with nothing to wake
// it would never end.)
void BM_DoEventsWaitLoop(benchmark::State& state) {
  forms::QtSystem system;
  for (auto _ : state) {
    const double cpu0 = ProcessCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    bool waiting = true;
    QTimer::singleShot(1000, [&waiting] { waiting = false; });
    long calls = 0;
    while (waiting) {
      system.DoEvents();
      ++calls;
    }
    const double cpu = ProcessCpuSeconds() - cpu0;
    state.counters["cpu_percent_of_one_core"] = 100.0 * cpu / (static_cast<double>(wall.elapsed()) / 1000.0);
    state.counters["DoEvents_calls"] = static_cast<double>(calls);
  }
}
BENCHMARK(BM_DoEventsWaitLoop)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CreateFormWith1000WindowlessControls(benchmark::State& state) {
  forms::QtSystem system;
  for (auto _ : state) {
    ScoreForm score(system);
    score.form.Show();
    QWidget* canvas = system.CanvasOf(score.form);
    PaintCounter counter;
    canvas->installEventFilter(&counter);
    while (counter.paints == 0) QCoreApplication::processEvents();
    canvas->removeEventFilter(&counter);
    state.counters["controls"] = static_cast<double>(score.form.Controls().size());
  }
}
BENCHMARK(BM_CreateFormWith1000WindowlessControls)->Unit(benchmark::kMillisecond);

void BM_Change1000PropertiesAndRepaint(benchmark::State& state) {
  forms::QtSystem system;
  ScoreForm score(system);
  score.form.Show();
  QWidget* canvas = system.CanvasOf(score.form);
  PaintCounter counter;
  canvas->installEventFilter(&counter);
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  int step = 0;
  for (auto _ : state) {
    ++step;
    // A full score redraw: every glyph moves a little and changes its character.
    for (size_t i = 0; i < score.glyphs.size(); ++i) {
      forms::Label& g = *score.glyphs[i];
      g.Top = 300 + static_cast<double>(i / 81) * 800 + (step % 2) * 45;
      if (i % 4 == 0) g.Caption = step % 2 ? "h" : "q";
    }
    const int before = counter.paints;
    while (counter.paints == before) QCoreApplication::processEvents();
  }
  canvas->removeEventFilter(&counter);
}
BENCHMARK(BM_Change1000PropertiesAndRepaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

// The real main window (Qt backend, offscreen) as a user meets it: each control at its designed
// place in its designed colours, and the mouse on the score, the sliders and the lyric row.
#include <gmock/gmock.h>

#include <QCursor>
#include <QIcon>
#include <QImage>
#include <cstdlib>

#include "editor/score_display.h"
#include "platform/forms/qt/qt_paint.h"
#include "support/qt_input.h"
#include "support/qt_program.h"

namespace stavelark_test {
namespace {

using forms::qtbackend::Px;
using forms::qtbackend::PxRect;
using ::testing::ElementsAre;

// Pixels of `r` within 40 of `c` (0x00BBGGRR, as the screen shows it) in each channel.
int Count(const QImage& img, const QRect& r, forms::Color c) {
  const int want[3] = {int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)};
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      const QColor p = img.pixelColor(x, y);
      n += std::abs(p.red() - want[0]) <= 40 && std::abs(p.green() - want[1]) <= 40 &&
           std::abs(p.blue() - want[2]) <= 40;
    }
  return n;
}

class MainWindowQtTest : public ::testing::Test {
 protected:
  // Three quarter notes of pitch 5 at volume 100 in `track`, the score redrawn.
  void AddThree(int track) {
    stavelark::Globals& g = app.P().G;
    for (int pos = 0; pos < 3; ++pos) {
      g.NotePitch[track][pos] = 5;
      g.NoteDuration[track][pos] = 3;
      g.NoteVol[track][pos] = 100;
    }
    g.NoteCount[track] = 3;
    app.P().ScoreDisplay().RedrawScore();
  }

  QtProgram app;
};

TEST_F(MainWindowQtTest, EveryControlShowsAtItsDesignedPlaceInItsDesignedColours) {
  const QImage img = app.Grab();
  if (const char* out = std::getenv("STAVELARK_WINDOW_PNG")) img.save(out);
  stavelark::Form1& f = app.F();
  // What covers the designed rectangle (twips): at least `backShare` of it `back`, and at least
  // `ink` pixels of `fore`.
  struct Look {
    const char* what;
    double left, top, width, height, backShare;
    forms::Color back, fore;
    int ink;
  };
  const Look looks[] = {
      {"List4", 7920, 0, 2895, 315, 0.5, 0x000000, 0x0000FF, 15},
      {"TimeDisplay", 4560, 7680, 1095, 255, 0.5, 0x000000, 0x0000FF, 15},
      {"NoteNumDisplay", 4560, 7920, 1095, 255, 0.5, 0x000000, 0x0000FF, 3},
      {"RecButt", 3300, 105, 255, 165, 0.7, 0x0000FF, 0x0000FF, 0},
      {"PauseBar(0)", 4065, 55, 170, 70, 0.9, 0x808080, 0x808080, 0},
      {"PauseBar(1)", 4065, 215, 170, 70, 0.9, 0x808080, 0x808080, 0},
      {"StopBox", 4395, 75, 210, 210, 0.9, 0x808080, 0x808080, 0},
      {"Shape1 between palette entries", 1470, 7710, 75, 555, 0.9, 0x404040, 0x404040, 0},
      {"Bar(0)", 0, 1440, 255, 255, 0.3, 0xFFFFFF, 0x000000, 5},
      {"OctLabel(0)", 0, 1920, 255, 255, 0.3, 0xFFFFFF, 0x00C0C0, 5},
      {"Piano(0)", 195, 8595, 585, 600, 0.8, 0xCFF5FB, 0xCFF5FB, 0},
      {"Piano(16)", 1335, 8535, 465, 345, 0.6, 0x000000, 0x000000, 0},
      {"Line9", 2625, 9615, 45, 210, 0.0, 0xFFFFFF, 0x000000, 10},
  };
  for (const Look& l : looks) {
    const QRect r = PxRect(l.left, l.top, l.width, l.height);
    EXPECT_GE(static_cast<double>(Count(img, r, l.back)) / (r.width() * r.height()), l.backShare) << l.what;
    EXPECT_GE(Count(img, r, l.fore), l.ink) << l.what;
  }

  // The windowed controls lie exactly where their twips say.
  struct Place {
    forms::Control& control;
    double left, top, width, height;
  };
  const Place places[] = {
      {f.List4, 7920, 0, 2895, 315},        {f.DivControl, 6600, 7680, 2175, 495},
      {f.NoteVolume, 8760, 7680, 2175, 495}, {f.Piano[0], 120, 8520, 735, 1095},
      {f.Piano[15], 10920, 8520, 735, 1095}, {f.Piano[25], 9960, 8520, 495, 375},
  };
  for (const Place& p : places) {
    QWidget* w = app.Sys().WidgetOf(p.control);
    ASSERT_NE(w, nullptr) << p.control.Name();
    EXPECT_EQ(w->geometry(), PxRect(p.left, p.top, p.width, p.height)) << p.control.Name();
    EXPECT_TRUE(w->isVisible()) << p.control.Name();
  }

  // The window carries the icon in both its sizes.
  EXPECT_THAT(app.Sys().WindowOf(f)->windowIcon().availableSizes(),
              ::testing::IsSupersetOf({QSize(16, 16), QSize(32, 32)}));
}

// Presses, moves and releases on the canvas come back to back, the event loop not run between
// them: the press picks up the note though the pointer is already far away, and a rectangle
// released before the timer ticks still selects the block drawn.
TEST_F(MainWindowQtTest, GesturesSentBackToBackEndWhereTheButtonIsLetGo) {
  AddThree(1);
  stavelark::Globals& g = app.P().G;
  const forms::Shape& head = app.F().Music[22];  // track 1, column 2
  QWidget* canvas = app.Canvas();
  const QPoint onHead = QPoint(Px(head.Left()), Px(head.Top())) + QPoint(2, 2);
  QCursor::setPos(canvas->mapToGlobal(QPoint(600, 600)));  // where the pointer is when the press is handled
  Press(canvas, onHead);
  EXPECT_TRUE(g.Dragging);
  EXPECT_EQ(g.DragIndex, 22);
  MoveHeld(canvas, onHead + QPoint(0, -10));
  MoveHeld(canvas, QPoint(onHead.x(), 213));
  Release(canvas, QPoint(onHead.x(), 213));  // 3195 twips: ten steps above track 1's base
  QtProgram::Pump();
  EXPECT_EQ(g.NotePitch[1][2], 10);
  EXPECT_EQ(g.NotePitch[1][1], 5);
  EXPECT_FALSE(g.Dragging);

  Press(canvas, QPoint(73, 100));  // (1095, 1500) twips
  MoveHeld(canvas, QPoint(140, 160));
  MoveHeld(canvas, QPoint(206, 200));
  Release(canvas, QPoint(206, 200));  // (3090, 3000)
  QtProgram::Pump();
  EXPECT_TRUE(g.SelectionActive);
  std::vector<int> red;
  for (int c = 0; c < stavelark::kCells; ++c)
    if (app.F().Music[c].BorderColor() == 0xFF) red.push_back(c);
  EXPECT_THAT(red, ElementsAre(1, 2, 3, 4, 21, 22, 23, 24));
  EXPECT_FALSE(app.F().BufferEnd.Visible());
}

TEST_F(MainWindowQtTest, SliderDragsEndAtTheValueWhereTheHandleWasLetGo) {
  AddThree(0);
  stavelark::Globals& g = app.P().G;
  g.SelTrackFrom = g.SelTrackTo = 0;
  g.SelColFrom = 0, g.SelColTo = 2;
  app.P().ScoreDisplay().HighlightSelection();
  auto* volume = qobject_cast<QSlider*>(app.Sys().WidgetOf(app.F().NoteVolume));
  auto* tempo = qobject_cast<QSlider*>(app.Sys().WidgetOf(app.F().DivControl));
  ASSERT_TRUE(volume && tempo);

  DragHandle(volume, QPoint(-60, 0));
  QtProgram::Pump();
  const int v = app.F().NoteVolume.Value();
  EXPECT_LT(v, 80);
  EXPECT_EQ(volume->value(), v);
  EXPECT_EQ(g.NoteVolumeValue, v);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(g.NoteVol[0][i], v) << "the selected notes take the value the drag ended at";

  DragHandle(tempo, QPoint(50, 0));
  QtProgram::Pump();
  EXPECT_GT(app.F().DivControl.Value(), 80);
  EXPECT_EQ(g.Tempo, static_cast<float>(app.F().DivControl.Value()));
}

TEST_F(MainWindowQtTest, ALyricLongerThanItsBoxShowsItsStart) {
  auto shown = [this](const char* lyric) {
    app.P().G.Lyrics[0] = lyric;
    app.P().ScoreDisplay().RedrawScore();
    QtProgram::Pump();
    return app.Sys().WidgetOf(app.F().Lyric[0])->grab().toImage();
  };
  // The box's left edge shows the lyric's first letter, as it does for that letter alone.
  const QImage letter = shown("T"), lyric = shown("TRACK 2 of the tune");
  ASSERT_EQ(letter.size(), lyric.size());
  EXPECT_EQ(letter.copy(0, 0, 9, letter.height()), lyric.copy(0, 0, 9, lyric.height()));
}

}  // namespace
}  // namespace stavelark_test

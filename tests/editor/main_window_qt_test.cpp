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

using forms::qtbackend::PxRect;
using ::testing::ElementsAre;

bool Near(QColor a, QColor b) {
  return std::abs(a.red() - b.red()) <= 40 && std::abs(a.green() - b.green()) <= 40 && std::abs(a.blue() - b.blue()) <= 40;
}
// 0x00BBGGRR as the screen shows it.
QColor Colour(forms::Color c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

int Count(const QImage& img, const QRect& r, QColor c) {
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) n += Near(img.pixelColor(x, y), c);
  return n;
}

class MainWindowQtTest : public ::testing::Test {
 protected:
  void Add(int track, int count, int pitch, int volume = 100) {
    stavelark::Globals& g = app.P().G;
    for (int i = 0; i < count; ++i) {
      const int pos = g.NoteCount[track]++;
      g.NotePitch[track][pos] = static_cast<int16_t>(pitch);
      g.NoteDuration[track][pos] = 3;
      g.NoteVol[track][pos] = static_cast<uint8_t>(volume);
    }
    app.P().ScoreDisplay().RedrawScore();
  }
  std::vector<int> Volumes(int track) {
    stavelark::Globals& g = app.P().G;
    return std::vector<int>(g.NoteVol[track].begin(), g.NoteVol[track].begin() + g.NoteCount[track]);
  }
  std::vector<int> RedCells() {
    std::vector<int> out;
    for (int c = 0; c < stavelark::kCells; ++c)
      if (app.F().Music[c].BorderColor() == 0xFF) out.push_back(c);
    return out;
  }
  // Canvas pixels of a twips point.
  static QPoint At(double x, double y) { return QPoint(forms::qtbackend::Px(x), forms::qtbackend::Px(y)); }

  QtProgram app;
};

TEST_F(MainWindowQtTest, EveryControlShowsAtItsDesignedPlaceInItsDesignedColours) {
  const QImage img = app.Grab();
  if (const char* out = std::getenv("STAVELARK_WINDOW_PNG")) img.save(out);
  stavelark::Form1& f = app.F();
  // What covers the designed rectangle (twips): mostly `back`, with at least `ink` pixels of `fore`.
  struct Look {
    const char* what;
    double left, top, width, height;
    forms::Color back;
    double backShare;
    forms::Color fore;
    int ink;
  };
  const Look looks[] = {
      {"List4", 7920, 0, 2895, 315, 0x000000, 0.5, 0x0000FF, 15},
      {"TimeDisplay", 4560, 7680, 1095, 255, 0x000000, 0.5, 0x0000FF, 15},
      {"NoteNumDisplay", 4560, 7920, 1095, 255, 0x000000, 0.5, 0x0000FF, 3},
      {"RecButt", 3300, 105, 255, 165, 0x0000FF, 0.7, 0x0000FF, 0},
      {"PauseBar(0)", 4065, 55, 170, 70, 0x808080, 0.9, 0x808080, 0},
      {"PauseBar(1)", 4065, 215, 170, 70, 0x808080, 0.9, 0x808080, 0},
      {"StopBox", 4395, 75, 210, 210, 0x808080, 0.9, 0x808080, 0},
      {"Shape1 between palette entries", 1470, 7710, 75, 555, 0x404040, 0.9, 0x404040, 0},
      {"Bar(0)", 0, 1440, 255, 255, 0xFFFFFF, 0.3, 0x000000, 5},
      {"OctLabel(0)", 0, 1920, 255, 255, 0xFFFFFF, 0.3, 0x00C0C0, 5},
      {"Piano(0)", 195, 8595, 585, 600, 0xCFF5FB, 0.8, 0xCFF5FB, 0},
      {"Piano(16)", 1335, 8535, 465, 345, 0x000000, 0.6, 0x000000, 0},
      {"Line9", 2625, 9615, 45, 210, 0xFFFFFF, 0.0, 0x000000, 10},
  };
  for (const Look& l : looks) {
    const QRect r = PxRect(l.left, l.top, l.width, l.height);
    const double share = static_cast<double>(Count(img, r, Colour(l.back))) / (r.width() * r.height());
    EXPECT_GE(share, l.backShare) << l.what;
    EXPECT_GE(Count(img, r, Colour(l.fore)), l.ink) << l.what;
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
  const QList<QSize> sizes = app.Sys().WindowOf(f)->windowIcon().availableSizes();
  EXPECT_TRUE(sizes.contains(QSize(16, 16)));
  EXPECT_TRUE(sizes.contains(QSize(32, 32)));
}

TEST_F(MainWindowQtTest, APressFollowedAtOnceByAMovePicksUpTheNoteAndDropsItOnAnotherLine) {
  Add(1, 3, 5);
  const forms::Shape& head = app.F().Music[22];  // track 1, column 2
  QWidget* canvas = app.Canvas();
  const QPoint onHead = At(head.Left(), head.Top()) + QPoint(2, 2);
  // By the time the press is handled the pointer is already far away.
  QCursor::setPos(canvas->mapToGlobal(QPoint(600, 600)));
  Press(canvas, onHead);
  EXPECT_TRUE(app.P().G.Dragging);
  EXPECT_EQ(app.P().G.DragIndex, 22);
  MoveHeld(canvas, onHead + QPoint(0, -10));
  MoveHeld(canvas, QPoint(onHead.x(), 213));
  Release(canvas, QPoint(onHead.x(), 213));  // 3195 twips: ten steps above track 1's base
  QtProgram::Pump();
  EXPECT_EQ(app.P().G.NotePitch[1][2], 10);
  EXPECT_EQ(app.P().G.NotePitch[1][1], 5);
  EXPECT_FALSE(app.P().G.Dragging);
}

TEST_F(MainWindowQtTest, ARectangleReleasedBeforeTheTimerTicksSelectsTheBlockDrawn) {
  QWidget* canvas = app.Canvas();
  Press(canvas, QPoint(73, 100));  // (1095, 1500) twips
  MoveHeld(canvas, QPoint(140, 160));
  MoveHeld(canvas, QPoint(206, 200));
  Release(canvas, QPoint(206, 200));  // (3090, 3000)
  QtProgram::Pump();
  EXPECT_TRUE(app.P().G.SelectionActive);
  EXPECT_THAT(RedCells(), ElementsAre(1, 2, 3, 4, 21, 22, 23, 24));
  EXPECT_FALSE(app.F().BufferEnd.Visible());
}

TEST_F(MainWindowQtTest, SliderDragsEndAtTheValueWhereTheHandleWasLetGo) {
  Add(0, 3, 5, 100);
  stavelark::Globals& g = app.P().G;
  g.SelTrackFrom = g.SelTrackTo = 0;
  g.SelColFrom = 0;
  g.SelColTo = 2;
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
  EXPECT_THAT(Volumes(0), ElementsAre(v, v, v)) << "the selected notes take the value the drag ended at";

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
  const QImage letter = shown("T");
  const QImage lyric = shown("TRACK 2 of the tune");
  ASSERT_EQ(letter.size(), lyric.size());
  const QRect left(0, 0, 9, letter.height());
  EXPECT_EQ(letter.copy(left), lyric.copy(left));
}

}  // namespace
}  // namespace stavelark_test

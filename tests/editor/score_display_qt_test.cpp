// The score as the real main window paints it (Qt backend, offscreen): glyphs land on the
// pixels their twips say, in black, and in red when selected.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <cstdlib>

#include "editor/score_display.h"
#include "platform/forms/qt/qt_paint.h"
#include "support/qt_program.h"

namespace stavelark_test {
namespace {

using forms::qtbackend::Px;

class ScoreDisplayQtTest : public ::testing::Test {
 protected:
  void Add(int track, int pitch, int duration, int volume = 100) {
    stavelark::Globals& g = app.P().G;
    const int pos = g.NoteCount[track]++;
    g.NotePitch[track][pos] = static_cast<int16_t>(pitch);
    g.NoteDuration[track][pos] = static_cast<uint8_t>(duration);
    g.NoteVol[track][pos] = static_cast<uint8_t>(volume);
  }

  static bool IsDark(QColor c) { return c.red() < 64 && c.green() < 64 && c.blue() < 64; }
  static bool IsRed(QColor c) { return c.red() > 192 && c.green() < 64 && c.blue() < 64; }
  // The pixel of a twips point.
  static bool Dark(const QImage& img, double x, double y) { return IsDark(img.pixelColor(Px(x), Px(y))); }
  // Any pixel within one pixel of the twips point (lines lie on whole pixels, up to two wide).
  template <typename Test>
  static bool Near(const QImage& img, double x, double y, Test test) {
    for (int dx = -1; dx <= 1; ++dx)
      for (int dy = -1; dy <= 1; ++dy)
        if (test(img.pixelColor(Px(x) + dx, Px(y) + dy))) return true;
    return false;
  }

  QtProgram app;
};

TEST_F(ScoreDisplayQtTest, GlyphsArePaintedWhereTheirTwipsSay) {
  // Track 0: durations 0..5 on naturals, a sharp quarter, an eighth rest.
  const int pitches[6] = {1, 3, 5, 6, 8, 10};
  for (int d = 0; d <= 5; ++d) Add(0, pitches[d], d);
  Add(0, 2, 3);
  Add(0, stavelark::kRestPitch, 7);
  // Track 1: three quarters, two of them selected.
  for (int i = 0; i < 3; ++i) Add(1, 12, 3);
  stavelark::ScoreDisplay& display = app.P().ScoreDisplay();
  display.RedrawScore();
  stavelark::Globals& g = app.P().G;
  g.SelTrackFrom = g.SelTrackTo = 1;
  g.SelColFrom = 1;
  g.SelColTo = 2;
  display.HighlightSelection();
  const QImage img = app.Grab();
  if (const char* out = std::getenv("STAVELARK_SCORE_PNG")) img.save(out);

  const auto black = IsDark;
  const auto red = IsRed;
  // Head top y = 2120 - 60 * step; x0 = 500 * column.
  auto headY = [](int step) { return 2120.0 - 60 * step; };
  // Column 3, a quarter on step 5: solid head, stem above it.
  EXPECT_TRUE(Dark(img, 1500 + 1000 + 97, headY(5) + 75));
  // (Stems are probed between staff lines.)
  EXPECT_TRUE(Near(img, 1500 + 1160, 1620, black));
  // Column 4, a half note on step 6: hollow head, its border dark, stem.
  EXPECT_FALSE(Dark(img, 2000 + 1000 + 97, headY(6) + 75));
  EXPECT_TRUE(Near(img, 2000 + 1000 + 15, headY(6) + 75, black));
  EXPECT_TRUE(Near(img, 2000 + 1160, 1620, black));
  // Column 5, a whole note: no stem.
  EXPECT_FALSE(Near(img, 2500 + 1160, 1620, black));
  // Column 0, a thirty-second: the third flag; column 2, an eighth: no second flag.
  EXPECT_TRUE(Near(img, 1210, headY(2) - 95, black));
  EXPECT_FALSE(Near(img, 1000 + 1210, headY(4) - 155, black));
  // Column 6, the sharp on code 1's step: its left stroke and its upper bar.
  EXPECT_TRUE(Near(img, 3000 + 860, headY(2) + 70, black));
  EXPECT_TRUE(Near(img, 3000 + 950, headY(2) + 20, black));
  EXPECT_FALSE(Near(img, 3000 + 950, headY(2) + 60, black));
  // Column 7, the rest's first stroke, midway.
  EXPECT_TRUE(Near(img, 3500 + 1120, 1680, black));
  // Track 1, columns 1 and 2 selected: red heads and stems; column 0 stays black.
  // (Probed 40 twips below the head's top, off the staff line through its middle.)
  const double head1Y = 3520.0 - 60 * 8;
  EXPECT_TRUE(IsRed(img.pixelColor(Px(500 + 1097), Px(head1Y + 40))));
  EXPECT_TRUE(IsRed(img.pixelColor(Px(1000 + 1097), Px(head1Y + 40))));
  EXPECT_TRUE(Near(img, 1000 + 1160, head1Y - 100, red));
  EXPECT_TRUE(Dark(img, 1097, head1Y + 40));
  EXPECT_FALSE(Near(img, 1500 + 1097, head1Y + 40, black));

  // Scrolling one on moves every glyph a column left.
  g.SetScrollPos(1);
  display.RedrawScore();
  const QImage moved = app.Grab();
  EXPECT_TRUE(Dark(moved, 1000 + 1000 + 97, headY(5) + 75));  // the quarter, now column 2
  EXPECT_FALSE(Dark(moved, 1500 + 1000 + 97, headY(6) + 75));  // the half note's hollow head
  EXPECT_TRUE(Near(moved, 1500 + 1160, 1620, black));
  EXPECT_TRUE(Dark(moved, 500 + 1097, head1Y + 40));  // the selection ended with the redraw
  EXPECT_FALSE(Near(moved, 1000 + 1097, head1Y + 40, black));  // track 1 has no fourth note
}

}  // namespace
}  // namespace stavelark_test

#include <gmock/gmock.h>

#include "editor/score_display.h"
#include "editor/scrolling.h"
#include "support/program_fixture.h"

namespace stavelark_test {
namespace {

class ScrollingTest : public ProgramTest {
 protected:
  void SetUp() override { Start(); }

  // Gives track `track` `count` notes (pitch 1, quarter), lyrics naming their positions.
  void Length(int track, int count) {
    G().NoteCount[track] = static_cast<int16_t>(count);
    for (int p = 0; p < count; ++p) {
      G().NotePitch[track][p] = 1;
      G().NoteDuration[track][p] = 3;
    }
  }
  void ShowAt(int scrollPos) {
    G().SetScrollPos(scrollPos);
    P().ScoreDisplay().RedrawScore();
  }
  double ThumbLeft() { return F().SliderBar.Left(); }
  double ThumbWidth() { return F().SliderBar.Width(); }
};

TEST_F(ScrollingTest, ArrowsStepOnePositionWithinTheScore) {
  // At the start, Scroll Left does nothing.
  EXPECT_TRUE(Sys().Click(F().ScrollBack));
  EXPECT_EQ(G().ScrollPos, 0);

  // Scroll Right stops where the last 15 positions and five empty columns are in view.
  Length(2, 40);
  for (int i = 0; i < 30; ++i) EXPECT_TRUE(Sys().Click(F().ScrollUp));
  EXPECT_EQ(G().ScrollPos, 25);
  EXPECT_EQ(F().NoteNumber.Caption(), "26");
  EXPECT_TRUE(F().Music[40 + 14].Visible());   // position 39
  EXPECT_FALSE(F().Music[40 + 15].Visible());  // position 40: none
  EXPECT_EQ(ThumbLeft(), 960 + 25 * 9975.0F / 40);

  EXPECT_TRUE(Sys().Click(F().ScrollBack));
  EXPECT_EQ(G().ScrollPos, 24);
  EXPECT_EQ(F().NoteNumber.Caption(), "25");
}

TEST_F(ScrollingTest, ArrowsStopWhereTheLyricRowEnds) {
  Length(0, 10001);
  ShowAt(9980);
  EXPECT_TRUE(Sys().Click(F().ScrollUp));
  EXPECT_EQ(G().ScrollPos, 9981);
  EXPECT_TRUE(Sys().Click(F().ScrollUp));
  EXPECT_EQ(G().ScrollPos, 9981);
  EXPECT_EQ(F().NoteNumber.Caption(), "9982");
}

TEST_F(ScrollingTest, HeldArrowsRepeatOnTheTimerUntilEitherIsReleased) {
  Length(1, 100);
  stavelark::Form1& f = F();
  EXPECT_TRUE(f.ScrollTimer.Enabled());  // ticking from start-up, idle
  Sys().Advance(20);
  EXPECT_TRUE(f.ScrollTimer.Resting()) << "with no arrow held its ticks cost nothing";

  EXPECT_TRUE(Sys().MouseDown(f.ScrollUp, forms::button::Left, 0, 240, 240));
  Sys().Advance(50);
  EXPECT_EQ(G().ScrollPos, 5);  // a step every 10 ms
  EXPECT_EQ(f.NoteNumber.Caption(), "6");

  // Both held (one pointer can't press both, so the handlers run directly): a tick steps
  // back and then on again.
  stavelark::Scrolling& scrolling = P().Scrolling();
  Act([&] { scrolling.ScrollBack_MouseDown(forms::button::Left, 0, 0, 0); });
  Sys().Advance(30);
  EXPECT_EQ(G().ScrollPos, 5);

  // Releasing one arrow stops the timer, though the other is still held.
  Act([&] { scrolling.ScrollBack_MouseUp(forms::button::Left, 0, 0, 0); });
  EXPECT_FALSE(f.ScrollTimer.Enabled());
  EXPECT_TRUE(G().ScrollUpHeld);
  Sys().Advance(100);
  EXPECT_EQ(G().ScrollPos, 5);
  EXPECT_TRUE(Sys().MouseUp(f.ScrollUp, forms::button::Left, 0, 240, 240));
  EXPECT_FALSE(G().ScrollUpHeld);

  EXPECT_FALSE(f.ScrollTimer.Resting());

  // A click is a press, a release and the click itself: one step more than the ticks.
  EXPECT_TRUE(Sys().Click(f.ScrollBack));
  EXPECT_EQ(G().ScrollPos, 4);
  EXPECT_FALSE(f.ScrollTimer.Enabled());
}

TEST_F(ScrollingTest, TheThumbShowsTheVisibleRange) {
  // Short scores: the whole track, wherever the view is.
  Length(0, 21);
  ShowAt(5);
  EXPECT_EQ(ThumbLeft(), 960);
  EXPECT_EQ(ThumbWidth(), 9975);

  Length(3, 100);
  ShowAt(0);
  EXPECT_EQ(ThumbLeft(), 960);
  EXPECT_EQ(ThumbWidth(), 1995);
  // Near the end it covers only the positions left.
  ShowAt(90);
  EXPECT_EQ(ThumbLeft(), 960 + 8977.5);
  EXPECT_EQ(ThumbWidth(), 997.5);
  // Past the end (notes removed after a drag) it keeps a screen's width beyond the track.
  ShowAt(100);
  EXPECT_EQ(ThumbLeft(), 960 + 9975);
  EXPECT_EQ(ThumbWidth(), 1995);
  // The length is counted afresh at every update.
  G().NoteCount[3] = 0;
  P().Scrolling().UpdateScrollThumb();
  EXPECT_EQ(ThumbLeft(), 960);
  EXPECT_EQ(ThumbWidth(), 9975);
}

TEST_F(ScrollingTest, DraggingTheThumbJumpsTheView) {
  Length(0, 100);
  ShowAt(10);  // the thumb from 1957.5 to 3952.5
  stavelark::Form1& f = F();
  ASSERT_EQ(ThumbLeft(), 1957.5);
  // Moves without a press are ignored.
  EXPECT_TRUE(Sys().MouseMove(f, 0, 0, 3000, 7300));
  EXPECT_EQ(G().ScrollPos, 10);

  // Press 142.5 twips right of the thumb's edge (screen pixel 140), move 242 pixels right:
  // the edge comes to 960 + 4627.5, half the drag span, so half the score.
  EXPECT_TRUE(Sys().MouseDown(f, forms::button::Left, 0, 2100, 7300));
  EXPECT_TRUE(G().ThumbDragging);
  EXPECT_EQ(G().ThumbGrabOffset, 142.5F);
  EXPECT_TRUE(Sys().MouseMove(f, forms::button::Left, 0, 381 * 15, 7300));
  EXPECT_EQ(G().ScrollPos, 50);  // 49.84, to the nearest
  EXPECT_TRUE(Sys().MouseMove(f, forms::button::Left, 0, 382 * 15, 7300));
  EXPECT_EQ(G().ScrollPos, 50);
  EXPECT_EQ(f.NoteNumber.Caption(), "51");
  // The redraw puts the thumb where position 50 belongs.
  EXPECT_EQ(ThumbLeft(), 960 + 50 * 99.75);

  // The edge at or left of the track's start, or the cursor at or past 10100 twips: no move.
  EXPECT_TRUE(Sys().MouseMove(f, forms::button::Left, 0, 960 + 142.5, 7300));
  EXPECT_EQ(G().ScrollPos, 50);
  EXPECT_EQ(ThumbLeft(), 960 + 50 * 99.75);
  EXPECT_TRUE(Sys().MouseMove(f, forms::button::Left, 0, 674 * 15, 7300));
  EXPECT_EQ(G().ScrollPos, 50);
  // Just inside both limits.
  EXPECT_TRUE(Sys().MouseMove(f, forms::button::Left, 0, 673 * 15, 7300));
  EXPECT_EQ(G().ScrollPos, 97);  // (10095 - 142.5 - 960) / 9255 * 100 = 97.16
  EXPECT_TRUE(Sys().MouseMove(f, forms::button::Left, 0, 1110, 7300));
  EXPECT_EQ(G().ScrollPos, 0);  // 7.5 twips right of the start: 0.08

  EXPECT_TRUE(Sys().MouseUp(f, forms::button::Left, 0, 1110, 7300));
  EXPECT_FALSE(G().ThumbDragging);
  EXPECT_TRUE(Sys().MouseMove(f, 0, 0, 1500, 7300));
  EXPECT_EQ(G().ScrollPos, 0);
}

}  // namespace
}  // namespace stavelark_test

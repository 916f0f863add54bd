#include <gmock/gmock.h>

#include "editor/mouse_input.h"
#include "edit_fixture.h"

namespace stavelark_test {
namespace {

using ::testing::ElementsAre;

constexpr int kLeft = forms::button::Left;

class MouseInputTest : public EditTest {
 protected:
  // Press, move, let the rubber band's timer follow, release: as a user draws a rectangle.
  void Band(double x1, double y1, double x2, double y2) {
    ASSERT_TRUE(Sys().MouseDown(F(), kLeft, 0, x1, y1));
    ASSERT_TRUE(Sys().MouseMove(F(), kLeft, 0, x2, y2));
    Sys().Advance(100);
    ASSERT_TRUE(Sys().MouseUp(F(), kLeft, 0, x2, y2));
  }
  // Presses on a point, drags to y and drops there.
  void Drag(double x, double y, double dropY) {
    ASSERT_TRUE(Sys().MouseDown(F(), kLeft, 0, x, y));
    ASSERT_TRUE(Sys().MouseMove(F(), kLeft, 0, x, dropY));
    ASSERT_TRUE(Sys().MouseUp(F(), kLeft, 0, x, dropY));
  }
  std::vector<int> RedCells() {
    std::vector<int> out;
    for (int c = 0; c < stavelark::kCells; ++c)
      if (Red(c)) out.push_back(c);
    return out;
  }
  static std::vector<double> Ends(const forms::Line& l) { return {l.X1(), l.Y1(), l.X2(), l.Y2()}; }
};

TEST_F(MouseInputTest, ANoteIsPickedUpDraggedWithinItsBandAndDroppedAtAPitch) {
  AddNotes(1, 3, 5);
  Redraw();
  // Column 2 of track 1: head at (2000, 3280).
  ASSERT_TRUE(Sys().MouseDown(F(), kLeft, 0, 2010, 3290));
  EXPECT_TRUE(G().Dragging);
  EXPECT_EQ(G().DragIndex, 22);
  EXPECT_EQ(G().ActiveTrack, 1);
  EXPECT_THAT(RedCells(), ElementsAre(22));
  EXPECT_EQ(F().Bar[1].ForeColor(), 0);
  EXPECT_EQ(F().Bar[0].ForeColor(), 0xA0A0A0);

  // Above and below its band the head stops at the band's edge; the stem and flags follow.
  ASSERT_TRUE(Sys().MouseMove(F(), kLeft, 0, 2010, 1000));
  EXPECT_EQ(F().Music[22].Top(), 2650);
  EXPECT_THAT(Ends(F().Tail[22]), ElementsAre(2160, 2410, 2160, 2710));
  EXPECT_THAT(Ends(F().Clef3[22]), ElementsAre(2160, 2530, 2260, 2580));
  ASSERT_TRUE(Sys().MouseMove(F(), kLeft, 0, 3000, 6000));
  EXPECT_EQ(F().Music[22].Top(), 3520);
  EXPECT_EQ(F().Music[22].Left(), 2000);

  // Dropped at 3580 - 38 * 10 twips: pitch 10, drawn at its own step.
  ASSERT_TRUE(Sys().MouseUp(F(), kLeft, 0, 2010, 3200));
  EXPECT_FALSE(G().Dragging);
  EXPECT_EQ(G().NotePitch[1][2], 10);
  EXPECT_EQ(F().Music[22].Top(), 3520 - 60 * 7);
  EXPECT_TRUE(G().Modified);
  // The dropped note stays selected for the note commands.
  ASSERT_TRUE(Choose(F().high));
  EXPECT_EQ(G().NotePitch[1][2], 11);

  // Released above the band: the highest pitch; below its base: the lowest.
  Drag(1010, 3290, 100);
  EXPECT_EQ(G().NotePitch[1][0], 24);
  Drag(1510, 3290, 6000);
  EXPECT_EQ(G().NotePitch[1][1], 0);
  EXPECT_THAT(Pitches(1), ElementsAre(24, 0, 11));
}

TEST_F(MouseInputTest, OfOverlappingHeadsTheHigherCellIsPickedAndKeepsItsTrack) {
  // Track 1's head, far above its staff, overlaps track 0's in track 0's band.
  AddNotes(0, 1, 6);
  AddNotes(1, 1, 28);
  Redraw();
  ASSERT_EQ(F().Music[0].Top(), 1820);
  ASSERT_EQ(F().Music[20].Top(), 1840);
  ASSERT_TRUE(Sys().MouseDown(F(), kLeft, 0, 1010, 1830));
  EXPECT_EQ(G().DragIndex, 20);
  EXPECT_EQ(G().ActiveTrack, 1);
  ASSERT_TRUE(Sys().MouseMove(F(), kLeft, 0, 1010, 1835));
  EXPECT_EQ(F().Music[20].Top(), 2650);
  ASSERT_TRUE(Sys().MouseUp(F(), kLeft, 0, 1010, 3200));
  EXPECT_EQ(G().NotePitch[1][0], 10);
  EXPECT_EQ(G().NotePitch[0][0], 6);
}

TEST_F(MouseInputTest, ARubberBandFollowsThePointerAndSelectsTheColumnsItCovers) {
  ASSERT_TRUE(Sys().MouseDown(F(), kLeft, 0, 1095, 1500));
  EXPECT_TRUE(F().Timer1.Enabled());
  EXPECT_TRUE(F().BufferTop.Visible());
  EXPECT_THAT(Ends(F().BufferEnd), ElementsAre(1095, 1500, 1095, 1500));
  ASSERT_TRUE(Sys().MouseMove(F(), kLeft, 0, 3095, 3000));
  Sys().Advance(100);
  // The tick's arithmetic (window position, 40 pixels) lands on the pointer too.
  EXPECT_THAT(Ends(F().BufferEnd), ElementsAre(3090, 1500, 3090, 3000));
  EXPECT_THAT(Ends(F().BufferBottom), ElementsAre(1095, 3000, 3090, 3000));
  EXPECT_THAT(Ends(F().BufferStart), ElementsAre(1095, 1500, 1095, 3000));
  EXPECT_THAT(Ends(F().BufferTop), ElementsAre(1095, 1500, 3090, 1500));
  ASSERT_TRUE(Sys().MouseUp(F(), kLeft, 0, 3095, 3000));
  EXPECT_FALSE(F().Timer1.Enabled());
  EXPECT_FALSE(F().BufferTop.Visible());
  EXPECT_TRUE(G().SelectionActive);
  EXPECT_EQ(G().SelTrackFrom, 0);
  EXPECT_EQ(G().SelTrackTo, 1);
  EXPECT_THAT(RedCells(), ElementsAre(1, 2, 3, 4, 21, 22, 23, 24));

  // Two pixels wide, drawn upwards inside one staff: one column.
  Band(1560, 1800, 1590, 1500);
  EXPECT_THAT(RedCells(), ElementsAre(1));
}

TEST_F(MouseInputTest, RubberBandsThatSelectNothing) {
  // One pixel each way.
  Band(1095, 1500, 1110, 1515);
  EXPECT_FALSE(G().SelectionActive);
  EXPECT_FALSE(F().BufferEnd.Visible());
  // The start corner left of 590 twips, or the end corner left of 1090.
  Band(585, 2100, 3095, 3000);
  EXPECT_FALSE(G().SelectionActive);
  Band(600, 2100, 1080, 2250);
  EXPECT_FALSE(G().SelectionActive);
  // The end corner between the staves.
  Band(1095, 1500, 3095, 2370);
  EXPECT_FALSE(G().SelectionActive);
  EXPECT_EQ(G().SelTrackTo, -1);
  EXPECT_THAT(RedCells(), ElementsAre());

  // Drawn from track 2 up to track 0: track 2 becomes active, but no track is covered.
  Band(1095, 4500, 3095, 1500);
  EXPECT_EQ(G().ActiveTrack, 2);
  EXPECT_EQ(F().Bar[2].ForeColor(), 0);
  EXPECT_EQ(G().SelTrackFrom, 2);
  EXPECT_EQ(G().SelTrackTo, 0);
  EXPECT_THAT(RedCells(), ElementsAre());
}

TEST_F(MouseInputTest, PressesAndTrackLabelsChooseTheActiveTrack) {
  // A press inside track 3's band, on no note; between the bands the track stays.
  Band(5000, 6000, 5000, 6000);
  EXPECT_EQ(G().ActiveTrack, 3);
  EXPECT_EQ(F().Bar[3].ForeColor(), 0);
  EXPECT_EQ(F().Bar[1].ForeColor(), 0xA0A0A0);
  Band(5000, 2400, 5000, 2400);
  EXPECT_EQ(G().ActiveTrack, 3);

  // A track that ends before the view brings its last note into the first column.
  AddNotes(0, 80, 5);
  AddNotes(2, 10, 5);
  G().SetScrollPos(50);
  Redraw();
  ASSERT_TRUE(Sys().Click(F().Bar[2]));
  EXPECT_EQ(G().ActiveTrack, 2);
  EXPECT_EQ(G().ScrollPos, 9);
  EXPECT_EQ(F().NoteNumber.Caption(), "10");
  G().SetScrollPos(50);
  ASSERT_TRUE(Choose(F().t2));
  EXPECT_EQ(G().ActiveTrack, 1);
  EXPECT_EQ(G().ScrollPos, 0);
  ASSERT_TRUE(Choose(F().t1));
  ASSERT_TRUE(Choose(F().t4));
  EXPECT_EQ(G().ActiveTrack, 3);
}

TEST_F(MouseInputTest, AnyReleaseOnTheScoreEndsAPause) {
  G().Paused = true;
  F().PauseBar[0].FillColor = 0xFF;
  Band(5000, 6000, 5000, 6000);
  EXPECT_FALSE(G().Paused);
  EXPECT_EQ(F().PauseBar[0].FillColor(), 0x808080);
  AddNotes(0, 1, 5);
  Redraw();
  G().Paused = true;
  Drag(1010, 1890, 1890);
  EXPECT_FALSE(G().Paused);
}

TEST_F(MouseInputTest, SelectAllAndSelectTrackCoverTheVisibleColumns) {
  ASSERT_TRUE(Choose(F().SelectAll));
  EXPECT_EQ(RedCells().size(), 80u);
  EXPECT_TRUE(G().SelectionActive);

  // The active track empty: nothing; 5 notes: columns 0..4; 40 notes: all 20.
  G().ActiveTrack = 1;
  ASSERT_TRUE(Choose(F().SelectTrack));
  EXPECT_FALSE(G().SelectionActive);
  EXPECT_THAT(RedCells(), ElementsAre());
  AddNotes(1, 5, 5);
  ASSERT_TRUE(Choose(F().SelectTrack));
  EXPECT_THAT(RedCells(), ElementsAre(20, 21, 22, 23, 24));
  AddNotes(1, 35, 5);
  ASSERT_TRUE(Choose(F().SelectTrack));
  EXPECT_EQ(RedCells().size(), 20u);
  EXPECT_EQ(G().SelColTo, 19);
}

TEST_F(MouseInputTest, TheFormHandsTheKeyboardToThePiano) {
  ASSERT_TRUE(Sys().Click(F().Scal[0]));  // a staff line: the click is the form's
  EXPECT_EQ(F().ActiveControl(), &F().Piano[1]);

  // A key pressed while the form itself has the focus is not played; the next one is.
  F().SetActiveControl(nullptr);
  ASSERT_TRUE(Sys().KeyDown(F(), '1'));
  EXPECT_EQ(F().ActiveControl(), &F().Piano[0]);
  EXPECT_EQ(G().NoteCount[0], 0);
  ASSERT_TRUE(Sys().KeyDown(F(), '1'));
  EXPECT_EQ(G().NoteCount[0], 1);

  // A hidden window takes no focus, and nothing fails.
  F().Hide();
  Act([&] { P().MouseInput().Form_Click(); });
  int key = '2';
  Act([&] { P().MouseInput().Form_KeyDown(key, 0); });
  EXPECT_TRUE(Sys().UnexpectedDialogs().empty());
}

}  // namespace
}  // namespace stavelark_test

#include <gmock/gmock.h>

#include "editor/mouse_input.h"
#include "edit_fixture.h"

namespace stavelark_test {
namespace {

using ::testing::ElementsAre;

constexpr int kLeft = forms::button::Left;

class MouseInputTest : public EditTest {
 protected:
  // Press, move, let the rubber band's timer follow, release: as a user draws a rectangle or
  // drags a note.
  void Gesture(double x1, double y1, double x2, double y2) {
    ASSERT_TRUE(Sys().MouseDown(F(), kLeft, 0, x1, y1));
    ASSERT_TRUE(Sys().MouseMove(F(), kLeft, 0, x2, y2));
    Sys().Advance(100);
    ASSERT_TRUE(Sys().MouseUp(F(), kLeft, 0, x2, y2));
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
  G().Paused = true;
  // Column 2 of track 1: head at (2000, 3280).
  ASSERT_TRUE(Sys().MouseDown(F(), kLeft, 0, 2010, 3290));
  EXPECT_EQ(G().DragIndex, 22);
  EXPECT_EQ(G().ActiveTrack, 1);
  EXPECT_THAT(RedCells(), ElementsAre(22));
  // Above its band the head stops at the band's edge, the stem with it.
  ASSERT_TRUE(Sys().MouseMove(F(), kLeft, 0, 3000, 1000));
  EXPECT_EQ(F().Music[22].Top(), 2650);
  EXPECT_EQ(F().Music[22].Left(), 2000);
  EXPECT_THAT(Ends(F().Tail[22]), ElementsAre(2160, 2410, 2160, 2710));
  // Dropped at 3580 - 38 * 10 twips: pitch 10, drawn at its own step; any release ends a pause.
  ASSERT_TRUE(Sys().MouseUp(F(), kLeft, 0, 2010, 3200));
  EXPECT_EQ(G().NotePitch[1][2], 10);
  EXPECT_EQ(F().Music[22].Top(), 3520 - 60 * 7);
  EXPECT_TRUE(G().Modified);
  EXPECT_FALSE(G().Paused);
  // The dropped note stays selected for the note commands.
  ASSERT_TRUE(Choose(F().high));
  EXPECT_EQ(G().NotePitch[1][2], 11);

  // Released above the band: the highest pitch; below its base: the lowest.
  Gesture(1010, 3290, 1010, 100);
  Gesture(1510, 3290, 1510, 6000);
  EXPECT_THAT(Pitches(1), ElementsAre(24, 0, 11));
}

// A click picks a note for the note commands; only a drag gives it a new pitch.
TEST_F(MouseInputTest, AClickOnAHeadSelectsTheNoteAndKeepsItsPitch) {
  for (int t = 0; t < 4; ++t) AddNumbered(t, 20);  // pitches 0..19 in every track
  Redraw();
  for (int cell = 0; cell < stavelark::kCells; ++cell) {
    SCOPED_TRACE(cell);
    const int track = cell / 20, pos = cell % 20;
    const double top = F().Music[cell].Top();
    ASSERT_TRUE(Sys().Click(F().Music[cell]));
    EXPECT_EQ(G().NotePitch[track][pos], pos);
    EXPECT_FALSE(G().Modified);
    EXPECT_THAT(RedCells(), ElementsAre(cell));
    EXPECT_EQ(F().Music[cell].Top(), top) << "the head stays on its step";
  }
  ASSERT_TRUE(Choose(F().high));
  EXPECT_EQ(G().NotePitch[3][19], 20) << "the clicked note is the selection";
}

TEST_F(MouseInputTest, OfOverlappingHeadsTheHigherCellIsPickedAndKeepsItsTrack) {
  // Track 1's head, far above its staff, overlaps track 0's inside track 0's band.
  AddNotes(0, 1, 6);
  AddNotes(1, 1, 28);
  Redraw();
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
  ASSERT_TRUE(Sys().MouseMove(F(), kLeft, 0, 3095, 3000));
  Sys().Advance(100);
  // The tick's arithmetic (window position, 40 pixels) lands on the pointer too.
  EXPECT_THAT(Ends(F().BufferEnd), ElementsAre(3090, 1500, 3090, 3000));
  EXPECT_THAT(Ends(F().BufferBottom), ElementsAre(1095, 3000, 3090, 3000));
  ASSERT_TRUE(Sys().MouseUp(F(), kLeft, 0, 3095, 3000));
  EXPECT_FALSE(F().Timer1.Enabled());
  EXPECT_FALSE(F().BufferEnd.Visible());
  EXPECT_THAT(RedCells(), ElementsAre(1, 2, 3, 4, 21, 22, 23, 24));

  // Two pixels wide, drawn upwards inside one staff: one column.
  Gesture(1560, 1800, 1590, 1500);
  EXPECT_THAT(RedCells(), ElementsAre(1));

  // Released before the timer's first tick, and released after a tick that followed the
  // pointer only half way: both select the block drawn all the same.
  for (bool halfWayTick : {false, true}) {
    SCOPED_TRACE(halfWayTick ? "after a half-way tick" : "before any tick");
    ASSERT_TRUE(Sys().MouseDown(F(), kLeft, 0, 1095, 1500));
    if (halfWayTick) {
      ASSERT_TRUE(Sys().MouseMove(F(), kLeft, 0, 2095, 1800));
      Sys().Advance(100);
    }
    ASSERT_TRUE(Sys().MouseMove(F(), kLeft, 0, 3095, 3000));
    ASSERT_TRUE(Sys().MouseUp(F(), kLeft, 0, 3095, 3000));
    EXPECT_THAT(RedCells(), ElementsAre(1, 2, 3, 4, 21, 22, 23, 24));
  }
}

TEST_F(MouseInputTest, RubberBandsThatSelectNothing) {
  // One pixel each way; the start corner left of 590 twips; the end corner left of 1090; the
  // end corner between the staves.
  Gesture(1095, 1500, 1110, 1515);
  Gesture(585, 2100, 3095, 3000);
  Gesture(600, 2100, 1080, 2250);
  Gesture(1095, 1500, 3095, 2370);
  EXPECT_FALSE(G().SelectionActive);
  EXPECT_THAT(RedCells(), ElementsAre());

  // Drawn from track 2 up to track 0: track 2 becomes active, but no track is covered, so
  // nothing is selected and Play plays the whole score.
  AddNotes(0, 3, 5);
  Gesture(1095, 4500, 3095, 1500);
  EXPECT_EQ(G().ActiveTrack, 2);
  EXPECT_EQ(F().Bar[2].ForeColor(), 0);
  EXPECT_EQ(F().Bar[0].ForeColor(), 0xA0A0A0);
  EXPECT_THAT(RedCells(), ElementsAre());
  EXPECT_FALSE(G().SelectionActive);
  recorder.ClearCalls();
  ASSERT_TRUE(Choose(F().PlayFull));
  Sys().Advance(1100);
  EXPECT_THAT(recorder.Calls(), ::testing::Contains(::testing::HasSubstr("PlaySegmentEx")));
}

TEST_F(MouseInputTest, PressesLabelsAndTheTrackMenuChooseTheActiveTrack) {
  // A press inside track 3's band, on no note; between the bands the track stays.
  Gesture(5000, 6000, 5000, 6000);
  Gesture(5000, 2400, 5000, 2400);
  EXPECT_EQ(G().ActiveTrack, 3);

  // A track that ends before the view brings its last note into the first column.
  AddNotes(0, 80, 5);
  AddNotes(2, 10, 5);
  G().SetScrollPos(50);
  ASSERT_TRUE(Sys().Click(F().Bar[2]));
  EXPECT_EQ(G().ScrollPos, 9);
  EXPECT_EQ(F().NoteNumber.Caption(), "10");
  G().SetScrollPos(50);
  ASSERT_TRUE(Choose(F().t2));
  EXPECT_EQ(G().ActiveTrack, 1);
  EXPECT_EQ(G().ScrollPos, 0);
}

TEST_F(MouseInputTest, SelectAllAndSelectTrackCoverTheVisibleColumns) {
  ASSERT_TRUE(Choose(F().SelectAll));
  EXPECT_EQ(RedCells().size(), 80u);
  // The active track empty: nothing; 5 notes: columns 0..4; 40 notes: all 20.
  G().ActiveTrack = 1;
  ASSERT_TRUE(Choose(F().SelectTrack));
  EXPECT_FALSE(G().SelectionActive);
  AddNotes(1, 5, 5);
  ASSERT_TRUE(Choose(F().SelectTrack));
  EXPECT_THAT(RedCells(), ElementsAre(20, 21, 22, 23, 24));
  AddNotes(1, 35, 5);
  ASSERT_TRUE(Choose(F().SelectTrack));
  EXPECT_EQ(RedCells().size(), 20u);
}

TEST_F(MouseInputTest, TheFormHandsTheKeyboardToThePiano) {
  ASSERT_TRUE(Sys().Click(F().Scal[0]));  // a staff line: the click is the form's
  EXPECT_EQ(F().ActiveControl(), &F().Piano[1]);
  // A key pressed while the form itself has the focus is not played; the next one is.
  F().SetActiveControl(nullptr);
  ASSERT_TRUE(Sys().KeyDown(F(), '1'));
  EXPECT_EQ(G().NoteCount[0], 0);
  ASSERT_TRUE(Sys().KeyDown(F(), '1'));
  EXPECT_EQ(G().NoteCount[0], 1);
  // A hidden window takes no focus, and that is no error.
  F().Hide();
  Act([&] { P().MouseInput().Form_Click(); });
}

}  // namespace
}  // namespace stavelark_test

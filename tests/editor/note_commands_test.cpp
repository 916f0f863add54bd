#include <gmock/gmock.h>

#include "editor/note_commands.h"
#include "edit_fixture.h"

namespace stavelark_test {
namespace {

using ::testing::ElementsAre;

class NoteCommandsTest : public EditTest {};

TEST_F(NoteCommandsTest, PitchStepsStopAtTheirLimits) {
  // The last note of the active track climbs only to 17.
  AddNotes(0, 2, 16);
  Redraw();
  ASSERT_TRUE(Choose(F().high));
  EXPECT_EQ(G().NotePitch[0][1], 17);
  EXPECT_EQ(F().Music[1].Top(), 2120 - 60 * 11);  // redrawn at its new step
  ASSERT_TRUE(Choose(F().high));
  EXPECT_EQ(G().NotePitch[0][1], 17);
  EXPECT_EQ(G().NotePitch[0][0], 16);

  // A selected note climbs to 24; the selection stays, so the command repeats on it.
  Select(0, 0, 1, 1);
  for (int i = 0; i < 9; ++i) ASSERT_TRUE(Choose(F().high));
  EXPECT_EQ(G().NotePitch[0][1], 24);
  EXPECT_TRUE(Red(1));

  // A rest never moves; lower stops at 0.
  AddNotes(1, 1, stavelark::kRestPitch);
  AddNotes(1, 1, 1);
  Select(1, 1, 0, 1);
  ASSERT_TRUE(Choose(F().low));
  ASSERT_TRUE(Choose(F().low));
  EXPECT_THAT(Pitches(1), ElementsAre(stavelark::kRestPitch, 0));
  P().ScoreDisplay().ClearSelectionHighlight();
  G().NoteCount[1] = 1;
  G().ActiveTrack = 1;
  ASSERT_TRUE(Choose(F().low));
  EXPECT_EQ(G().NotePitch[1][0], stavelark::kRestPitch);
  EXPECT_TRUE(G().Modified);
}

TEST_F(NoteCommandsTest, VolumeStepsRelabelTheNoteWithinTheirLimits) {
  AddNotes(0, 1, 5, 3, 122);
  AddNotes(0, 1, 5, 3, 121);
  Redraw();
  ASSERT_TRUE(Choose(F().incvol));
  EXPECT_EQ(G().NoteVol[0][1], 126);
  EXPECT_EQ(F().VolLabel[1].Caption(), "126");
  ASSERT_TRUE(Choose(F().incvol));
  EXPECT_EQ(G().NoteVol[0][1], 126);
  Select(0, 0, 0, 1);
  ASSERT_TRUE(Choose(F().incvol));
  EXPECT_THAT(Volumes(0), ElementsAre(127, 126));
  EXPECT_EQ(F().VolLabel[0].Caption(), "127");

  AddNotes(1, 1, 5, 3, 6);
  AddNotes(1, 1, 5, 3, 5);
  Select(1, 1, 0, 1);
  ASSERT_TRUE(Choose(F().decvol));
  EXPECT_THAT(Volumes(1), ElementsAre(1, 5));
  EXPECT_EQ(F().VolLabel[20].Caption(), "1");
}

TEST_F(NoteCommandsTest, SelectionsPastATracksEndAndNotesOffScreenAreHandled) {
  // Columns 0..5 of a track of two notes: only those change, nothing is drawn after them.
  AddNotes(2, 2, 3, 3);
  G().NotePitch[2][4] = 7;  // a stale note past the end
  Redraw();
  Select(2, 2, 0, 5);
  ASSERT_TRUE(Choose(F().high));
  ASSERT_TRUE(Choose(F().long_));
  EXPECT_THAT(Pitches(2), ElementsAre(4, 4));
  EXPECT_THAT(Durations(2), ElementsAre(4, 4));
  EXPECT_EQ(G().NotePitch[2][4], 7);
  EXPECT_FALSE(F().Music[42].Visible());
  EXPECT_FALSE(F().Music[44].Visible());

  // The last note scrolled off screen changes without being drawn.
  AddNotes(0, 30, 10);
  G().SetScrollPos(5);
  Redraw();
  P().ScoreDisplay().ClearSelectionHighlight();
  ASSERT_TRUE(Choose(F().high));
  EXPECT_EQ(G().NotePitch[0][29], 11);
  EXPECT_FALSE(F().Music[24].Visible());  // column 24 of track 0 would land in track 1's band
}

TEST_F(NoteCommandsTest, DurationStepsActOnlyOnASelection) {
  AddNotes(0, 1, 5, 7);
  AddNotes(0, 1, 5, 6);
  AddNotes(0, 1, 5, 0);
  ASSERT_TRUE(Choose(F().short_));
  EXPECT_THAT(Durations(0), ElementsAre(7, 6, 0));
  EXPECT_TRUE(G().Modified);
  Select(0, 0, 0, 2);
  ASSERT_TRUE(Choose(F().short_));
  EXPECT_THAT(Durations(0), ElementsAre(6, 5, 0));
  Select(0, 0, 0, 2);
  ASSERT_TRUE(Choose(F().long_));
  ASSERT_TRUE(Choose(F().long_));
  EXPECT_THAT(Durations(0), ElementsAre(6, 5, 2));
}

TEST_F(NoteCommandsTest, FadesRampFromTheFirstSelectedVolume) {
  AddNotes(0, 5, 5, 3, 100);
  AddNotes(1, 5, 5, 3, 100);
  AddNotes(2, 3, 5, 3, 127);
  Select(0, 0, 0, 4);
  ASSERT_TRUE(Choose(F().FadeIn));
  EXPECT_THAT(Volumes(0), ElementsAre(0, 25, 50, 75, 100));
  EXPECT_FALSE(G().SelectionActive);  // redrawn
  EXPECT_TRUE(G().Modified);
  Select(1, 1, 0, 4);
  ASSERT_TRUE(Choose(F().FadeOut));
  EXPECT_THAT(Volumes(1), ElementsAre(100, 75, 50, 25, 0));
  // Step 63.5 rounds to 64: the last step is held to 127 going up, to 0 going down.
  Select(2, 2, 0, 2);
  ASSERT_TRUE(Choose(F().FadeIn));
  EXPECT_THAT(Volumes(2), ElementsAre(0, 64, 127));
  G().NoteVol[2][0] = 127;
  Select(2, 2, 0, 2);
  ASSERT_TRUE(Choose(F().FadeOut));
  EXPECT_THAT(Volumes(2), ElementsAre(127, 63, 0));

  // One column has no ramp; without a selection there is nothing to fade.
  G().Modified = false;
  Select(0, 1, 2, 2);
  ASSERT_TRUE(Choose(F().FadeIn));
  ASSERT_TRUE(Choose(F().FadeOut));
  P().ScoreDisplay().ClearSelectionHighlight();
  ASSERT_TRUE(Choose(F().FadeIn));
  EXPECT_THAT(Volumes(0), ElementsAre(0, 25, 50, 75, 100));
  EXPECT_FALSE(G().Modified);
}

TEST_F(NoteCommandsTest, ClickingAVolumeNumberStampsTheCurrentVolumeOnANote) {
  // A rest where a note was drawn before: its label is there, without a number.
  AddNotes(1, 2, 8, 3, 40);
  Redraw();
  G().NotePitch[1][0] = stavelark::kRestPitch;
  Redraw();
  ASSERT_TRUE(Sys().UserSetValue(F().NoteVolume, 90));
  EXPECT_EQ(G().NoteVolumeValue, 90);
  G().Modified = false;
  ASSERT_TRUE(Sys().Click(F().VolLabel[20]));
  EXPECT_EQ(G().NoteVol[1][0], 40);
  EXPECT_FALSE(G().Modified);
  ASSERT_TRUE(Sys().Click(F().VolLabel[21]));
  EXPECT_EQ(G().NoteVol[1][1], 90);
  EXPECT_EQ(F().VolLabel[21].Caption(), "90");
  EXPECT_TRUE(G().Modified);
}

TEST_F(NoteCommandsTest, PaletteAndVolumeSliderRewriteTheSelection) {
  AddNotes(0, 3, 12, 3, 100);
  Select(0, 0, 0, 1);
  ASSERT_TRUE(Sys().Click(F().Picture2[4]));
  EXPECT_THAT(Durations(0), ElementsAre(4, 4, 3));
  EXPECT_THAT(Pitches(0), ElementsAre(12, 12, 12));
  EXPECT_EQ(G().CurDuration, 4);
  EXPECT_EQ(F().DurBlok.Left(), 4 * 480 + 988);
  Select(0, 0, 1, 4);
  ASSERT_TRUE(Sys().Click(F().Picture2[7]));
  EXPECT_THAT(Pitches(0), ElementsAre(12, stavelark::kRestPitch, stavelark::kRestPitch));
  EXPECT_EQ(G().NoteDuration[0][4], 7);  // past the end too
  EXPECT_EQ(F().DurBlok.Left(), 3868);

  // The slider: every selected position, then a redraw that ends the selection.
  Select(0, 0, 0, 3);
  ASSERT_TRUE(Sys().UserSetValue(F().NoteVolume, 33));
  EXPECT_THAT(Volumes(0), ElementsAre(33, 33, 33));
  EXPECT_EQ(G().NoteVol[0][3], 33);
  EXPECT_FALSE(G().SelectionActive);
  // Without a selection only the current volume changes (Modified still set).
  G().Modified = false;
  ASSERT_TRUE(Sys().UserSetValue(F().NoteVolume, 50));
  EXPECT_THAT(Volumes(0), ElementsAre(33, 33, 33));
  EXPECT_TRUE(G().Modified);
  // Writing the value from code is not a user's change.
  F().NoteVolume.Value = 70;
  EXPECT_EQ(G().NoteVolumeValue, 50);
}

TEST_F(NoteCommandsTest, TempoSliderSetsTheTempoOnly) {
  ASSERT_TRUE(Sys().UserSetValue(F().DivControl, 100));
  EXPECT_EQ(G().Tempo, 100);
  EXPECT_FALSE(G().Modified);
}

TEST_F(NoteCommandsTest, LeavingALyricBoxStoresItsTextAtItsPosition) {
  AddNotes(0, 40, 5);
  G().SetScrollPos(10);
  Redraw();
  ASSERT_TRUE(Sys().Type(F().Lyric[3], "la"));
  ASSERT_TRUE(Sys().Focus(F().Lyric[4]));
  EXPECT_EQ(G().Lyrics[13], "la");
  EXPECT_TRUE(G().Modified);
  // After scrolling the same box shows another position's lyric.
  G().SetScrollPos(11);
  Redraw();
  EXPECT_EQ(F().Lyric[2].Text(), "la");
  EXPECT_EQ(F().Lyric[3].Text(), "");
  // Passing through a box without changing it is no change.
  G().Modified = false;
  ASSERT_TRUE(Sys().Focus(F().Lyric[2]));
  ASSERT_TRUE(Sys().Focus(F().Lyric[5]));
  EXPECT_FALSE(G().Modified);
}

}  // namespace
}  // namespace stavelark_test

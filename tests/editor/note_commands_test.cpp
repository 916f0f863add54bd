#include <gmock/gmock.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "editor/note_commands.h"
#include "edit_fixture.h"

namespace stavelark_test {
namespace {

using ::testing::ElementsAre;
using stavelark::kRestPitch;

class NoteCommandsTest : public EditTest {};

TEST_F(NoteCommandsTest, StepCommandsStopAtTheirLimitsForTheLastNoteAndForASelection) {
  // The last note of the active track: pitch up to 17, volume up to 126.
  AddNotes(0, 1, 16, 7, 121);
  Redraw();
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(Choose(F().high));
    ASSERT_TRUE(Choose(F().incvol));
    ASSERT_TRUE(Choose(F().short_));  // no action without a selection
  }
  EXPECT_EQ(G().NotePitch[0][0], 17);
  EXPECT_EQ(F().Music[0].Top(), 2120 - 60 * 11);
  EXPECT_EQ(G().NoteVol[0][0], 126);
  EXPECT_EQ(F().VolLabel[0].Caption(), "126");
  EXPECT_EQ(G().NoteDuration[0][0], 7);

  // Selected notes: pitch up to 24, volume to 127, a rest keeps its pitch, volume stops above 5,
  // durations run 7 -> 6 -> 5 and stop at 0 and (upwards) at 5.
  AddNotes(0, 1, kRestPitch, 6, 6);
  AddNotes(0, 1, 23, 0, 5);
  Select(0, 0, 0, 2);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(Choose(F().high));
  ASSERT_TRUE(Choose(F().short_));
  ASSERT_TRUE(Choose(F().short_));
  ASSERT_TRUE(Choose(F().decvol));
  EXPECT_THAT(Pitches(0), ElementsAre(20, kRestPitch, 24));
  EXPECT_THAT(Durations(0), ElementsAre(5, 4, 0));
  EXPECT_THAT(Volumes(0), ElementsAre(121, 1, 5));
  EXPECT_TRUE(Red(2));  // the selection stays
  ASSERT_TRUE(Choose(F().low));
  ASSERT_TRUE(Choose(F().long_));
  EXPECT_THAT(Pitches(0), ElementsAre(19, kRestPitch, 23));
  EXPECT_THAT(Durations(0), ElementsAre(5, 5, 1));
}

TEST_F(NoteCommandsTest, OnlyExistingNotesChangeAndOnlyVisibleOnesAreDrawn) {
  // Columns 0..5 of a track of two notes: a stale note past its end stays, nothing is drawn there.
  AddNotes(2, 2, 3);
  G().NotePitch[2][4] = 7;
  Redraw();
  Select(2, 2, 0, 5);
  ASSERT_TRUE(Choose(F().high));
  EXPECT_THAT(Pitches(2), ElementsAre(4, 4));
  EXPECT_EQ(G().NotePitch[2][4], 7);
  EXPECT_FALSE(F().Music[44].Visible());

  // The last note scrolled off screen (column 24) changes without being drawn anywhere.
  AddNotes(0, 30, 10);
  G().SetScrollPos(5);
  Redraw();
  ASSERT_TRUE(Choose(F().high));
  EXPECT_EQ(G().NotePitch[0][29], 11);
  EXPECT_FALSE(F().Music[24].Visible());
}

TEST_F(NoteCommandsTest, FadesRampFromTheFirstSelectedVolume) {
  AddNotes(0, 5, 5, 3, 100);
  AddNotes(1, 5, 5, 3, 100);
  AddNotes(2, 3, 5, 3, 127);
  Select(0, 0, 0, 4);
  ASSERT_TRUE(Choose(F().FadeIn));
  EXPECT_THAT(Volumes(0), ElementsAre(0, 25, 50, 75, 100));
  EXPECT_TRUE(G().Modified);
  Select(1, 1, 0, 4);
  ASSERT_TRUE(Choose(F().FadeOut));
  EXPECT_THAT(Volumes(1), ElementsAre(100, 75, 50, 25, 0));
  // A step of 63.5 rounds to 64: held to 127 going up, to 0 going down.
  Select(2, 2, 0, 2);
  ASSERT_TRUE(Choose(F().FadeIn));
  EXPECT_THAT(Volumes(2), ElementsAre(0, 64, 127));
  G().NoteVol[2][0] = 127;
  Select(2, 2, 0, 2);
  ASSERT_TRUE(Choose(F().FadeOut));
  EXPECT_THAT(Volumes(2), ElementsAre(127, 63, 0));

  // One column has no ramp.
  G().Modified = false;
  Select(0, 1, 2, 2);
  ASSERT_TRUE(Choose(F().FadeIn));
  EXPECT_THAT(Volumes(0), ElementsAre(0, 25, 50, 75, 100));
  EXPECT_FALSE(G().Modified);
}

TEST_F(NoteCommandsTest, VolumeLabelsPaletteAndSlidersSetTheirValues) {
  // A rest where a note was drawn before: its label is there, without a number.
  AddNotes(1, 2, 8, 3, 40);
  Redraw();
  G().NotePitch[1][0] = kRestPitch;
  Redraw();
  ASSERT_TRUE(Sys().UserSetValue(F().NoteVolume, 90));
  ASSERT_TRUE(Sys().Click(F().VolLabel[20]));
  ASSERT_TRUE(Sys().Click(F().VolLabel[21]));
  EXPECT_THAT(Volumes(1), ElementsAre(40, 90));
  EXPECT_EQ(F().VolLabel[21].Caption(), "90");

  // The palette: duration only, or (entry 7) rests; past the track's end too.
  Select(1, 1, 1, 2);
  ASSERT_TRUE(Sys().Click(F().Picture2[4]));
  EXPECT_THAT(Durations(1), ElementsAre(3, 4));
  EXPECT_EQ(G().NotePitch[1][1], 8);
  Select(1, 1, 1, 2);
  ASSERT_TRUE(Sys().Click(F().Picture2[7]));
  EXPECT_THAT(Pitches(1), ElementsAre(kRestPitch, kRestPitch));
  EXPECT_EQ(G().NoteDuration[1][2], 7);
  EXPECT_EQ(G().CurDuration, 7);
  EXPECT_EQ(F().DurBlok.Left(), 3868);

  // The note-volume slider gives every selected position its value and ends the selection.
  Select(1, 1, 0, 2);
  ASSERT_TRUE(Sys().UserSetValue(F().NoteVolume, 33));
  EXPECT_THAT(Volumes(1), ElementsAre(33, 33));
  EXPECT_EQ(G().NoteVol[1][2], 33);
  EXPECT_FALSE(G().SelectionActive);
  // Only a user's change counts; the tempo is saved, so a new one marks the composition.
  F().NoteVolume.Value = 70;
  EXPECT_EQ(G().NoteVolumeValue, 33);
  G().Modified = false;
  ASSERT_TRUE(Sys().UserSetValue(F().DivControl, 100));
  EXPECT_EQ(G().Tempo, 100);
  EXPECT_TRUE(G().Modified);
}

// Lyrics are entered by typing a row and moving on: leaving a box stores its text at its position;
// the arrows, the toolbar and the menus take no focus from the box being typed in, and what they
// redraw must not lose its text.
TEST_F(NoteCommandsTest, ATypedLyricStaysAtItsPositionWhateverRedrawsTheBoxes) {
  AddNotes(0, 40, 5);
  const std::pair<const char*, std::function<void()>> redraws[] = {
      {"leaving for the next box", [&] { EXPECT_TRUE(Sys().Focus(F().Lyric[4])); }},
      {"Scroll Left", [&] { EXPECT_TRUE(Sys().Click(F().ScrollBack)); }},
      {"Scroll Right and back", [&] { Sys().Click(F().ScrollUp), Sys().Click(F().ScrollBack); }},
      {"toolbar Delete", [&] { EXPECT_TRUE(Sys().Click(F().Toolbar[8])); }},
      {"Edit > Delete", [&] { EXPECT_TRUE(Choose(F().Delete)); }},
      {"Edit > Insert", [&] { EXPECT_TRUE(Choose(F().Insert)); }}};
  for (const auto& [what, redraw] : redraws) {
    SCOPED_TRACE(what);
    for (int p = 10; p < 14; ++p) G().Lyrics[p].clear();
    G().SetScrollPos(10);
    G().Modified = false;
    Redraw();
    EXPECT_FALSE(G().Modified) << "showing the lyrics is no change";
    for (int c = 0; c < 4; ++c) ASSERT_TRUE(Sys().Type(F().Lyric[c], "w" + std::to_string(c)));
    EXPECT_TRUE(G().Modified);
    redraw();
    EXPECT_THAT(std::vector(G().Lyrics.begin() + 10, G().Lyrics.begin() + 14), ElementsAre("w0", "w1", "w2", "w3"));
  }
  // After scrolling the same box shows another position's lyric; passing through unchanged
  // boxes is no change.
  G().SetScrollPos(11);
  Redraw();
  EXPECT_EQ(F().Lyric[2].Text(), "w3");
  G().Modified = false;
  ASSERT_TRUE(Sys().Focus(F().Lyric[2]));
  ASSERT_TRUE(Sys().Focus(F().Lyric[5]));
  EXPECT_FALSE(G().Modified);
}

}  // namespace
}  // namespace stavelark_test

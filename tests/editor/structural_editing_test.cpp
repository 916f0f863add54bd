#include <gmock/gmock.h>

#include "editor/structural_editing.h"
#include "edit_fixture.h"

namespace stavelark_test {
namespace {

using ::testing::ElementsAre;

constexpr const char* kFull = "A track can hold at most 10001 notes.";

class StructuralEditingTest : public EditTest {
 protected:
  void Deselect() { P().ScoreDisplay().ClearSelectionHighlight(); }
};

TEST_F(StructuralEditingTest, InsertOpensBlankNotesAndMovesTheLyricsOnlyWithAllFourTracks) {
  AddNumbered(0, 3);
  G().NoteVolumeValue = 77;
  G().CurDuration = 1;
  ASSERT_TRUE(Choose(F().Insert));
  EXPECT_THAT(Pitches(0), ElementsAre(5, 0, 1, 2));
  EXPECT_THAT(Volumes(0), ElementsAre(77, 1, 2, 3));
  EXPECT_THAT(Durations(0), ElementsAre(1, 3, 3, 3));

  // Before the first selected column; a track ending before it gets the blank note at its end
  // (never a stale note of an earlier composition). Three tracks: the lyrics stay.
  AddNumbered(1, 4);
  AddNotes(2, 5, 20, 0, 9);
  G().NoteCount[2] = 1;
  for (int p = 0; p < 6; ++p) G().Lyrics[p] = "l" + std::to_string(p);
  Select(0, 2, 2, 3);
  ASSERT_TRUE(Choose(F().Insert));
  EXPECT_THAT(Pitches(0), ElementsAre(5, 0, 5, 1, 2));
  EXPECT_THAT(Pitches(1), ElementsAre(0, 1, 5, 2, 3));
  EXPECT_THAT(Volumes(2), ElementsAre(9, 77));
  EXPECT_EQ(G().Lyrics[3], "l3");
  // Four tracks: the lyrics move up; the opened position keeps its old text.
  Select(0, 3, 2, 2);
  ASSERT_TRUE(Choose(F().Insert));
  EXPECT_EQ(G().Lyrics[2], "l2");
  EXPECT_EQ(G().Lyrics[3], "l2");
  EXPECT_EQ(G().Lyrics[6], "l5");
}

TEST_F(StructuralEditingTest, CopyAndPasteThroughTheClipboard) {
  // Before any Copy a Paste opens nothing.
  AddNumbered(1, 10);
  AddNumbered(2, 10);
  G().ActiveTrack = 1;
  ASSERT_TRUE(Choose(F().paste));
  EXPECT_EQ(G().NoteCount[1], 10);

  // Tracks 2..3, columns 4..7, pasted before column 0 of tracks 3..4.
  Select(1, 2, 4, 7);
  ASSERT_TRUE(Choose(F().copy));
  EXPECT_TRUE(G().SelectionActive);
  Select(2, 3, 0, 0);
  ASSERT_TRUE(Choose(F().paste));
  EXPECT_THAT(Pitches(2), ElementsAre(4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9));
  EXPECT_THAT(Volumes(3), ElementsAre(5, 6, 7, 8));
  EXPECT_FALSE(G().SelectionActive);

  // Without a selection: over the last selection's span from the active track, at the active
  // track's end; that one position serves both tracks.
  G().ActiveTrack = 1;
  ASSERT_TRUE(Choose(F().paste));
  EXPECT_EQ(G().NoteCount[1], 14);
  EXPECT_THAT(Pitches(1), ElementsAre(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 4, 5, 6, 7));
  EXPECT_EQ(G().NoteCount[2], 18);
  EXPECT_EQ(G().NotePitch[2][10], 4);  // the second row, inserted at position 10
  // The span never reaches past track 4: the clip's first row only.
  G().ActiveTrack = 3;
  ASSERT_TRUE(Choose(F().paste));
  EXPECT_EQ(G().PasteToTrack, 3);
  EXPECT_EQ(G().NoteCount[3], 8);
}

TEST_F(StructuralEditingTest, RepeatPastesTheClipTheAnsweredNumberOfTimes) {
  AddNumbered(0, 2);
  Select(0, 0, 0, 1);
  ASSERT_TRUE(Choose(F().copy));
  Deselect();
  Sys().AnswerInputBox("3", "Repeat how many times?");
  ASSERT_TRUE(Choose(F().Repeat));
  EXPECT_THAT(Pitches(0), ElementsAre(0, 1, 0, 1, 0, 1, 0, 1));
  const auto& box = Sys().Dialogs().back();
  EXPECT_EQ(box.title, "Paste Repeat");
  EXPECT_EQ(box.defaultText, "0");
  EXPECT_EQ(box.x, 4000);

  // With a selection the first copy goes before it, the other at the end of the active track.
  Select(0, 0, 1, 1);
  Sys().AnswerInputBox("2");
  ASSERT_TRUE(Choose(F().Repeat));
  EXPECT_THAT(Pitches(0), ElementsAre(0, 0, 1, 1, 0, 1, 0, 1, 0, 1, 0, 1));

  // Answers that do nothing.
  G().Modified = false;
  for (const char* answer : {"0", "abc", "40000", "-2", "0.4"}) {
    Sys().AnswerInputBox(answer);
    ASSERT_TRUE(Choose(F().Repeat));
  }
  Sys().CancelInputBox();
  ASSERT_TRUE(Choose(F().Repeat));
  EXPECT_EQ(G().NoteCount[0], 12);
  EXPECT_FALSE(G().Modified);
}

TEST_F(StructuralEditingTest, CommandsThatWouldOverfillATrackAreRefusedWhole) {
  AddNumbered(0, 10001);
  AddNumbered(1, 3);
  Select(0, 1, 0, 0);
  Sys().AnswerMsgBox(forms::mb::Ok, kFull);
  ASSERT_TRUE(Choose(F().Insert));
  EXPECT_EQ(G().NoteCount[1], 3);
  EXPECT_FALSE(G().Modified);

  // A Paste of two notes on a track two short of full fits; a Repeat of two such does not, at all.
  G().NoteCount[0] = 9999;
  Select(1, 1, 0, 1);
  ASSERT_TRUE(Choose(F().copy));
  G().SelTrackTo = G().SelTrackFrom = G().ActiveTrack = 0;
  Deselect();
  Sys().AnswerInputBox("2");
  Sys().AnswerMsgBox(forms::mb::Ok, kFull);
  ASSERT_TRUE(Choose(F().Repeat));
  EXPECT_EQ(G().NoteCount[0], 9999);
  ASSERT_TRUE(Choose(F().paste));
  EXPECT_EQ(G().NoteCount[0], 10001);
  EXPECT_EQ(G().NotePitch[0][10000], 1);
  EXPECT_EQ(G().NotePitch[1][0], 0);  // the next track untouched
}

// Writing or reading past position 10000 lands in the next track's notes (and the sanitizers
// report the index).
TEST_F(StructuralEditingTest, FullTracksAreNeverReadOrWrittenPastTheirLastPosition) {
  AddNumbered(0, 10001);
  AddNotes(1, 8, 7, 2, 50);
  AddNotes(2, 2, 9, 4, 60);
  Sys().AnswerInputBox("1");
  Sys().AnswerInputBox("2");
  ASSERT_TRUE(Choose(F().trktrk));
  EXPECT_EQ(G().NoteCount[1], 10001);
  EXPECT_EQ(G().NotePitch[2][0], 9);

  // Delete in the last visible columns: exactly the five selected notes go.
  G().SetScrollPos(9981);
  G().Lyrics[10000] = "end";
  Select(0, 0, 15, 19);
  ASSERT_TRUE(Choose(F().Delete));
  EXPECT_EQ(G().NoteCount[0], 9996);
  EXPECT_EQ(G().Lyrics[10000], "");
  EXPECT_EQ(G().NotePitch[1][0], 0);

  // Cut Start from the last position keeps that one note.
  G().SetScrollPos(9981);
  Select(1, 1, 19, 19);
  ASSERT_TRUE(Choose(F().Cutstart));
  EXPECT_EQ(G().NoteCount[1], 1);
  EXPECT_EQ(G().NotePitch[2][0], 9);
}

TEST_F(StructuralEditingTest, DeleteAndCutTakeOnlyTheNotesInTheSelection) {
  // Without a selection the active track's last note goes; an empty track stays empty.
  AddNumbered(0, 3);
  ASSERT_TRUE(Choose(F().Delete));
  EXPECT_EQ(G().NoteCount[0], 2);
  G().ActiveTrack = 3;
  ASSERT_TRUE(Choose(F().Delete));
  EXPECT_EQ(G().NoteCount[3], 0);

  // Tracks of 10, 3 and 0 notes, columns 2..6: the lyrics after them move back by 5, once.
  AddNumbered(1, 10);
  AddNumbered(2, 3);
  for (int p = 0; p < 12; ++p) G().Lyrics[p] = "m" + std::to_string(p);
  Select(1, 3, 2, 6);
  ASSERT_TRUE(Choose(F().Delete));
  EXPECT_THAT(Pitches(1), ElementsAre(0, 1, 7, 8, 9));
  EXPECT_THAT(Pitches(2), ElementsAre(0, 1));
  EXPECT_EQ(G().NoteCount[3], 0);
  EXPECT_EQ(G().Lyrics[2], "m7");
  EXPECT_EQ(G().Lyrics[3], "m8");

  // Cut: Copy, then Delete.
  Select(1, 1, 1, 2);
  ASSERT_TRUE(Choose(F().Cut));
  EXPECT_THAT(Pitches(1), ElementsAre(0, 8, 9));
  G().ActiveTrack = 1;
  ASSERT_TRUE(Choose(F().paste));
  EXPECT_THAT(Pitches(1), ElementsAre(0, 8, 9, 1, 7));
}

TEST_F(StructuralEditingTest, CutStartAndCutEndKeepTheirSideOfTheSelection) {
  AddNumbered(0, 10);
  G().NoteVol[0][5] = 99;
  Select(0, 0, 3, 4);
  ASSERT_TRUE(Choose(F().Cutstart));
  EXPECT_THAT(Pitches(0), ElementsAre(3, 4, 5, 6, 7, 8, 9));
  EXPECT_EQ(G().NoteVol[0][2], 99);

  // Cut End: the note in the last selected column and all after it, on long tracks only; the
  // clipboard is emptied.
  AddNumbered(1, 30);
  Select(0, 0, 0, 1);
  ASSERT_TRUE(Choose(F().copy));
  Select(0, 1, 0, 10);
  ASSERT_TRUE(Choose(F().Cutend));
  EXPECT_EQ(G().NoteCount[0], 7);
  EXPECT_EQ(G().NoteCount[1], 10);
  ASSERT_TRUE(Choose(F().paste));
  EXPECT_EQ(G().NoteCount[0], 7);
}

TEST_F(StructuralEditingTest, ClearCommandsAskFirstAndHideTheNotesByTheirCounts) {
  AddNumbered(0, 30);
  AddNumbered(1, 40);
  G().SetScrollPos(12);
  G().Lyrics[41] = "after";
  G().ActiveTrack = 1;
  Sys().AnswerMsgBox(forms::mb::No, "Are you sure you want to erase all notes from the active track?",
                     "Confirm Clear Track");
  ASSERT_TRUE(Choose(F().ClrTrk));
  EXPECT_EQ(G().NoteCount[1], 40);
  EXPECT_EQ(G().ScrollPos, 12);
  EXPECT_FALSE(G().Modified);
  Sys().AnswerMsgBox(forms::mb::Yes);
  ASSERT_TRUE(Choose(F().ClrTrk));
  EXPECT_THAT(G().NoteCount, ElementsAre(30, 0, 0, 0));
  EXPECT_EQ(G().ScrollPos, 0);

  G().NoteCount[1] = 40;
  Sys().AnswerMsgBox(forms::mb::Yes, "Are you sure you want to erase all notes from ALL tracks?", "Confirm Clear Track");
  ASSERT_TRUE(Choose(F().ClearAll));
  EXPECT_THAT(G().NoteCount, ElementsAre(0, 0, 0, 0));
  // Lyrics up to and including one past the longest track's last note.
  EXPECT_EQ(G().Lyrics[40], " ");
  EXPECT_EQ(G().Lyrics[41], "after");
  EXPECT_EQ(G().NotePitch[1][39], 39 % 25);
}

TEST_F(StructuralEditingTest, CopyTrackToTrackChecksBothNumbers) {
  AddNumbered(0, 5);
  AddNotes(2, 8, 20);
  auto copyTrack = [&](const std::string& from, const std::string& to) {
    Sys().AnswerInputBox(from, "Enter Source Track (1-4)");
    Sys().AnswerInputBox(
        to, "Enter Destination Track (1-4). CAUTION, This will overright the destination track. Click Cancel to abort.");
    ASSERT_TRUE(Choose(F().trktrk));
  };
  copyTrack("5", "1");
  copyTrack("1", "");
  EXPECT_FALSE(G().Modified);
  copyTrack("1", "1");
  EXPECT_TRUE(G().Modified);
  copyTrack("1", "3");
  EXPECT_THAT(Pitches(2), ElementsAre(0, 1, 2, 3, 4));
  EXPECT_EQ(G().NotePitch[2][6], 20);  // past the copied length, hidden
  Sys().CancelInputBox();
  ASSERT_TRUE(Choose(F().trktrk));
}

TEST_F(StructuralEditingTest, AReversedTrackRangeSelectsNoTrackForAnyCommand) {
  AddNumbered(0, 5);
  AddNumbered(2, 5);
  for (forms::Menu* command : {&F().Insert, &F().Delete, &F().Cutstart}) {
    Select(2, 0, 1, 2);
    ASSERT_TRUE(Choose(*command));
  }
  // A paste without a selection over that (negative) span fills nothing either.
  Select(0, 0, 0, 1);
  ASSERT_TRUE(Choose(F().copy));
  G().SelTrackFrom = 2;
  G().SelTrackTo = 0;
  Deselect();
  G().ActiveTrack = 1;
  ASSERT_TRUE(Choose(F().paste));
  EXPECT_THAT(G().NoteCount, ElementsAre(5, 0, 5, 0));
}

}  // namespace
}  // namespace stavelark_test

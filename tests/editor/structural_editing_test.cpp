#include <gmock/gmock.h>

#include "editor/structural_editing.h"
#include "edit_fixture.h"

namespace stavelark_test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr const char* kFull = "A track can hold at most 10001 notes.";

class StructuralEditingTest : public EditTest {};

TEST_F(StructuralEditingTest, InsertOpensABlankNoteAtTheStartOrBeforeTheSelection) {
  AddNumbered(0, 3);
  G().NoteVolumeValue = 77;
  G().CurDuration = 1;
  ASSERT_TRUE(Choose(F().Insert));
  EXPECT_THAT(Pitches(0), ElementsAre(5, 0, 1, 2));
  EXPECT_THAT(Volumes(0), ElementsAre(77, 1, 2, 3));
  EXPECT_THAT(Durations(0), ElementsAre(1, 3, 3, 3));
  EXPECT_TRUE(G().Modified);
  EXPECT_TRUE(F().Music[3].Visible());  // redrawn

  // Before the first selected column of each selected track; a track ending before it gets
  // its blank note at its end (never a stale note of an earlier composition).
  AddNumbered(1, 4);
  AddNotes(2, 5, 20, 0, 9);
  G().NoteCount[2] = 1;
  Select(0, 2, 2, 3);
  ASSERT_TRUE(Choose(F().Insert));
  EXPECT_THAT(Pitches(0), ElementsAre(5, 0, 5, 1, 2));
  EXPECT_THAT(Pitches(1), ElementsAre(0, 1, 5, 2, 3));
  EXPECT_THAT(Pitches(2), ElementsAre(20, 5));
  EXPECT_THAT(Volumes(2), ElementsAre(9, 77));
  EXPECT_FALSE(G().SelectionActive);
}

TEST_F(StructuralEditingTest, LyricsMoveWithInsertAndDeleteOnlyAsTheyShould) {
  for (int t = 0; t < 4; ++t) AddNumbered(t, 10);
  for (int p = 0; p < 12; ++p) G().Lyrics[p] = "l" + std::to_string(p);

  // Three tracks: the lyrics stay.
  Select(0, 2, 2, 2);
  ASSERT_TRUE(Choose(F().Insert));
  EXPECT_EQ(G().Lyrics[2], "l2");
  EXPECT_EQ(G().Lyrics[3], "l3");

  // Four tracks: they move up with the notes; the opened position keeps its old text.
  Select(0, 3, 2, 2);
  ASSERT_TRUE(Choose(F().Insert));
  EXPECT_EQ(G().Lyrics[2], "l2");
  EXPECT_EQ(G().Lyrics[3], "l2");
  EXPECT_EQ(G().Lyrics[4], "l3");
  EXPECT_EQ(G().Lyrics[12], "l11");

  // Delete of two columns on two tracks moves them back by two, once.
  for (int p = 0; p < 14; ++p) G().Lyrics[p] = "m" + std::to_string(p);
  Select(1, 2, 5, 6);
  ASSERT_TRUE(Choose(F().Delete));
  EXPECT_EQ(G().Lyrics[4], "m4");
  EXPECT_EQ(G().Lyrics[5], "m7");
  EXPECT_EQ(G().Lyrics[6], "m8");
  EXPECT_EQ(G().NoteCount[1], 10);
  EXPECT_EQ(G().NoteCount[3], 11);
}

TEST_F(StructuralEditingTest, CopyThenPasteIntoASelectionOpensTheClipBeforeIt) {
  AddNumbered(1, 10);
  AddNumbered(2, 10);
  AddNumbered(3, 10);
  for (int c = 4; c <= 7; ++c) F().Lyric[c].Text = "w" + std::to_string(c);
  Select(1, 2, 4, 7);
  ASSERT_TRUE(Choose(F().copy));
  // Copy keeps the selection and changes nothing.
  EXPECT_TRUE(G().SelectionActive);
  EXPECT_FALSE(G().Modified);
  EXPECT_EQ(G().ClipTrackCount, 2);
  EXPECT_EQ(G().ClipNoteCount, 4);
  EXPECT_EQ(G().ClipLyrics[0], "w4");

  Select(2, 3, 0, 0);
  ASSERT_TRUE(Choose(F().paste));
  EXPECT_THAT(Pitches(2), ElementsAre(4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9));
  EXPECT_THAT(Pitches(3), ElementsAre(4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9));
  EXPECT_THAT(Volumes(3), ElementsAre(5, 6, 7, 8, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10));
  EXPECT_EQ(G().NoteCount[1], 10);
  EXPECT_FALSE(G().SelectionActive);
  EXPECT_TRUE(G().Modified);
}

TEST_F(StructuralEditingTest, PasteWithoutASelectionAppendsOverTheLastSpan) {
  // Before any Copy a Paste opens nothing.
  AddNumbered(0, 3);
  ASSERT_TRUE(Choose(F().paste));
  EXPECT_EQ(G().NoteCount[0], 3);

  AddNumbered(1, 5);
  Select(0, 1, 1, 2);
  ASSERT_TRUE(Choose(F().copy));
  // A click elsewhere ends the selection but keeps its track span: track 1 and the one below it.
  G().ActiveTrack = 1;
  P().ScoreDisplay().ClearSelectionHighlight();
  G().SelectionActive = false;
  ASSERT_TRUE(Choose(F().paste));
  // Track 1's count is the one position for both: track 2, empty, gets its row at its end.
  EXPECT_THAT(Pitches(1), ElementsAre(0, 1, 2, 3, 4, 1, 2));
  EXPECT_THAT(Pitches(2), ElementsAre(1, 2));
  EXPECT_THAT(Volumes(2), ElementsAre(2, 3));
  EXPECT_EQ(G().PastePos, 5);
  EXPECT_EQ(G().PasteFromTrack, 1);
  EXPECT_EQ(G().PasteToTrack, 2);

  // The span never reaches past track 4.
  G().ActiveTrack = 3;
  ASSERT_TRUE(Choose(F().paste));
  EXPECT_EQ(G().PasteToTrack, 3);
  EXPECT_THAT(Pitches(3), ElementsAre(1, 2));
}

TEST_F(StructuralEditingTest, PasteIntoASelectionPastATracksEndAppendsFilledNotes) {
  // Stale notes of an earlier composition lie past track 1's end.
  AddNotes(1, 8, 20, 0, 9);
  G().NoteCount[1] = 2;
  AddNumbered(0, 12);
  Select(0, 0, 0, 1);
  ASSERT_TRUE(Choose(F().copy));
  Select(0, 1, 6, 7);
  ASSERT_TRUE(Choose(F().paste));
  EXPECT_THAT(Pitches(0), ElementsAre(0, 1, 2, 3, 4, 5, 0, 1, 6, 7, 8, 9, 10, 11));
  // Row 1 was never copied this time: zero from the start. No stale note shows.
  EXPECT_THAT(Pitches(1), ElementsAre(20, 20, 0, 0));
  EXPECT_THAT(Volumes(1), ElementsAre(9, 9, 0, 0));
}

TEST_F(StructuralEditingTest, RepeatPastesTheClipTheAnsweredNumberOfTimes) {
  AddNumbered(0, 2);
  Select(0, 0, 0, 1);
  ASSERT_TRUE(Choose(F().copy));
  P().ScoreDisplay().ClearSelectionHighlight();
  Sys().AnswerInputBox("3", "Repeat how many times?");
  ASSERT_TRUE(Choose(F().Repeat));
  EXPECT_THAT(Pitches(0), ElementsAre(0, 1, 0, 1, 0, 1, 0, 1));
  const auto& box = Sys().Dialogs().back();
  EXPECT_EQ(box.title, "Paste Repeat");
  EXPECT_EQ(box.defaultText, "0");
  EXPECT_EQ(box.x, 4000);
  EXPECT_EQ(box.y, 4000);

  // With a selection the first copy goes before it, the others to the end of the active track.
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
  AddNumbered(0, 10000);
  AddNumbered(1, 3);
  G().Lyrics[5] = "keep";
  // Insert on tracks 0 and 1: track 0 would fit one more, but only one.
  Select(0, 1, 0, 0);
  ASSERT_TRUE(Choose(F().Insert));
  EXPECT_EQ(G().NoteCount[0], 10001);
  EXPECT_EQ(G().NoteCount[1], 4);
  // Now it is full: nothing changes on either track, and the user is told.
  Select(0, 1, 0, 0);
  Sys().AnswerMsgBox(forms::mb::Ok, kFull);
  G().Modified = false;
  ASSERT_TRUE(Choose(F().Insert));
  EXPECT_EQ(G().NoteCount[0], 10001);
  EXPECT_EQ(G().NoteCount[1], 4);
  EXPECT_FALSE(G().Modified);

  // A Paste of two notes on a track two short of full fits; a Repeat of it does not, at all.
  G().NoteCount[0] = 9999;
  Select(1, 1, 0, 1);
  ASSERT_TRUE(Choose(F().copy));
  G().ActiveTrack = 0;
  G().SelTrackFrom = G().SelTrackTo = 0;
  P().ScoreDisplay().ClearSelectionHighlight();
  Sys().AnswerInputBox("2");
  Sys().AnswerMsgBox(forms::mb::Ok, kFull);
  ASSERT_TRUE(Choose(F().Repeat));
  EXPECT_EQ(G().NoteCount[0], 9999);
  ASSERT_TRUE(Choose(F().paste));
  EXPECT_EQ(G().NoteCount[0], 10001);
  EXPECT_EQ(G().NotePitch[0][10000], G().ClipPitch[0][1]);
  EXPECT_EQ(G().NotePitch[1][0], 5);  // the next track's first note untouched
  EXPECT_EQ(G().Lyrics[5], "keep");
}

TEST_F(StructuralEditingTest, FullTracksAreNeverReadOrWrittenPastTheirLastPosition) {
  AddNumbered(0, 10001);
  AddNotes(1, 2, 7, 2, 50);
  AddNotes(2, 2, 9, 4, 60);
  // Copy Track to Track from a full track: the next track's notes stay as they were.
  Sys().AnswerInputBox("1");
  Sys().AnswerInputBox("2");
  ASSERT_TRUE(Choose(F().trktrk));
  EXPECT_EQ(G().NoteCount[1], 10001);
  EXPECT_EQ(G().NotePitch[1][10000], 10000 % 25);
  EXPECT_EQ(G().NotePitch[2][0], 9);
  EXPECT_EQ(G().NoteVol[2][0], 60);

  // Delete at the end of a full view: the track loses the selected notes, nothing else moves.
  G().SetScrollPos(9981);
  for (int p = 9990; p <= 10000; ++p) G().Lyrics[p] = "z" + std::to_string(p);
  Select(0, 0, 15, 19);
  ASSERT_TRUE(Choose(F().Delete));
  EXPECT_EQ(G().NoteCount[0], 9996);
  EXPECT_EQ(G().Lyrics[9996], "");
  EXPECT_EQ(G().Lyrics[10000], "");
  EXPECT_EQ(G().NotePitch[1][0], 0);

  // Cut Start from the last position of a full track keeps that one note.
  G().NoteCount[1] = 10001;
  G().SetScrollPos(9981);
  Select(1, 1, 19, 19);
  ASSERT_TRUE(Choose(F().Cutstart));
  EXPECT_EQ(G().NoteCount[1], 1);
  EXPECT_EQ(G().NotePitch[1][0], 10000 % 25);
  EXPECT_EQ(G().NotePitch[2][0], 9);
}

TEST_F(StructuralEditingTest, DeleteTakesOnlyTheNotesThatLayInTheSelection) {
  // Without a selection the active track's last note goes; an empty track stays empty.
  AddNumbered(0, 3);
  ASSERT_TRUE(Choose(F().Delete));
  EXPECT_EQ(G().NoteCount[0], 2);
  G().ActiveTrack = 1;
  ASSERT_TRUE(Choose(F().Delete));
  EXPECT_EQ(G().NoteCount[1], 0);

  // Tracks of 10, 3 and 0 notes; columns 2..6 reach past the shorter ones.
  AddNumbered(1, 10);
  AddNumbered(2, 3);
  Select(1, 3, 2, 6);
  ASSERT_TRUE(Choose(F().Delete));
  EXPECT_THAT(Pitches(1), ElementsAre(0, 1, 7, 8, 9));
  EXPECT_THAT(Pitches(2), ElementsAre(0, 1));
  EXPECT_EQ(G().NoteCount[3], 0);
  // A selection starting past a track's end takes nothing from it.
  Select(1, 1, 8, 9);
  ASSERT_TRUE(Choose(F().Delete));
  EXPECT_EQ(G().NoteCount[1], 5);
}

TEST_F(StructuralEditingTest, CutMovesTheSelectionToTheClipboard) {
  AddNumbered(0, 6);
  Select(0, 0, 1, 2);
  ASSERT_TRUE(Choose(F().Cut));
  EXPECT_THAT(Pitches(0), ElementsAre(0, 3, 4, 5));
  EXPECT_EQ(G().ClipNoteCount, 2);
  ASSERT_TRUE(Choose(F().paste));
  EXPECT_THAT(Pitches(0), ElementsAre(0, 3, 4, 5, 1, 2));
}

TEST_F(StructuralEditingTest, CutStartAndCutEndKeepTheirSideOfTheSelection) {
  AddNumbered(0, 10);
  G().NoteVol[0][5] = 99;
  G().NoteDuration[0][5] = 5;
  Select(0, 0, 3, 4);
  ASSERT_TRUE(Choose(F().Cutstart));
  EXPECT_THAT(Pitches(0), ElementsAre(3, 4, 5, 6, 7, 8, 9));
  EXPECT_EQ(G().NoteVol[0][2], 99);
  EXPECT_EQ(G().NoteDuration[0][2], 5);

  // Cut End takes the note in the last selected column and all after it, on long tracks only,
  // and empties the clipboard.
  AddNumbered(1, 30);
  AddNumbered(2, 5);
  Select(0, 0, 0, 1);
  ASSERT_TRUE(Choose(F().copy));
  Select(1, 2, 0, 10);
  ASSERT_TRUE(Choose(F().Cutend));
  EXPECT_EQ(G().NoteCount[1], 10);
  EXPECT_EQ(G().NoteCount[2], 5);
  G().ActiveTrack = 1;
  ASSERT_TRUE(Choose(F().paste));
  EXPECT_EQ(G().NoteCount[1], 10);

  // Without a selection both only mark the composition changed.
  G().Modified = false;
  ASSERT_TRUE(Choose(F().Cutstart));
  EXPECT_TRUE(G().Modified);
  EXPECT_EQ(G().NoteCount[1], 10);
}

TEST_F(StructuralEditingTest, ClearTrackAndClearAllAskFirst) {
  AddNumbered(0, 30);
  AddNumbered(1, 40);
  G().SetScrollPos(12);
  G().Lyrics[40] = "last";
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
  EXPECT_EQ(G().NoteCount[1], 0);
  EXPECT_EQ(G().NoteCount[0], 30);
  EXPECT_EQ(G().ScrollPos, 0);
  EXPECT_TRUE(G().Modified);

  AddNumbered(1, 40);
  G().TrackOctave[2] = 6;
  Sys().AnswerMsgBox(forms::mb::Yes, "Are you sure you want to erase all notes from ALL tracks?", "Confirm Clear Track");
  ASSERT_TRUE(Choose(F().ClearAll));
  EXPECT_THAT(G().NoteCount, ElementsAre(0, 0, 0, 0));
  // Up to and including one past the longest track's last note.
  EXPECT_EQ(G().Lyrics[0], " ");
  EXPECT_EQ(G().Lyrics[40], " ");
  EXPECT_EQ(G().Lyrics[41], "after");
  EXPECT_EQ(G().TrackOctave[2], 6);
  EXPECT_EQ(G().NotePitch[1][39], 39 % 25);  // hidden by the count, not erased
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
  EXPECT_EQ(G().NoteCount[0], 5);

  copyTrack("1", "3");
  EXPECT_THAT(Pitches(2), ElementsAre(0, 1, 2, 3, 4));
  EXPECT_EQ(G().NotePitch[2][6], 20);  // past the copied length, hidden
  EXPECT_EQ(G().SelTrackFrom, 0);
  EXPECT_EQ(G().SelTrackTo, 2);

  // Cancel at the first question ends the command.
  Sys().CancelInputBox();
  ASSERT_TRUE(Choose(F().trktrk));
}

TEST_F(StructuralEditingTest, AReversedTrackRangeSelectsNoTrackForAnyCommand) {
  AddNumbered(0, 5);
  AddNumbered(2, 5);
  Select(2, 0, 1, 2);
  EXPECT_TRUE(G().SelectionActive);
  ASSERT_TRUE(Choose(F().Insert));
  Select(2, 0, 1, 2);
  ASSERT_TRUE(Choose(F().Delete));
  Select(2, 0, 1, 2);
  ASSERT_TRUE(Choose(F().Cutstart));
  EXPECT_EQ(G().NoteCount[0], 5);
  EXPECT_EQ(G().NoteCount[2], 5);
  // A paste without a selection over that (negative) span fills nothing either.
  Select(0, 0, 0, 1);
  ASSERT_TRUE(Choose(F().copy));
  G().SelTrackFrom = 2;
  G().SelTrackTo = 0;
  P().ScoreDisplay().ClearSelectionHighlight();
  G().ActiveTrack = 1;
  ASSERT_TRUE(Choose(F().paste));
  EXPECT_THAT(G().NoteCount, ElementsAre(5, 0, 5, 0));
}

}  // namespace
}  // namespace stavelark_test

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <optional>

#include "editor/form1.h"
#include "platform/basic/basic.h"
#include "sound/effect_chain.h"
#include "sound/karaoke.h"
#include "sound/play_fixture.h"
#include "sound/sound_engine.h"

namespace stavelark_test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::Not;

// Loading the play file: the old segment (when there is one) stops, the file is loaded, its
// length checked, loaded again and marked, and the effect chain rebuilt.
std::vector<std::string> LoadCalls(const std::string& path, int segment, bool stopOld) {
  std::vector<std::string> calls;
  if (stopOld) calls.push_back("performance.StopEx(segment" + std::to_string(segment - 2) + ", 0, 0)");
  calls.push_back("loader.LoadSegment(" + path + ")");
  calls.push_back("loader.LoadSegment(" + path + ")");
  calls.push_back("segment" + std::to_string(segment) + ".SetStandardMidiFile()");
  return Concat({calls, EmptyChainCalls()});
}

std::vector<std::string> StartCalls(int segment, std::optional<int> repeats, bool clock = true) {
  std::vector<std::string> calls;
  const std::string s = "segment" + std::to_string(segment);
  if (repeats) calls.push_back(s + ".SetRepeats(" + std::to_string(*repeats) + ")");
  calls.push_back("performance.PlaySegmentEx(" + s + ", 16384, 0, none, none)");
  if (clock) calls.push_back("performance.GetClockTime()");
  return calls;
}

// The clock's start: now in tenths, plus the head start (125 - Tempo) / 20 held in single precision.
int32_t StartClockAt(int64_t nowMs, double tempo) {
  const double tenths = basic::RoundHalfEven(static_cast<double>(nowMs) / 100);
  return static_cast<int32_t>(basic::RoundHalfEven(tenths + static_cast<float>((125 - tempo) / 20)));
}

class PlayCommandsTest : public PlayTest {};

TEST_F(PlayCommandsTest, PlayWritesLoadsAndStartsTheWholeScoreThenDeletesItsFile) {
  Ramp(0, 3);
  Notes(2, {5, 6});
  G().PlayFileCounter = 254;
  Act([&] { Play().Play(); });

  EXPECT_THAT(Calls(), ElementsAreArray(Concat({LoadCalls(Temp("note 254.mid"), 2, false), StartCalls(2, 0)})));
  EXPECT_EQ(G().PlayStartClock, StartClockAt(Sys().Now(), 64));
  // All four tracks, each up to its own last note.
  EXPECT_EQ(LoadedNoteTracks(), 4u);
  EXPECT_EQ(LoadedKeys()[0], KeysOf(0, 0, 3));
  EXPECT_EQ(LoadedKeys()[2], KeysOf(2, 0, 2));
  EXPECT_EQ(LoadedKeys().count(1), 0u);
  // The values the playback clock follows.
  EXPECT_FLOAT_EQ(G().PlayDuration, 3 * 201 / 64.0f);
  EXPECT_FLOAT_EQ(G().TenthsPerNote, 201 / 64.0f);
  EXPECT_EQ(G().ElapsedTenths, 0);
  EXPECT_TRUE(F().TimerClock.Enabled());
  EXPECT_EQ(G().PlayFileCounter, 0) << "the counter goes round after 254";
  EXPECT_TRUE(TempFolderEmpty());
  EXPECT_FALSE(G().PlayFileBusy);

  // The next play stops this one first and uses the next name; Loop repeats it without end.
  Sys().Advance(1400);  // the clock has followed the first play to its end
  EXPECT_FALSE(F().TimerClock.Enabled());
  recorder.ClearCalls();
  G().Tempo = 120;
  F().ChkLoop.Checked = true;
  Act([&] { Play().Play(); });
  EXPECT_THAT(Calls(), ElementsAreArray(Concat({LoadCalls(Temp("note 0.mid"), 4, true), StartCalls(4, -1)})));
  EXPECT_FLOAT_EQ(G().PlayDuration, 3 * 201 / 120.0f);
  EXPECT_EQ(G().PlayStartClock, StartClockAt(Sys().Now(), 120));
}

TEST_F(PlayCommandsTest, ActiveTrackPlaysOnlyThatTrackAndTakesItsLength) {
  Ramp(0, 12);
  Ramp(3, 5);
  G().ActiveTrack = 3;
  Act([&] { Sys().ChooseMenu(F().actrk); });
  EXPECT_TRUE(F().actrk.Checked());
  Act([&] { Sys().ChooseMenu(F().PlayFull); });
  EXPECT_EQ(LoadedNoteTracks(), 1u);
  EXPECT_EQ(LoadedKeys()[3], KeysOf(3, 0, 5));
  EXPECT_EQ(G().ScoreLength, 5) << "the active track's length stands for the score's";
  EXPECT_FLOAT_EQ(G().PlayDuration, 5 * 201 / 64.0f);
  EXPECT_FLOAT_EQ(G().TenthsPerNote, 201 / 64.0f);
  EXPECT_TRUE(F().TimerClock.Enabled());

  // An empty active track ends as an empty score does.
  recorder.ClearCalls();
  G().ActiveTrack = 1;
  G().ResumeOffset = 77;
  Act([&] { Sys().ChooseMenu(F().PlayFull); });
  EXPECT_THAT(Calls(), IsEmpty());
  EXPECT_EQ(G().ScoreLength, 0);
  EXPECT_EQ(G().ResumeOffset, 0);
  EXPECT_EQ(G().PlayFileCounter, 1);
  EXPECT_TRUE(TempFolderEmpty());

  Act([&] { Sys().ChooseMenu(F().actrk); });
  EXPECT_FALSE(F().actrk.Checked());
}

TEST_F(PlayCommandsTest, SelectionPlaysItsPositionsWithoutTheClock) {
  Ramp(0, 30);
  Ramp(1, 30);
  Ramp(2, 30);
  G().ScrollPos = 5;
  Act([&] { Sys().ChooseMenu(F().PlayAct); });
  EXPECT_THAT(Calls(), IsEmpty()) << "the Selection item needs a selection";
  Select(1, 2, 3, 6);  // positions 8..11
  Act([&] { Sys().ChooseMenu(F().PlayAct); });
  EXPECT_EQ(LoadedNoteTracks(), 2u);
  EXPECT_EQ(LoadedKeys()[1], KeysOf(1, 8, 12));
  EXPECT_EQ(LoadedKeys()[2], KeysOf(2, 8, 12));
  // n = 3 columns between the first and last: 4 positions of 190 / Tempo, divided by n.
  EXPECT_FLOAT_EQ(G().PlayDuration, 4 * 190 / 64.0f);
  EXPECT_FLOAT_EQ(G().TenthsPerNote, 4 * 190 / 64.0f / 3);
  EXPECT_EQ(G().PlayerPianoPage, 0);
  EXPECT_EQ(G().ElapsedTenths, 8);
  EXPECT_EQ(G().PlayerPianoColumn, 3);
  EXPECT_EQ(G().ResumeOffset, basic::CLng(-8 * (4 * 190 / 64.0f / 3)));
  EXPECT_FALSE(F().TimerClock.Enabled()) << "a selection plays without the clock";

  // With Active Track checked only the active track of the selected positions plays.
  G().ActiveTrack = 0;
  F().actrk.Checked = true;
  G().ScrollPos = 20;
  Select(1, 3, 2, 2);  // position 22 alone
  Act([&] { Play().Play(); });
  EXPECT_EQ(LoadedNoteTracks(), 1u);
  EXPECT_EQ(LoadedKeys()[0], KeysOf(0, 22, 23));
  EXPECT_FLOAT_EQ(G().PlayDuration, 190 / 64.0f);
  EXPECT_FLOAT_EQ(G().TenthsPerNote, 0.1f);
  EXPECT_EQ(G().PlayerPianoPage, 1);
  EXPECT_EQ(G().ElapsedTenths, 22);
  EXPECT_EQ(G().ResumeOffset, -2);  // -22 x 0.1 rounded
  EXPECT_EQ(G().ScoreLength, 30) << "a selection play leaves the score length alone";
}

TEST_F(PlayCommandsTest, LampsFollowRecordStopPauseAndAnEmptyPlay) {
  Act([&] { Play().Record(); });
  EXPECT_FALSE(G().RecordOn);
  EXPECT_EQ(Lamp(F().RecButt), kGrey);
  Act([&] { Play().Record(); });
  EXPECT_TRUE(G().RecordOn);
  EXPECT_EQ(Lamp(F().RecButt), kRed);

  Act([&] { Play().Stop(); });
  Act([&] { Play().Pause(); });
  EXPECT_EQ(Lamp(F().StopBox), kRed);
  EXPECT_EQ(Lamp(F().PauseBar[0]), kRed);
  recorder.ClearCalls();
  G().ResumeOffset = 12;
  Act([&] { Sys().ChooseMenu(F().PlayFull); });
  EXPECT_EQ(Lamp(F().StopBox), kGrey);
  EXPECT_EQ(Lamp(F().PauseBar[1]), kGrey);
  EXPECT_EQ(G().ResumeOffset, 0);
  EXPECT_FALSE(G().Paused) << "a pause before anything played has nothing to resume";
  EXPECT_THAT(Calls(), IsEmpty());
  EXPECT_TRUE(TempFolderEmpty());
  EXPECT_FALSE(F().TimerClock.Enabled());
}

TEST_F(PlayCommandsTest, PauseStopsOnceAndPlayResumesFromThePausedPositionWithoutLooping) {
  Ramp(0, 40);
  Ramp(1, 30);
  F().ChkLoop.Checked = true;
  Act([&] { Play().Play(); });
  // The clock has followed 6.3 seconds: position 63 / (201 / 64) = 20.06.
  G().ElapsedTotal = 63;
  G().ElapsedTenths = 63;
  recorder.ClearCalls();
  Act([&] { Sys().ChooseMenu(F().pause); });
  EXPECT_THAT(Calls(), ElementsAre("performance.StopEx(segment2, 0, 0)"));
  EXPECT_TRUE(G().Paused);
  EXPECT_EQ(Lamp(F().PauseBar[1]), kRed);
  EXPECT_FALSE(F().TimerClock.Enabled());

  recorder.ClearCalls();
  Act([&] { Play().Pause(); });
  EXPECT_THAT(Calls(), IsEmpty()) << "a second pause does nothing";
  EXPECT_TRUE(G().Paused);

  Act([&] { Play().Play(); });
  EXPECT_THAT(Calls(),
              ElementsAreArray(Concat({LoadCalls(Temp("note 1.mid"), 4, true), StartCalls(4, std::nullopt)})));
  EXPECT_EQ(G().PausedNote, 20);
  EXPECT_EQ(LoadedKeys()[0], KeysOf(0, 20, 40));
  EXPECT_EQ(LoadedKeys()[1], KeysOf(1, 20, 30));
  EXPECT_EQ(G().ResumeOffset, 63);
  EXPECT_EQ(G().ElapsedTenths, 20);
  EXPECT_FALSE(G().Paused);
  EXPECT_EQ(Lamp(F().PauseBar[0]), kGrey);
  EXPECT_TRUE(F().TimerClock.Enabled());
  EXPECT_EQ(G().PlayFileCounter, 2);
  EXPECT_TRUE(TempFolderEmpty());
}

TEST_F(PlayCommandsTest, ResumeOfTheActiveTrackPlaysToItsEndAndStaysInRange) {
  Ramp(0, 40);
  Ramp(2, 10);
  G().ActiveTrack = 2;
  F().actrk.Checked = true;
  Act([&] { Play().Play(); });
  Act([&] { Play().Pause(); });
  G().ElapsedTenths = 5000;  // far past the end
  G().ElapsedTotal = 5000;
  Act([&] { Play().Play(); });
  EXPECT_EQ(G().PausedNote, 10);
  EXPECT_EQ(LoadedNoteTracks(), 1u);
  EXPECT_EQ(LoadedKeys().count(2), 0u) << "nothing is left of the track";
  EXPECT_TRUE(F().TimerClock.Enabled());
}

TEST_F(PlayCommandsTest, ResumeAfterASelectionPlayStartsAtTheSelection) {
  Ramp(0, 40);
  G().ScrollPos = 5;
  Select(0, 0, 3, 6);
  Act([&] { Play().Play(); });
  G().ElapsedTotal = 300;  // left over from an earlier play the clock followed
  Act([&] { Play().Pause(); });
  G().SelectionActive = false;
  Act([&] { Play().Play(); });
  EXPECT_EQ(G().PausedNote, 8);
  EXPECT_EQ(LoadedKeys()[0], KeysOf(0, 8, 40)) << "a resume plays to the end of the score";
  EXPECT_EQ(G().ResumeOffset, 0) << "the clock starts from the resumed position";
  EXPECT_TRUE(F().TimerClock.Enabled());
}

TEST_F(PlayCommandsTest, StopAfterPauseEndsThePauseAndTheNextPlayStartsAfresh) {
  Ramp(0, 40);
  G().TeachMode = true;
  G().PlayerPianoMode = true;
  Act([&] { Play().Play(); });
  EXPECT_EQ(G().LitKey, 0);
  EXPECT_EQ(G().LitKeyColour, 0xCFF5FB);
  G().LitKey = 18;
  G().LitKeyColour = 0;
  G().PlayerPianoColumn = 7;
  F().Lyric[7].BackColor = 0x00FFFF;
  Act([&] { Play().Pause(); });
  recorder.ClearCalls();
  Act([&] { Sys().ChooseMenu(F().Stop); });
  EXPECT_THAT(Calls(), ElementsAre("performance.StopEx(segment2, 0, 0)"));
  EXPECT_EQ(Lamp(F().StopBox), kRed);
  EXPECT_EQ(Lamp(F().PauseBar[0]), kGrey);
  EXPECT_FALSE(G().Paused);
  EXPECT_FALSE(F().TimerClock.Enabled());
  EXPECT_EQ(F().Piano[18].BackColor(), 0) << "the lit key gets its colour back";
  EXPECT_EQ(F().Lyric[7].BackColor(), 0xFFFFFF);

  recorder.ClearCalls();
  Act([&] { Play().Play(); });
  EXPECT_THAT(Calls(), Contains("segment4.SetRepeats(0)")) << "a fresh play";
  EXPECT_EQ(LoadedKeys()[0], KeysOf(0, 0, 40));
  EXPECT_EQ(Lamp(F().StopBox), kGrey);
}

TEST_F(PlayCommandsTest, FailedPlayShowsWhyLeavesTheCounterAndDeletesItsFile) {
  Ramp(0, 5);
  recorder.FailOn("performance.PlaySegmentEx");
  Sys().AnswerMsgBox(forms::mb::Ok, "There was an error loading the MIDI file.", "Couldn't load");
  Act([&] { Play().Play(); });
  EXPECT_EQ(Sys().Dialogs().back().buttons, forms::mb::Critical);
  EXPECT_EQ(G().PlayFileCounter, 0);
  EXPECT_FALSE(F().TimerClock.Enabled());
  EXPECT_TRUE(TempFolderEmpty());

  // A file that can't be written fails the same way.
  recorder.ClearFailures();
  std::filesystem::remove_all(Root() / "temp");
  Sys().AnswerMsgBox(forms::mb::Ok, "There was an error loading the MIDI file.", "Couldn't load");
  Act([&] { Play().Play(); });
  EXPECT_EQ(G().PlayFileCounter, 0);
  EXPECT_FALSE(G().PlayFileBusy);
}

TEST_F(PlayCommandsTest, DisplaysAreSetUpForAWholePlay) {
  Ramp(0, 40);
  for (int i = 0; i < 6; ++i) G().Lyrics[i] = "la" + std::to_string(i);
  G().KaraokeMode = true;
  G().PlayerPianoMode = true;
  G().TeachMode = false;
  G().ScrollPos = 17;
  G().PlayerPianoColumn = 9;
  Act([&] { Play().Play(); });
  EXPECT_EQ(G().ScrollPos, 0);
  EXPECT_EQ(G().PlayerPianoPage, 0);
  EXPECT_EQ(G().PlayerPianoColumn, 0);
  stavelark::Karaoke& k = P().Karaoke();
  EXPECT_TRUE(k.Visible());
  EXPECT_EQ(k.VocLabel[0].Caption(), "la0");
  EXPECT_EQ(k.VocLabel[4].Caption(), "la4");
  EXPECT_EQ(k.Ball.Left(), 840);
  EXPECT_EQ(G().KaraokePage, 0);
  EXPECT_EQ(G().KaraokeBallIndex, 0);

  // A selection play sets up neither.
  k.Hide();
  G().ScrollPos = 17;
  Select(0, 0, 0, 1);
  Act([&] { Play().Play(); });
  EXPECT_EQ(G().ScrollPos, 17);
  EXPECT_FALSE(k.Visible());
}

TEST_F(PlayCommandsTest, FromSelectionToEndPlaysEveryTrackFromTheSelection) {
  Ramp(0, 30);
  Ramp(1, 25);
  Ramp(3, 12);
  F().actrk.Checked = true;
  G().ScrollPos = 6;
  Select(1, 1, 4, 7);  // from position 10
  G().ResumeOffset = 40;
  G().Paused = true;
  G().PlayerPianoMode = true;
  Act([&] { Sys().ChooseMenu(F().PlayFrom); });
  EXPECT_THAT(Calls(), ElementsAreArray(Concat({LoadCalls(Temp("note 0.mid"), 2, false), StartCalls(2, 0)})));
  EXPECT_EQ(LoadedNoteTracks(), 4u);
  EXPECT_EQ(LoadedKeys()[0], KeysOf(0, 10, 30));
  EXPECT_EQ(LoadedKeys()[1], KeysOf(1, 10, 25));
  EXPECT_EQ(LoadedKeys()[3], KeysOf(3, 10, 12));
  EXPECT_FLOAT_EQ(G().PlayDuration, 20 * 201 / 64.0f);
  EXPECT_FLOAT_EQ(G().TenthsPerNote, 201 / 64.0f);
  EXPECT_EQ(G().ElapsedTenths, 10);
  EXPECT_EQ(G().ResumeOffset, 0);
  EXPECT_EQ(G().ScrollPos, 10) << "the player piano starts at the first position played";
  EXPECT_TRUE(F().TimerClock.Enabled());
  EXPECT_FALSE(G().Paused);
  EXPECT_EQ(G().PlayFileCounter, 1);
  EXPECT_TRUE(TempFolderEmpty());

  // Paused there, Play resumes from the followed position after the start.
  G().ElapsedTenths = 32;  // ten positions in
  G().ElapsedTotal = 32;
  Act([&] { Play().Pause(); });
  Act([&] { Play().Play(); });
  EXPECT_EQ(G().PausedNote, 20);
}

TEST_F(PlayCommandsTest, FromSelectionToEndWithNothingLeftOnlyStopsWhatPlays) {
  Ramp(0, 20);
  Act([&] { Sys().ChooseMenu(F().PlayFrom); });
  EXPECT_THAT(Calls(), IsEmpty()) << "no selection";
  Act([&] { Play().Play(); });
  recorder.ClearCalls();
  F().TimerClock.Enabled = false;
  G().ScrollPos = 30;
  Select(0, 0, 2, 3);  // position 32, past the score's 20
  Act([&] { Sys().ChooseMenu(F().PlayFrom); });
  EXPECT_THAT(Calls(), ElementsAre("performance.StopEx(segment2, 0, 0)"));
  EXPECT_FALSE(F().TimerClock.Enabled());
  EXPECT_EQ(G().PlayFileCounter, 1);
  EXPECT_TRUE(TempFolderEmpty());

  // A failure ends it without a message.
  G().ScrollPos = 0;
  recorder.FailOn("loader.LoadSegment");
  Act([&] { Sys().ChooseMenu(F().PlayFrom); });
  EXPECT_EQ(G().PlayFileCounter, 1);
  EXPECT_FALSE(F().TimerClock.Enabled());
  EXPECT_TRUE(TempFolderEmpty());
}

TEST_F(PlayCommandsTest, StartToSelectionPlaysUpToTheSelectionsFirstPosition) {
  Ramp(0, 30);
  Ramp(2, 5);
  G().ScrollPos = 5;
  Select(0, 0, 0, 3);
  Act([&] { Sys().ChooseMenu(F().PlayStartActive); });
  EXPECT_THAT(Calls(), IsEmpty()) << "a selection from the first column";

  Select(2, 3, 3, 3);  // first position 8
  Act([&] { Sys().ChooseMenu(F().PlayStartActive); });
  EXPECT_THAT(Calls(), ElementsAreArray(Concat({LoadCalls(Temp("note 0.mid"), 2, false), StartCalls(2, 0)})));
  EXPECT_EQ(LoadedNoteTracks(), 4u);
  EXPECT_EQ(LoadedKeys()[0], KeysOf(0, 0, 9));
  EXPECT_EQ(LoadedKeys()[2], KeysOf(2, 0, 5));
  EXPECT_EQ(G().ScoreLength, 8);
  EXPECT_FLOAT_EQ(G().PlayDuration, 8 * 201 / 64.0f);
  EXPECT_FLOAT_EQ(G().TenthsPerNote, 201 / 64.0f);
  EXPECT_FALSE(F().TimerClock.Enabled());
  EXPECT_EQ(G().PlayFileCounter, 1);
  EXPECT_TRUE(TempFolderEmpty()) << "its file goes too";

  // While paused it only restarts the clock.
  Act([&] { Play().Pause(); });
  recorder.ClearCalls();
  Act([&] { Sys().ChooseMenu(F().PlayStartActive); });
  EXPECT_THAT(Calls(), IsEmpty());
  EXPECT_TRUE(F().TimerClock.Enabled());
  EXPECT_FALSE(G().Paused);
  EXPECT_EQ(Lamp(F().PauseBar[0]), kGrey);
  EXPECT_EQ(G().PlayFileCounter, 2);
}

TEST_F(PlayCommandsTest, PlayAMidiFilePlaysTheChosenFileAsItIs) {
  const std::string chosen = (Root() / "song.mid").string();
  stavelark::WriteNoteFileTo(G(), chosen, 40, 5, 3);
  F().ChkLoop.Checked = true;
  Sys().AnswerFileDialog(chosen);
  Act([&] { Sys().ChooseMenu(F().PlayMIDI); });
  const auto& request = Sys().Dialogs().back().file;
  EXPECT_EQ(request.filter, "All Files (*.*)|*.*|MIDI Files (*.MID)|*.MID");
  EXPECT_EQ(request.filterIndex, 2);
  EXPECT_THAT(Calls(), ElementsAreArray(Concat({LoadCalls(chosen, 2, false), StartCalls(2, -1, false)})));
  EXPECT_TRUE(std::filesystem::exists(chosen)) << "the user's file stays";
  EXPECT_EQ(G().PlayFileCounter, 0);
  EXPECT_FALSE(F().TimerClock.Enabled());
  EXPECT_FALSE(F().CommonDialog1.CancelError());

  // Cancelled: nothing happens, not even a stop.
  recorder.ClearCalls();
  G().CurrentFilePath = "kept";
  Sys().CancelFileDialog();
  Act([&] { Sys().ChooseMenu(F().PlayMIDI); });
  EXPECT_THAT(Calls(), IsEmpty());
  EXPECT_EQ(G().CurrentFilePath, "kept");

  // A file that isn't MIDI fails silently after the stop.
  const std::string text = (Root() / "notes.txt").string();
  std::ofstream(text) << "not a MIDI file";
  Sys().AnswerFileDialog(text);
  Act([&] { Sys().ChooseMenu(F().PlayMIDI); });
  EXPECT_THAT(Calls(), ElementsAre("performance.StopEx(segment2, 0, 0)", "loader.LoadSegment(" + text + ")"));
}

TEST_F(PlayCommandsTest, PlayAMidiFileRefusesWhatIsNoRegularFileWithoutWaiting) {
  const std::string pipe = (Root() / "pipe.mid").string();
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  ::alarm(5);  // should the command wait on the pipe, the alarm ends the test there as a failure
  const auto start = std::chrono::steady_clock::now();
  for (const std::string& path : {pipe, Root().string()}) {
    Sys().AnswerFileDialog(path);
    Act([&] { Sys().ChooseMenu(F().PlayMIDI); });
  }
  ::alarm(0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_THAT(Calls(), Not(Contains(::testing::HasSubstr("LoadSegment"))));
}

TEST_F(PlayCommandsTest, OtherPlaysAndNotesAreIgnoredWhileAPlayWritesItsFile) {
  Ramp(0, 10);
  G().RecordOn = false;
  bool busySeen = false;
  Sys().Post([&] {
    busySeen = G().PlayFileBusy;
    Play().Play();
    Play().PlayFrom_Click();
    Play().Stop();
    Play().Pause();
    Piano().Piano_Click(3);
    G().InstPicked = true;
    Piano().PreviewInstrumentNote();
  });
  Act([&] { Play().Play(); });
  EXPECT_TRUE(busySeen);
  EXPECT_EQ(recorder.LoadedFiles().size(), 2u) << "one play loaded its file twice; nothing else loaded";
  const std::vector<std::string> calls = Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "performance.PlaySegmentEx(segment2, 16384, 0, none, none)"), 1);
  EXPECT_THAT(calls, Not(Contains(::testing::HasSubstr("StopEx"))));
  EXPECT_FALSE(G().Paused);
  EXPECT_FALSE(G().InstPicked);
  EXPECT_EQ(G().PlayFileCounter, 1);
  EXPECT_FALSE(G().PlayFileBusy);
  EXPECT_TRUE(TempFolderEmpty());
}

TEST_F(PlayCommandsTest, EffectChainWithoutALoadedSegmentSaysSo) {
  Sys().AnswerMsgBox(forms::mb::Ok, "You must first load an audio file before you can apply effects to it.",
                     "No buffer");
  Act([&] { P().EffectChain().FX(); });
  EXPECT_EQ(Sys().Dialogs().back().buttons, forms::mb::Information);
  EXPECT_THAT(Calls(), IsEmpty());

  // A failing rebuild reports itself and the play goes on.
  Ramp(0, 3);
  recorder.FailOn("buffer.SetFX");
  Sys().AnswerMsgBox(forms::mb::Ok, "FX error");
  Act([&] { Play().Play(); });
  EXPECT_THAT(Calls(), Contains("performance.PlaySegmentEx(segment2, 16384, 0, none, none)"));
  EXPECT_THAT(Calls(), Not(Contains("audiopath.Activate(true)")));
  EXPECT_TRUE(F().TimerClock.Enabled());
}

}  // namespace
}  // namespace stavelark_test

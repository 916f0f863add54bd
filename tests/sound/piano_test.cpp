#include "editor/form1.h"
#include "sound/play_fixture.h"

namespace stavelark_test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr forms::Color kBlue = 0xFF0000;
constexpr forms::Color kIvory = 0xCFF5FB;

class PianoTest : public PlayTest {
 protected:
  void SetUp() override {
    PlayTest::SetUp();
    ASSERT_TRUE(Sys().Focus(F().Piano[0]));
  }

  // A key pressed and released on the PC keyboard while a piano key has the focus.
  void Type(int keyCode) {
    Sys().KeyDown(F(), keyCode);
    Sys().KeyUp(F(), keyCode);
  }

  // The single-note file sounded: loaded once after the old sound stops, effects, marked, started.
  std::vector<std::string> NoteCalls(const std::string& file, int segment, bool stopOld) {
    std::vector<std::string> calls;
    if (stopOld) calls.push_back("performance.StopEx(segment" + std::to_string(segment - 1) + ", 0, 0)");
    calls.push_back("loader.LoadSegment(" + file + ")");
    calls = Concat({calls, EmptyChainCalls()});
    const std::string s = "segment" + std::to_string(segment);
    calls.push_back(s + ".SetStandardMidiFile()");
    calls.push_back("performance.PlaySegmentEx(" + s + ", 16384, 0, none, none)");
    return calls;
  }

  std::vector<uint8_t> NoteFile(int instrument, int pitch, int duration) {
    return stavelark::BuildNoteFile(G(), instrument, pitch, duration, stavelark::kNoteCreditText);
  }
};

TEST_F(PianoTest, PcKeysMapToPianoKeys) {
  std::vector<std::pair<int, int>> table = {{192, 0}, {48, 10}, {189, 11}, {187, 12}, {8, 13}, {27, 15}};
  for (int d = 1; d <= 9; ++d) table.push_back({48 + d, d});
  for (int fn = 0; fn < 9; ++fn) table.push_back({112 + fn, 16 + fn});
  // F10, the numeric keypad's digits, letters, Space and Enter don't play.
  for (int code : {121, 96, 97, 105, 65, 81, 90, 32, 13, 0}) table.push_back({code, -1});
  for (auto [code, key] : table) {
    G().LastKeyCode = static_cast<int16_t>(code);
    Piano().KeyCodeToPianoKey();
    EXPECT_EQ(G().PianoKeyIndex, key) << "key code " << code;
  }
  EXPECT_EQ(stavelark::PianoKeys::PitchOfKey(0), 0);
  EXPECT_EQ(stavelark::PianoKeys::PitchOfKey(14), 24);
  EXPECT_EQ(stavelark::PianoKeys::PitchOfKey(15), stavelark::kRestPitch);
  EXPECT_EQ(stavelark::PianoKeys::PitchOfKey(16), 2);
  EXPECT_EQ(stavelark::PianoKeys::PitchOfKey(25), 23);
}

TEST_F(PianoTest, TypedKeyEntersTheNoteAndSoundsItThroughTheNoteFile) {
  G().CurDuration = 4;
  G().NoteVolumeValue = 90;
  G().TrackInstrument[1] = 40;
  G().ActiveTrack = 1;
  Sys().KeyDown(F(), '3');  // key 3: E, pitch code 5
  EXPECT_EQ(F().Piano[3].BackColor(), kBlue);
  EXPECT_EQ(G().LitKey, 3);
  EXPECT_EQ(G().NoteCount[1], 1);
  EXPECT_EQ(G().NotePitch[1][0], 5);
  EXPECT_EQ(G().NoteDuration[1][0], 4);
  EXPECT_EQ(G().NoteVol[1][0], 90);
  EXPECT_TRUE(G().Modified);
  EXPECT_THAT(Calls(), ElementsAreArray(NoteCalls(Temp("dummy 0.Mid"), 1, false)));
  EXPECT_EQ(recorder.LoadedFiles().at(0).bytes, NoteFile(40, 5, 4));
  EXPECT_EQ(G().DummyFileName, Temp("dummy 0.Mid"));
  EXPECT_EQ(G().PlayFileCounter, 1);
  EXPECT_TRUE(TempFolderEmpty());
  Sys().KeyUp(F(), '3');
  EXPECT_EQ(F().Piano[3].BackColor(), kIvory);

  // A black key by its function key; the next note stops the last one.
  recorder.ClearCalls();
  Sys().KeyDown(F(), 114);  // F3: key 18, F sharp
  EXPECT_EQ(G().NotePitch[1][1], 7);
  EXPECT_THAT(Calls(), ElementsAreArray(NoteCalls(Temp("dummy 1.Mid"), 2, true)));
  Sys().KeyUp(F(), 114);
  EXPECT_EQ(F().Piano[18].BackColor(), 0);
}

TEST_F(PianoTest, ClickWithoutRecordModeOnlySounds) {
  G().RecordOn = false;
  ASSERT_TRUE(Sys().Click(F().Piano[8]));
  EXPECT_EQ(G().NoteCount[0], 0);
  EXPECT_FALSE(G().Modified);
  EXPECT_EQ(recorder.LoadedFiles().at(0).bytes, NoteFile(0, 13, 3));
  EXPECT_EQ(F().Piano[8].BackColor(), kIvory) << "a click doesn't light the key";
}

TEST_F(PianoTest, KeysWhileTheCompositionPlaysOnlyLight) {
  F().TimerClock.Enabled = true;
  ASSERT_TRUE(Sys().Click(F().Piano[5]));
  Sys().KeyDown(F(), '5');
  EXPECT_EQ(F().Piano[5].BackColor(), kBlue);
  EXPECT_EQ(G().NoteCount[0], 0);
  EXPECT_THAT(Calls(), IsEmpty());
  Sys().KeyUp(F(), '5');
  EXPECT_EQ(F().Piano[5].BackColor(), kIvory);
}

TEST_F(PianoTest, RestsComeFromTheEighthRestToolAndTheRestKey) {
  G().CurDuration = 7;
  Type('1');  // C, but the tool makes it a rest
  EXPECT_EQ(G().NotePitch[0][0], stavelark::kRestPitch);
  EXPECT_EQ(G().NoteDuration[0][0], 7);
  G().CurDuration = 6;
  Type('2');  // the quarter-rest tool keeps the pitch
  EXPECT_EQ(G().NotePitch[0][1], 3);
  EXPECT_EQ(G().NoteDuration[0][1], 6);
  G().CurDuration = 3;
  Type(27);  // Esc: the rest key
  EXPECT_EQ(G().NotePitch[0][2], stavelark::kRestPitch);
  EXPECT_EQ(G().NoteDuration[0][2], 3);
  EXPECT_EQ(G().NoteCount[0], 3);
  EXPECT_EQ(recorder.LoadedFiles().size(), 1u) << "only the quarter-rest note sounded";

  // Without record mode the rest key does nothing at all.
  recorder.ClearCalls();
  G().RecordOn = false;
  G().Modified = false;
  ASSERT_TRUE(Sys().Click(F().Piano[15]));
  EXPECT_EQ(G().NoteCount[0], 3);
  EXPECT_FALSE(G().Modified);
  EXPECT_THAT(Calls(), IsEmpty());
}

TEST_F(PianoTest, RecordModeScrollsSoTheNewNoteShows) {
  Ramp(0, 20);
  G().NoteVolumeValue = 77;
  F().NoteVolume.Value = 77;
  Type('4');
  EXPECT_EQ(G().ScrollPos, 10);
  EXPECT_EQ(G().NoteCount[0], 21);
  EXPECT_EQ(G().NotePitch[0][20], 6);
  // The 21st note shows in column 10, the columns after it are empty.
  EXPECT_TRUE(F().Music[10].Visible());
  EXPECT_EQ(F().VolLabel[10].Caption(), "77");
  EXPECT_FALSE(F().Music[11].Visible());

  // A view beyond the track's end comes back so the note shows in column 0.
  Ramp(2, 5);
  G().ActiveTrack = 2;
  G().ScrollPos = 30;
  Type('4');
  EXPECT_EQ(G().ScrollPos, 5);
  EXPECT_EQ(G().NoteCount[2], 6);
  EXPECT_TRUE(F().Music[2 * 20].Visible()) << "track 2, column 0";

  // At the last positions the view stops where the lyric row still fits.
  Ramp(3, 10000);
  G().ActiveTrack = 3;
  G().ScrollPos = 0;
  Type('4');
  EXPECT_EQ(G().ScrollPos, stavelark::kMaxScrollPos);
  EXPECT_EQ(G().NoteCount[3], 10001);
}

TEST_F(PianoTest, FullTrackTakesNoNoteButStillSounds) {
  Ramp(0, stavelark::kMaxNotes);
  G().Modified = false;
  Type('1');
  EXPECT_EQ(Sys().Beeps(), 1);
  EXPECT_EQ(G().NoteCount[0], stavelark::kMaxNotes);
  EXPECT_FALSE(G().Modified);
  EXPECT_EQ(recorder.LoadedFiles().size(), 1u);
}

TEST_F(PianoTest, FailedSoundingIsSilentAndKeepsTheCounter) {
  recorder.FailOn("loader.LoadSegment");
  Type('1');
  EXPECT_EQ(G().NoteCount[0], 1) << "the note is entered all the same";
  EXPECT_EQ(G().PlayFileCounter, 0);
  EXPECT_TRUE(TempFolderEmpty());
  EXPECT_TRUE(Sys().Dialogs().empty());

  // A note file that can't be written fails the same way.
  recorder.ClearFailures();
  std::filesystem::remove_all(Root() / "temp");
  Type('2');
  EXPECT_EQ(G().PlayFileCounter, 0);
  EXPECT_TRUE(Sys().Dialogs().empty());
}

TEST_F(PianoTest, PreviewSoundsTheDOfThePickedInstrumentOncePerRequest) {
  G().PickedInstrument = 73;
  G().InstPicked = true;
  G().TrackOctave[0] = 5;
  Act([&] { Piano().PreviewInstrumentNote(); });
  EXPECT_FALSE(G().InstPicked);
  EXPECT_EQ(recorder.LoadedFiles().at(0).bytes, NoteFile(73, 3, 2));
  EXPECT_EQ(G().NoteCount[0], 0);
  EXPECT_EQ(G().PlayFileCounter, 1);

  recorder.FailOn("performance.PlaySegmentEx");
  G().InstPicked = true;
  Act([&] { Piano().PreviewInstrumentNote(); });
  EXPECT_FALSE(G().InstPicked) << "a failing preview is not asked for again";
  EXPECT_EQ(G().PlayFileCounter, 1);
  EXPECT_TRUE(TempFolderEmpty());
}

}  // namespace
}  // namespace stavelark_test

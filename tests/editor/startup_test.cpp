#include <gmock/gmock.h>
#include <sys/stat.h>

#include "project/option_form.h"
#include "editor/startup.h"
#include "editor/track_inst.h"
#include "platform/com/client.h"
#include "sound/sound_engine.h"
#include "support/program_fixture.h"

namespace stavelark_test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::vector<std::string> KeysWritten(const store::MemorySettingsStore& s) {
  std::vector<std::string> out;
  for (const auto& w : s.Writes()) out.push_back(w.key + "=" + w.value);
  return out;
}

std::string DefaultValue(store::Registry& reg, const std::string& key) {
  store::HKey h = 0;
  if (reg.RegOpenKeyExA(store::HKEY_CLASSES_ROOT, key, 0, store::KEY_READ, &h) != 0) return "<missing>";
  std::string text;
  uint32_t type = 0;
  int32_t rc = reg.RegQueryValueExA(h, "", &type, &text);
  reg.RegCloseKey(h);
  return rc == 0 ? text : "<no value>";
}

class StartupTest : public ProgramTest {};

TEST_F(StartupTest, FirstRunRegistersTheFileTypeAndWritesTheFirstRunSettings) {
  Start();
  EXPECT_THAT(KeysWritten(settings),
              ElementsAre("image=106", "backcolor=ffffff", "inst0=00", "inst1=25", "inst2=18", "inst3=118",
                          "teachmode=true", "karomode=false", "playerpianomode=false", "RegLoaded=True"));
  EXPECT_EQ(DefaultValue(registry, ".msf"), "Stavelark.Settings");
  EXPECT_EQ(DefaultValue(registry, ".msf\\DefaultIcon"), "\"C:\\program files\\Stavelark\\MISC31.ico\"");
  EXPECT_EQ(DefaultValue(registry, ".msf\\OpenWithList\\Stavelark.exe"), "<no value>");
  EXPECT_EQ(DefaultValue(registry, "Stavelark.Settings"), "MIDI Source File");
  EXPECT_EQ(DefaultValue(registry, "Stavelark.Settings\\shell\\open\\command"),
            "c:\\program files\\Stavelark\\Stavelark.exe %1");
}

TEST_F(StartupTest, FirstRunShowsTheDefaultWindow) {
  Start();
  stavelark::Form1& f = F();
  EXPECT_EQ(f.Caption(), "Stavelark - Untitled");
  EXPECT_TRUE(f.Visible());
  EXPECT_EQ(f.InstLabel[0].Caption(), "0  Acoustic Grand");
  EXPECT_EQ(f.InstLabel[1].Caption(), "25 Acoustic Guitar (steel)");
  EXPECT_EQ(f.InstLabel[2].Caption(), "18 Rock Organ");
  EXPECT_EQ(f.InstLabel[3].Caption(), "118 Synth Drum");
  EXPECT_EQ(f.InstLabel[1].ToolTipText(), "25");
  EXPECT_EQ(P().TrackInst().TrackInstLabel[3].Text(), "118 Synth Drum");
  EXPECT_EQ(f.Picture().Source(), "res:106");
  EXPECT_EQ(f.BackColor(), 0xFFFFFF);
  EXPECT_TRUE(G().TeachMode);
  EXPECT_TRUE(f.TeachOn.Checked());
  EXPECT_FALSE(f.TeachOff.Checked());
  EXPECT_FALSE(f.KaroEn.Checked());
  EXPECT_TRUE(f.KaroDis.Checked());
  EXPECT_FALSE(f.PPEn.Checked());
  EXPECT_TRUE(f.PPDis.Checked());
  // The editing state and the controls start-up sets.
  EXPECT_EQ(f.List4.ListCount(), 128);
  EXPECT_EQ(f.List4.ListIndex(), 0);
  EXPECT_EQ(P().TrackInst().Option1[127].Caption(), "127 GunShot");
  EXPECT_TRUE(P().TrackInst().Option1[0].Value());
  EXPECT_EQ(P().OptionForm().CompName.Text(), "Untitled");
  EXPECT_EQ(P().OptionForm().CompCopy.Text(), "(c)2010");
  EXPECT_EQ(P().OptionForm().CompAuthor.Text(), "Orlemund");
  EXPECT_EQ(G().Tempo, 64);
  EXPECT_EQ(f.DivControl.Value(), 64);
  EXPECT_EQ(f.NoteVolume.Value(), 100);
  EXPECT_EQ(G().CurDuration, 3);
  EXPECT_EQ(f.DurBlok.Left(), 3 * 480 + 988);
  EXPECT_TRUE(G().RecordOn);
  EXPECT_FALSE(G().Modified);
  EXPECT_EQ(f.SliderBar.Left(), 960);
  EXPECT_EQ(f.SliderBar.Width(), 9975);
  for (int t = 0; t < 4; ++t) EXPECT_EQ(G().TrackOctave[t], 4);
  // The display cells and lyric boxes exist, hidden and visible as made.
  EXPECT_TRUE(f.Music.Exists(80));
  EXPECT_FALSE(f.Music[80].Visible());
  EXPECT_TRUE(f.Sharpy4.Exists(80));
  ASSERT_TRUE(f.Lyric.Exists(19));
  EXPECT_TRUE(f.Lyric[19].Visible());
  EXPECT_EQ(f.Lyric[19].Left(), 840 + 19 * 500);
  // The master-volume slider was made from its registered class.
  EXPECT_NE(P().VolsliderControl(), nullptr);
}

TEST_F(StartupTest, StartUpCallsTheSoundPlatformInOrder) {
  Start();
  std::vector<std::string> calls = recorder.Calls();
  ASSERT_GE(calls.size(), 7u);
  EXPECT_THAT(std::vector<std::string>(calls.begin(), calls.begin() + 7),
              ElementsAre("dx.DirectMusicPerformanceCreate()", "dx.DirectMusicLoaderCreate()",
                          HasSubstr("performance.InitAudio("), "performance.SetMasterAutoDownload(true)",
                          "performance.AddNotificationType(5)", HasSubstr("dx.CreateEvent("),
                          HasSubstr("performance.SetNotificationHandle(")));
  EXPECT_THAT(calls, Contains("performance.GetDefaultAudioPath()"));
  EXPECT_NE(P().SoundEngine().FxBuffer, nullptr);
}

TEST_F(StartupTest, LaterRunReadsTheSettingsInAnyCase) {
  settings.SaveSetting("Stavelark", "Properties", "RegLoaded", "true");
  settings.SaveSetting("Stavelark", "Properties", "image", "104.4");
  settings.SaveSetting("Stavelark", "Properties", "backcolor", "0");
  settings.SaveSetting("Stavelark", "Properties", "inst0", "40");
  settings.SaveSetting("Stavelark", "Properties", "inst1", "500");  // no such instrument
  settings.SaveSetting("Stavelark", "Properties", "inst2", "");
  settings.SaveSetting("Stavelark", "Properties", "inst3", "7");
  settings.SaveSetting("Stavelark", "Properties", "teachmode", "False");
  settings.SaveSetting("Stavelark", "Properties", "karomode", "TRUE");
  settings.SaveSetting("Stavelark", "Properties", "playerpianomode", "1");
  settings.ClearWrites();
  Start();
  EXPECT_TRUE(settings.Writes().empty()) << "a later run writes nothing at start-up";
  EXPECT_EQ(DefaultValue(registry, ".msf"), "<missing>") << "nor registers the file type again";
  EXPECT_EQ(G().BackgroundImage, 104);
  EXPECT_EQ(F().Picture().Source(), "res:104");
  EXPECT_EQ(F().BackColor(), 0);
  EXPECT_EQ(G().TrackInstrument[0], 40);
  EXPECT_EQ(G().TrackInstrument[1], 127) << "held to the instruments a file can hold";
  EXPECT_EQ(G().TrackInstrument[2], 0) << "an empty text leaves the field alone";
  EXPECT_EQ(F().InstLabel[0].Caption(), "40 Violin");
  EXPECT_EQ(F().InstLabel[1].Caption(), "127 GunShot");
  EXPECT_EQ(F().InstLabel[1].ToolTipText(), "127");
  EXPECT_FALSE(G().TeachMode);
  EXPECT_TRUE(F().TeachOff.Checked());
  EXPECT_TRUE(G().KaraokeMode);
  EXPECT_TRUE(F().KaroEn.Checked());
  EXPECT_TRUE(G().PlayerPianoMode);
  EXPECT_TRUE(F().PPEn.Checked());
}

TEST_F(StartupTest, ColoursRoundTripThroughTheStore) {
  settings.SaveSetting("Stavelark", "Properties", "RegLoaded", "TRUE");
  settings.SaveSetting("Stavelark", "Properties", "backcolor", "FFFF");  // yellow
  settings.SaveSetting("Stavelark", "Properties", "image", "255");
  settings.SaveSetting("Stavelark", "Properties", "background", "");
  Start();
  EXPECT_EQ(F().BackColor(), 0x00FFFF);
  EXPECT_TRUE(F().Picture().IsEmpty()) << "an image of 255 without a file shows no picture";
  settings.ClearWrites();
  Act([&] { F().Exit.RaiseClick(); });
  EXPECT_THAT(KeysWritten(settings), Contains("backcolor=FFFF"));
}

TEST_F(StartupTest, ShutdownWritesTheSettingsInOrderAndEnds) {
  Start();
  settings.ClearWrites();
  G().BackColorValue = 0;
  Act([&] { Sys().ChooseMenu(F().Exit); });
  EXPECT_TRUE(Sys().Ending());
  EXPECT_THAT(KeysWritten(settings),
              ElementsAre("image=106", "backcolor=0", "inst0=0", "inst1=25", "inst2=18", "inst3=118",
                          "teachmode=True", "karomode=False", "playerpianomode=False", "background="));
  // The engine was torn down: the chain emptied, the path deactivated, the event released.
  std::vector<std::string> calls = recorder.Calls();
  EXPECT_THAT(calls, Contains(HasSubstr("buffer.SetFX(0")));
  EXPECT_THAT(calls, Contains("audiopath.Activate(false)"));
  EXPECT_THAT(calls, Contains("performance.RemoveNotificationType(5)"));
  EXPECT_THAT(calls, Contains(HasSubstr("dx.DestroyEvent(")));
}

TEST_F(StartupTest, ClosingTheWindowShutsDownToo) {
  Start();
  settings.ClearWrites();
  Sys().CloseBox(F());
  EXPECT_TRUE(Sys().Ending());
  EXPECT_EQ(settings.Writes().size(), 10u);
}

TEST_F(StartupTest, EngineFailureShowsWhyAndEndsWithoutTouchingTheSettings) {
  recorder.FailOn("performance.InitAudio");
  settings.SaveSetting("Stavelark", "Properties", "RegLoaded", "True");
  settings.ClearWrites();
  Sys().AnswerMsgBox(forms::mb::Ok, "Could not initialize DirectMusic.\r\nHave you installed DirectX on this PC?",
                     "Exiting...");
  Start();
  EXPECT_TRUE(Sys().Ending());
  EXPECT_TRUE(settings.Writes().empty());
}

// The named file doesn't exist: Open takes the path, says so and start-up goes on.
TEST_F(StartupTest, CommandLineDropsOnePairOfQuotes) {
  Sys().AnswerMsgBox(forms::mb::Ok, "The file my song.msf could not be opened.", "Open");
  Start("\"/home/me/my song.msf\"");
  EXPECT_EQ(G().CurrentFilePath, "/home/me/my song.msf");
  EXPECT_EQ(G().OpenFilePath, "") << "Open takes it";
}

TEST_F(StartupTest, CommandLineWithoutQuotesIsUsedAsItIs) {
  Sys().AnswerMsgBox(forms::mb::Ok, "The file a\"b.msf could not be opened.", "Open");
  Start("/home/me/a\"b.msf");
  EXPECT_EQ(G().CurrentFilePath, "/home/me/a\"b.msf");
}

TEST_F(StartupTest, CommandLineWithOnlyALeadingQuoteKeepsItsLastCharacter) {
  Sys().AnswerMsgBox(forms::mb::Ok, "The file song.msf could not be opened.", "Open");
  Start("\"/home/me/song.msf");
  EXPECT_EQ(G().CurrentFilePath, "/home/me/song.msf");
}

// The shell splits "stavelark my song.msf" into two arguments; the program sees one path again.
TEST(CommandLineText, JoinsTheArgumentsAfterTheProgramsNameWithSingleBlanks) {
  const std::pair<std::vector<const char*>, std::string> cases[] = {
      {{"stavelark"}, ""}, {{"stavelark", "song.msf"}, "song.msf"}, {{"stavelark", "my", "song.msf"}, "my song.msf"},
      {{"stavelark", "\"my", "song.msf\""}, "\"my song.msf\""}, {{"stavelark", "a  b.msf"}, "a  b.msf"}};
  for (const auto& [args, text] : cases)
    EXPECT_EQ(forms::CommandLineText(static_cast<int>(args.size()), args.data()), text) << text;
}

// Without its master-volume control the program says what failed and how to mend it, in a
// message and on stderr, then starts as usual.
class MissingSliderTest : public StartupTest {
 protected:
  void StartExpecting(const std::string& why) {
    const std::string message =
        "The master-volume slider could not be made. Cannot create GlidebarControl.Glidebar: " + why;
    Sys().AnswerMsgBox(forms::mb::Ok, message, "Stavelark");
    testing::internal::CaptureStderr();
    Start();
    EXPECT_THAT(testing::internal::GetCapturedStderr(), HasSubstr("stavelark: " + message + "\n"));
    EXPECT_EQ(P().VolsliderControl(), nullptr);
    EXPECT_TRUE(F().Visible());
    EXPECT_TRUE(F().Lyric.Exists(19)) << "start-up went on";
  }
};

TEST_F(MissingSliderTest, AnUnregisteredClassNamesTheRegistrationCommand) {
  com::UnregisterControl(registry, glidebar::kRegistration);
  StartExpecting("class not registered. To fix it, run: stavelark-regsvr libglidebar.so");
}

TEST_F(MissingSliderTest, ALibraryInAFolderOthersCanWriteIsNotLoadedAndTheMessageSaysHowToCloseIt) {
  const std::filesystem::path open = Root() / "open", library = open / "libglidebar.so";
  std::filesystem::create_directories(open);
  std::filesystem::copy_file(GLIDEBAR_LIBRARY, library);
  ::chmod(open.c_str(), 0777);
  com::RegisterControl(registry, glidebar::kRegistration, library.string());
  StartExpecting("library " + library.string() + " is not loaded: its folder " + open.string() +
                 " can be written by every user. To fix it, run: chmod go-w " + open.string());
}

TEST_F(StartupTest, WaitDelayLastsOneSecondEachTime) {
  Start();
  int64_t t0 = Sys().Now();
  P().Startup().WaitDelay();
  EXPECT_EQ(Sys().Now() - t0, 1000);
  Sys().Advance(300);
  int64_t t1 = Sys().Now();
  P().Startup().WaitDelay();
  EXPECT_EQ(Sys().Now() - t1, 1000) << "a later wait also lasts a second";
  EXPECT_FALSE(F().DelayTimer.Enabled());
}

TEST_F(StartupTest, EndingFromInsideAWaitUnwindsIt) {
  Start();
  bool after = false;
  Sys().Post([&] { Sys().ChooseMenu(F().Exit); });
  Act([&] {
    P().Startup().WaitDelay();
    after = true;
  });
  EXPECT_TRUE(Sys().Ending());
  EXPECT_FALSE(after);
}

TEST_F(StartupTest, MasterVolumeFollowsTheSlider) {
  Start();
  com::Object* slider = P().VolsliderControl();
  ASSERT_NE(slider, nullptr);
  for (auto [text, volume] : {std::pair{"0", "-3000"}, {"50", "-1500"}, {"100", "0"}, {"250", "0"}, {"x", "-3000"}}) {
    try {
      slider->PutProperty(glidebar::dispid::myvalue, text);
    } catch (const basic::RuntimeError&) {
      // text that is not a number is kept, and refused to the caller
    }
    recorder.ClearCalls();
    P().SoundEngine().Volslider_MouseMove();
    EXPECT_THAT(recorder.Calls(), ElementsAre(std::string("performance.SetMasterVolume(") + volume + ")")) << text;
  }
}

TEST_F(StartupTest, ASessionEndRequestEndsAsExitDoesWithoutAPrompt) {
  Start();
  G().NoteCount[0] = 2;
  G().Modified = true;  // no window can ask now: the changes go unsaved
  settings.ClearWrites();
  Sys().RequestSessionEnd();
  EXPECT_TRUE(Sys().Ending());
  EXPECT_EQ(settings.Writes().size(), 10u);
  EXPECT_THAT(recorder.Calls(), Contains(HasSubstr("dx.DestroyEvent(")));
}

TEST_F(StartupTest, ASessionEndWhileStartUpShowsAMessageEndsStartUpThere) {
  Sys().AnswerMsgBox([&](const forms::headless::DialogRecord&) {
    Sys().RequestSessionEnd();
    return forms::mb::Ok;
  });
  Start("/no/such/song.msf");
  EXPECT_TRUE(Sys().Ending());
  EXPECT_EQ(P().SoundEngine().FxBuffer, nullptr) << "the steps after the message did not run";
}

TEST_F(StartupTest, SettingsAreHeldToWhatTheProgramCanUseAndWriteBack) {
  settings.SaveSetting("Stavelark", "Properties", "RegLoaded", "True");
  settings.SaveSetting("Stavelark", "Properties", "backcolor", "FFFFFFFF");
  settings.SaveSetting("Stavelark", "Properties", "inst0", "-7");
  Start();
  EXPECT_EQ(G().BackColorValue, 0xFFFFFF);
  EXPECT_EQ(G().TrackInstrument[0], 0);
  settings.ClearWrites();
  Act([&] { F().Exit.RaiseClick(); });
  EXPECT_THAT(KeysWritten(settings), ::testing::IsSupersetOf({"backcolor=FFFFFF", "inst0=0"}));
}

}  // namespace
}  // namespace stavelark_test

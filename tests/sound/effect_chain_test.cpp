// The effect chain: what FX hands the sound platform for the checked effects and the dialog's
// values, in which order, and how it reports what the platform or a box refuses.
#include <string>
#include <vector>

#include "editor/form1.h"
#include "sound/effect_chain.h"
#include "sound/fx_form.h"
#include "sound/play_fixture.h"
#include "sound/sound_engine.h"

namespace stavelark_test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::Not;

class EffectChainTest : public PlayTest {
 protected:
  stavelark::SoundEngine& Engine() { return P().SoundEngine(); }
  stavelark::FXform& Dialog() { return P().FXform(); }
  // Loads a segment the way a play does, then starts afresh with the calls.
  void Loaded() {
    Notes(0, {1});
    Act([&] { Play().Play(); });
    recorder.ClearCalls();
  }
  void RunFX() { Act([&] { P().EffectChain().FX(); }); }
  void Check(forms::Menu& item) { ASSERT_TRUE(Sys().ChooseMenu(item)); }
};

std::vector<std::string> Fetch(const std::string& cls, const std::string& iid) {
  return {"buffer.GetObjectInPath(" + cls + ", 0, " + iid + ")"};
}

TEST_F(EffectChainTest, NothingLoadedYetShowsNoBufferAndLeavesThePath) {
  Check(F().echo);
  Sys().AnswerMsgBox(forms::mb::OkOnly, "You must first load an audio file before you can apply effects to it.",
                     "No buffer");
  RunFX();
  EXPECT_THAT(Calls(), IsEmpty());
  EXPECT_EQ(Sys().Dialogs().back().buttons, forms::mb::Information);
}

TEST_F(EffectChainTest, NoEffectCheckedEmptiesTheChainWithoutReadingTheDialog) {
  Loaded();
  RunFX();
  EXPECT_THAT(Calls(), ElementsAreArray(EmptyChainCalls()));
  EXPECT_FALSE(P().HasFXform());

  // Boxes that hold no numbers don't matter either.
  Dialog().EchoValue[0].Text = "abc";
  recorder.ClearCalls();
  RunFX();
  EXPECT_THAT(Calls(), ElementsAreArray(EmptyChainCalls()));
}

TEST_F(EffectChainTest, AllEightGoInChainOrderAndTakeTheirParametersInTheirOwnOrder) {
  Loaded();
  for (forms::Menu* item : {&F().Reverb, &F().Para, &F().Gargle, &F().Compressor, &F().Flanger, &F().Chorus,
                            &F().echo, &F().distortion})
    Check(*item);
  EXPECT_FALSE(P().HasFXform()) << "the dialog was never opened";
  RunFX();
  // The dialog's design values, each in its field of the record.
  EXPECT_THAT(
      Calls(),
      ElementsAreArray(Concat({
          {"performance.GetDefaultAudioPath()", "audiopath.Activate(false)", "buffer.SetFX(0)",
           "buffer.SetFX(8, GUID_DSFX_STANDARD_DISTORTION, GUID_DSFX_STANDARD_ECHO, GUID_DSFX_STANDARD_CHORUS, "
           "GUID_DSFX_STANDARD_FLANGER, GUID_DSFX_STANDARD_COMPRESSOR, GUID_DSFX_STANDARD_GARGLE, "
           "GUID_DSFX_STANDARD_PARAMEQ, GUID_DSFX_WAVES_REVERB)"},
          Fetch("GUID_DSFX_STANDARD_ECHO", "IID_DirectSoundFXEcho"),
          {"echo.SetAllParameters(8, 8, 8, 8, 1)"},
          Fetch("GUID_DSFX_STANDARD_PARAMEQ", "IID_DirectSoundFXParamEq"),
          {"parameq.SetAllParameters(2960, 6, 10)"},
          Fetch("GUID_DSFX_STANDARD_CHORUS", "IID_DirectSoundFXChorus"),
          {"chorus.SetAllParameters(23, 24, -54, 2, 1, 4, 0)"},
          Fetch("GUID_DSFX_STANDARD_DISTORTION", "IID_DirectSoundFXDistortion"),
          {"distortion.SetAllParameters(-41, 23, 1940, 200, 2100)"},
          Fetch("GUID_DSFX_STANDARD_GARGLE", "IID_DirectSoundFXGargle"),
          {"gargle.SetAllParameters(190, 1)"},
          Fetch("GUID_DSFX_WAVES_REVERB", "IID_DirectSoundFXWavesReverb"),
          {"wavesreverb.SetAllParameters(-24, -24, 2300, 0.769)"},
          Fetch("GUID_DSFX_STANDARD_COMPRESSOR", "IID_DirectSoundFXCompressor"),
          {"compressor.SetAllParameters(32, 312, 2280, -15, 78, 3)"},
          Fetch("GUID_DSFX_STANDARD_FLANGER", "IID_DirectSoundFXFlanger"),
          {"flanger.SetAllParameters(76, 77, 50, 7, 1, 3, 3)"},
          {"performance.GetDefaultAudioPath()", "audiopath.Activate(true)"},
      })));
  EXPECT_TRUE(P().HasFXform());
  EXPECT_FALSE(Dialog().Visible()) << "reading the dialog shows nothing";
  EXPECT_EQ(Engine().FxEffectDescs.size(), 8u);
  EXPECT_EQ(Engine().FxResultCodes.size(), 8u);

  // An effect unchecked later keeps its object; its boxes are no longer read.
  const auto echo = Engine().FxEcho;
  ASSERT_TRUE(echo);
  Check(F().echo);
  Dialog().EchoValue[1].Text = "x";
  recorder.ClearCalls();
  RunFX();
  EXPECT_THAT(Calls(), Not(Contains("echo.SetAllParameters(8, 8, 8, 8, 1)")));
  EXPECT_EQ(Engine().FxEcho, echo);
  EXPECT_EQ(Calls().back(), "audiopath.Activate(true)");
}

TEST_F(EffectChainTest, WholeNumberBoxesRoundHalvesToEven) {
  Loaded();
  Check(F().Chorus);
  Check(F().Flanger);
  Check(F().Reverb);
  Dialog().ChorusAdjustValue[4].Text = "2.5";
  Dialog().FAdjustValue[4].Text = " 3.5 ";
  Dialog().WaveAdjustValue[0].Text = "-24.6";
  Dialog().WaveAdjustValue[2].Text = "-0.5";
  Dialog().CheckChorusSine.Value = 0;  // the triangle then
  RunFX();
  EXPECT_EQ(Engine().ChorusParams.lPhase, 2);
  EXPECT_EQ(Engine().ChorusParams.lWaveform, 0);
  EXPECT_EQ(Engine().FlangerParams.lPhase, 4);
  EXPECT_FLOAT_EQ(Engine().WavesReverbParams.fInGain, -25);
  EXPECT_FLOAT_EQ(Engine().WavesReverbParams.fReverbMix, 0);
  EXPECT_FLOAT_EQ(Engine().WavesReverbParams.fHighFreqRTRatio, 0.769f) << "the box holds thousandths";
  EXPECT_THAT(Calls(), Contains("wavesreverb.SetAllParameters(-25, 0, 2300, 0.769)"));
  EXPECT_EQ(Calls().back(), "audiopath.Activate(true)");
}

TEST_F(EffectChainTest, ABoxThatIsNoNumberEndsInFxErrorAndThePlayStillStarts) {
  Notes(0, {1, 3});
  Check(F().echo);
  Check(F().Para);
  Dialog().eqvalue[1].Text = "loud";
  Sys().AnswerMsgBox(forms::mb::OkOnly, "FX error", "Stavelark");
  Act([&] { Play().Play(); });
  const std::vector<std::string> calls = Calls();
  EXPECT_THAT(calls, Contains("echo.SetAllParameters(8, 8, 8, 8, 1)"));
  EXPECT_THAT(calls, Not(Contains(::testing::HasSubstr("GUID_DSFX_STANDARD_PARAMEQ, 0"))));
  EXPECT_THAT(calls, Not(Contains("audiopath.Activate(true)"))) << "the path stays inactive";
  EXPECT_THAT(calls, Contains("performance.PlaySegmentEx(segment2, 16384, 0, none, none)"));
  EXPECT_TRUE(F().TimerClock.Enabled());
  // The record holds what was refilled before the failing box.
  EXPECT_FLOAT_EQ(Engine().ParamEqParams.fCenter, 2960);
  EXPECT_FLOAT_EQ(Engine().ParamEqParams.fGain, 0);

  // An empty box fails the same way; a value the effect refuses fails at the platform.
  for (const char* text : {"", "0"}) {
    Dialog().eqvalue[1].Text = "10";
    Dialog().EchoValue[1].Text = text;  // a left delay below 1 ms
    Sys().AnswerMsgBox(forms::mb::OkOnly, "FX error", "Stavelark");
    recorder.ClearCalls();
    RunFX();
    EXPECT_THAT(Calls(), Not(Contains("audiopath.Activate(true)"))) << text;
  }

  // The next complete rebuild makes the path active again.
  Dialog().EchoValue[1].Text = "8";
  recorder.ClearCalls();
  RunFX();
  EXPECT_EQ(Calls().back(), "audiopath.Activate(true)");
}

TEST_F(EffectChainTest, MenuItemsFlipTheirOwnMarkAndSetupShowsTheDialogModeless) {
  forms::Menu* items[] = {&F().distortion, &F().echo,   &F().Chorus, &F().Flanger,
                          &F().Compressor, &F().Gargle, &F().Para,   &F().Reverb};
  for (int i = 0; i < 8; ++i) {
    Check(*items[i]);
    for (int j = 0; j < 8; ++j) EXPECT_EQ(items[j]->Checked(), j <= i) << items[j]->Name();
  }
  for (forms::Menu* item : items) {
    Check(*item);
    EXPECT_FALSE(item->Checked()) << item->Name();
  }
  EXPECT_THAT(Calls(), IsEmpty()) << "the chain changes at the next play";

  ASSERT_TRUE(Sys().ChooseMenu(F().SetupFX));
  stavelark::FXform& dialog = Dialog();
  EXPECT_TRUE(dialog.Visible());
  EXPECT_EQ(Sys().ModalForm(), nullptr);
  dialog.eqvalue[0].Text = "500";
  ASSERT_TRUE(Sys().Click(dialog.Command15));
  EXPECT_FALSE(dialog.Visible());
  ASSERT_TRUE(Sys().ChooseMenu(F().SetupFX));
  EXPECT_EQ(&Dialog(), &dialog);
  EXPECT_EQ(dialog.eqvalue[0].Text(), "500");
}

}  // namespace
}  // namespace stavelark_test

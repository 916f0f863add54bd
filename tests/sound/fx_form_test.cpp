// The effects dialog: its design, the knob drags and their formulas, the release clamps, the
// waveform pairs, the presets and OK's ranges, driven as a user drives them.
#include <string>
#include <vector>

#include "editor/form1.h"
#include "sound/fx_form.h"
#include "sound/play_fixture.h"

namespace stavelark_test {
namespace {

using Knob = stavelark::FXform::Knob;
using ::testing::ElementsAre;

class FxFormTest : public PlayTest {
 protected:
  void SetUp() override {
    PlayTest::SetUp();
    ASSERT_TRUE(Sys().ChooseMenu(F().SetupFX));
  }
  stavelark::FXform& D() { return P().FXform(); }

  // Where the knob tracks begin in the dialog's client area: 90 pixels below its top edge.
  double TrackTop() { return 90 * 15 - D().FrameTop(); }

  // Presses the knob, moves the cursor to `y` pixels below its track's top, and (unless told
  // not to) releases it there.
  void Drag(Knob family, int index, int y, bool release = true) {
    forms::Image& knob = D().Knobs(family)[index];
    const double x = knob.FormLeft() + knob.Width() / 2;
    ASSERT_TRUE(Sys().MouseDown(D(), 1, 0, x, knob.FormTop() + knob.Height() / 2)) << Sys().LastRefusal();
    ASSERT_TRUE(Sys().MouseMove(D(), 1, 0, x, TrackTop() + 15.0 * y));
    if (release) {
      ASSERT_TRUE(Sys().MouseUp(D(), 1, 0, x, TrackTop() + 15.0 * y));
    }
  }
  std::string Box(Knob family, int index) { return D().Values(family)[index].Text; }
  void Show(Knob family) {
    forms::Label* buttons[] = {&D().EQButt,  &D().ChorusButt, &D().DistButt,    &D().GargButt,
                               &D().WaveButt, &D().CompButt,  &D().Flangerbutt, &D().EchoButt};
    ASSERT_TRUE(Sys().Click(*buttons[static_cast<int>(family)]));
  }
};

TEST_F(FxFormTest, DesignShowsOneFrameOfValueBoxesWithKnobTracksAbove) {
  stavelark::FXform& d = D();
  EXPECT_EQ(d.Caption(), "Adjust Special Effects");
  struct Frame {
    Knob family;
    const char* caption;
    std::vector<const char*> texts;
  };
  const Frame frames[] = {
      {Knob::Eq, "Notch Filter", {"2960", "10", "6"}},
      {Knob::Chorus, "Chorus", {"4", "24", "-54", "23", "0", "2"}},
      {Knob::Dist, "Distortion", {"23", "-41", "200", "1940", "2100"}},
      {Knob::Garg, "Gargle", {"190"}},
      {Knob::Wave, "Waves", {"-24", "769", "-24", "2300"}},
      {Knob::Comp, "Compressor", {"32", "3", "78", "312", "2280", "-15"}},
      {Knob::Flanger, "Flanger", {"7", "3", "77", "50", "3", "76"}},
      {Knob::Echo, "Echo", {"8", "8", "8", "8"}},
  };
  for (const Frame& f : frames) {
    forms::Frame& frame = d.FrameOf(f.family);
    EXPECT_EQ(frame.Caption(), f.caption);
    EXPECT_EQ(frame.Visible(), f.family == Knob::Eq) << f.caption;
    EXPECT_EQ(frame.Top(), d.EqFrame.Top());
    EXPECT_EQ(d.Values(f.family).Count(), static_cast<int>(f.texts.size()));
    for (size_t i = 0; i < f.texts.size(); ++i) {
      forms::TextBox& box = d.Values(f.family)[static_cast<int>(i)];
      forms::Image& knob = d.Knobs(f.family)[static_cast<int>(i)];
      EXPECT_EQ(box.Text(), f.texts[i]) << f.caption << " " << i;
      EXPECT_EQ(box.ToolTipText(), "Enter a db value");
      // The knob's track starts 90 pixels below the dialog's top edge, above the box.
      forms::Control* track = knob.Container();
      ASSERT_NE(track, nullptr);
      EXPECT_EQ(track->FormTop(), 90 * 15 - d.FrameTop());
      EXPECT_GE(track->Height(), 1500 + knob.Height());
      EXPECT_LT(track->FormTop() + track->Height(), box.FormTop());
      if (i > 0) {
        EXPECT_GT(box.Left(), d.Values(f.family)[static_cast<int>(i) - 1].Left()) << "box 0 leftmost";
      }
    }
  }
  // The knob starts where its formula gives the box's value: the EQ centre's 2960 is 18 pixels down.
  EXPECT_EQ(d.EQAdjustSlider[0].Top(), 18 * 15);

  // Labels under the boxes, and the column of frame buttons under its heading.
  auto label = [&](int i) { return static_cast<forms::Label*>(d.FindControl("ValueLabel", i))->Caption(); };
  EXPECT_EQ(label(3 + 6 + 3), "Post EQ Center Freq");
  EXPECT_EQ(label(34), "Wetdry");
  EXPECT_EQ(d.Label1.Caption(), "Special Effects");
  std::vector<std::string> column;
  double lastTop = d.Label1.Top();
  for (forms::Label* b : {&d.EchoButt, &d.EQButt, &d.ChorusButt, &d.DistButt, &d.GargButt, &d.WaveButt,
                          &d.CompButt, &d.Flangerbutt}) {
    EXPECT_GT(b->Top(), lastTop);
    lastTop = b->Top();
    column.push_back(b->Caption());
  }
  EXPECT_THAT(column,
              ElementsAre("Echo", "ParamEQ", "Chorus", "Distortion", "Gargle", "WaveReverb", "Compressor", "Flanger"));

  // Check boxes and OK.
  for (forms::CheckBox* on : {&d.CheckChorusSine, &d.CheckGargSine, &d.FCheckSin, &d.Pandelay})
    EXPECT_EQ(on->Value(), 1) << on->Name();
  for (forms::CheckBox* off : {&d.CheckChorusTri, &d.CheckGargTri, &d.FCheckTri, &d.Base, &d.Noise})
    EXPECT_EQ(off->Value(), 0) << off->Name();
  EXPECT_EQ(d.Command15.Caption(), "OK");

  // Each frame button shows its own frame only; the dialog opens again on the frame it closed on.
  Show(Knob::Echo);
  for (const Frame& f : frames) EXPECT_EQ(d.FrameOf(f.family).Visible(), f.family == Knob::Echo);
  ASSERT_TRUE(Sys().Click(d.Command15));
  ASSERT_TRUE(Sys().ChooseMenu(F().SetupFX));
  EXPECT_TRUE(d.EchoFrame.Visible());
  EXPECT_FALSE(d.EqFrame.Visible());
}

TEST_F(FxFormTest, KnobsGiveTheirRangesFromTopToBottom) {
  struct Expect {
    Knob family;
    std::vector<const char*> top, bottom;
  };
  const Expect table[] = {
      {Knob::Eq, {"80", "-15", "0"}, {"16080", "15", "36"}},
      {Knob::Chorus, {"0", "0", "-100", "0", "0", "0"}, {"20", "100", "100", "100", "4", "10"}},
      {Knob::Dist, {"0", "-60", "100", "100", "100"}, {"100", "0", "8100", "8100", "8100"}},
      {Knob::Wave, {"0", "999", "0", "3000"}, {"-96", "0", "-96", "0"}},
      {Knob::Comp, {"60", "4", "100", "400", "3000", "0"}, {"-60", "0", "0", "0", "0", "-60"}},
      {Knob::Flanger, {"10", "4", "100", "100", "4", "100"}, {"0", "0", "0", "-100", "0", "0"}},
      {Knob::Echo, {"10", "10", "10", "10"}, {"0", "0", "0", "0"}},
  };
  for (const Expect& e : table) {
    Show(e.family);
    for (int i = 0; i < static_cast<int>(e.top.size()); ++i) {
      Drag(e.family, i, 0);
      EXPECT_EQ(Box(e.family, i), e.top[static_cast<size_t>(i)]) << static_cast<int>(e.family) << " " << i;
      EXPECT_EQ(D().Knobs(e.family)[i].Top(), 0);
      Drag(e.family, i, 100);
      EXPECT_EQ(Box(e.family, i), e.bottom[static_cast<size_t>(i)]) << static_cast<int>(e.family) << " " << i;
      EXPECT_EQ(D().Knobs(e.family)[i].Top(), 1500);
    }
  }
  // In between, the box takes the whole part below the value.
  Show(Knob::Eq);
  Drag(Knob::Eq, 0, 37);
  EXPECT_EQ(Box(Knob::Eq, 0), "6000");
  Drag(Knob::Eq, 1, 1);  // -14.7
  EXPECT_EQ(Box(Knob::Eq, 1), "-15");
  EXPECT_EQ(D().EQAdjustSlider[1].Top(), 15);
}

TEST_F(FxFormTest, EchoKnobStepsByTenPixelsAndMovesOutsideTheTrackAreIgnored) {
  Show(Knob::Echo);
  std::vector<std::string> steps;
  for (int y : {0, 9, 10, 19, 20, 95, 99, 100}) {
    Drag(Knob::Echo, 2, y);
    steps.push_back(Box(Knob::Echo, 2));
  }
  EXPECT_THAT(steps, ElementsAre("10", "10", "9", "9", "8", "1", "1", "0"));

  Drag(Knob::Echo, 2, 40);
  for (int y : {-1, 101, 300}) {
    Drag(Knob::Echo, 2, y);
    EXPECT_EQ(Box(Knob::Echo, 2), "6") << y;
    EXPECT_EQ(D().EAdjustSlider[2].Top(), 600) << y;
  }
  // A move without a press moves nothing.
  forms::Image& knob = D().EAdjustSlider[2];
  ASSERT_TRUE(Sys().MouseMove(D(), 0, 0, knob.FormLeft() + 5, TrackTop() + 15 * 70));
  EXPECT_EQ(Box(Knob::Echo, 2), "6");
  EXPECT_FALSE(G().EchoDragging);
}

TEST_F(FxFormTest, GargleAndChorusReleasesBringTheirBoxIntoRange) {
  Show(Knob::Garg);
  Drag(Knob::Garg, 0, 0, false);
  EXPECT_EQ(Box(Knob::Garg, 0), "0");
  EXPECT_TRUE(G().GargDragging);
  ASSERT_TRUE(Sys().MouseUp(D(), 1, 0, 0, 0));
  EXPECT_FALSE(G().GargDragging);
  EXPECT_EQ(Box(Knob::Garg, 0), "1") << "the release raises the rate to 1";
  D().GargAdjustValue[0].Text = "1234.7";
  Drag(Knob::Garg, 0, 300);  // released outside the track: only the clamp
  EXPECT_EQ(Box(Knob::Garg, 0), "1000");
  D().GargAdjustValue[0].Text = "55.9";
  Drag(Knob::Garg, 0, -10);
  EXPECT_EQ(Box(Knob::Garg, 0), "55") << "the whole part";
  D().GargAdjustValue[0].Text = "fast";
  Drag(Knob::Garg, 0, -10);
  EXPECT_EQ(Box(Knob::Garg, 0), "fast");

  Show(Knob::Chorus);
  const std::pair<int, const char*> typed[] = {{1, "150"}, {2, "-180"}, {0, "2.75"}, {5, "x"}};
  const char* released[] = {"100", "-100", "2.75", "x"};
  for (size_t k = 0; k < std::size(typed); ++k) {
    D().ChorusAdjustValue[typed[k].first].Text = typed[k].second;
    Drag(Knob::Chorus, typed[k].first, -10);
    EXPECT_EQ(Box(Knob::Chorus, typed[k].first), released[k]) << typed[k].second;
  }
}

TEST_F(FxFormTest, WaveformPairsAlwaysHaveOneBoxChecked) {
  stavelark::FXform& d = D();
  const std::pair<forms::CheckBox*, forms::CheckBox*> pairs[] = {
      {&d.CheckChorusSine, &d.CheckChorusTri}, {&d.CheckGargSine, &d.CheckGargTri}, {&d.FCheckSin, &d.FCheckTri}};
  const Knob frames[] = {Knob::Chorus, Knob::Garg, Knob::Flanger};
  for (int p = 0; p < 3; ++p) {
    Show(frames[p]);
    auto [sine, triangle] = pairs[p];
    ASSERT_TRUE(Sys().Click(*sine));
    EXPECT_EQ(sine->Value(), 0);
    EXPECT_EQ(triangle->Value(), 1);
    ASSERT_TRUE(Sys().Click(*sine));
    EXPECT_EQ(sine->Value(), 1);
    EXPECT_EQ(triangle->Value(), 0);
    ASSERT_TRUE(Sys().Click(*triangle));
    EXPECT_EQ(sine->Value(), 0);
    EXPECT_EQ(triangle->Value(), 1);
  }
  // The pan-delay box has no partner.
  Show(Knob::Echo);
  ASSERT_TRUE(Sys().Click(d.Pandelay));
  EXPECT_EQ(d.Pandelay.Value(), 0);
}

TEST_F(FxFormTest, PresetsSetTheEqualiserAndExcludeEachOther) {
  stavelark::FXform& d = D();
  d.eqvalue[2].Text = "20";
  ASSERT_TRUE(Sys().Click(d.Base));
  EXPECT_EQ(d.Base.Value(), 1);
  EXPECT_THAT((std::vector<std::string>{d.eqvalue[0].Text, d.eqvalue[1].Text, d.eqvalue[2].Text}),
              ElementsAre("80", "14", "20"));
  EXPECT_EQ(d.EQAdjustSlider[0].Top(), 80);
  EXPECT_EQ(d.EQAdjustSlider[1].Top(), 1440);

  ASSERT_TRUE(Sys().Click(d.Noise));
  EXPECT_EQ(d.Noise.Value(), 1);
  EXPECT_EQ(d.Base.Value(), 0);
  EXPECT_THAT((std::vector<std::string>{d.eqvalue[0].Text, d.eqvalue[1].Text, d.eqvalue[2].Text}),
              ElementsAre("4000", "-14", "12"));
  EXPECT_EQ(d.EQAdjustSlider[0].Top(), 400);
  EXPECT_EQ(d.EQAdjustSlider[1].Top(), 80);
  EXPECT_EQ(d.EQAdjustSlider[2].Top(), 600);

  ASSERT_TRUE(Sys().Click(d.Base));
  EXPECT_EQ(d.Noise.Value(), 0);
  EXPECT_EQ(d.eqvalue[2].Text(), "12") << "bass boost leaves the bandwidth";
  d.eqvalue[0].Text = "123";
  ASSERT_TRUE(Sys().Click(d.Base));  // unchecking
  EXPECT_EQ(d.Base.Value(), 0);
  EXPECT_EQ(d.eqvalue[0].Text(), "123");
  EXPECT_EQ(d.Noise.Value(), 0);
}

TEST_F(FxFormTest, OkBringsTheListedBoxesIntoRangeAndHides) {
  stavelark::FXform& d = D();
  d.FAdjustValue[0].Text = "7.50";
  d.eqvalue[0].Text = "16080";
  d.eqvalue[1].Text = " 5";
  d.CompAdjustValue[2].Text = "0";
  d.CompAdjustValue[4].Text = "10";
  d.WaveAdjustValue[1].Text = "0";
  d.WaveAdjustValue[3].Text = "9999";
  d.DistAdjustValue[3].Text = "8100";
  d.EchoValue[1].Text = "-2";
  d.FAdjustValue[1].Text = "much";
  d.ChorusAdjustValue[1].Text = "150";
  d.GargAdjustValue[0].Text = "0";
  ASSERT_TRUE(Sys().Click(d.Command15));
  EXPECT_FALSE(d.Visible());
  EXPECT_EQ(d.FAdjustValue[0].Text(), "7.5") << "only the form changes";
  EXPECT_EQ(d.eqvalue[0].Text(), "16000");
  EXPECT_EQ(d.eqvalue[1].Text(), "5");
  EXPECT_EQ(d.CompAdjustValue[2].Text(), "1");
  EXPECT_EQ(d.CompAdjustValue[4].Text(), "50");
  EXPECT_EQ(d.WaveAdjustValue[1].Text(), "1");
  EXPECT_EQ(d.WaveAdjustValue[3].Text(), "3000");
  EXPECT_EQ(d.DistAdjustValue[3].Text(), "8000");
  EXPECT_EQ(d.EchoValue[1].Text(), "0");
  EXPECT_EQ(d.FAdjustValue[1].Text(), "much") << "a box that holds no number is left alone";
  EXPECT_EQ(d.ChorusAdjustValue[1].Text(), "150") << "OK leaves the chorus boxes";
  EXPECT_EQ(d.GargAdjustValue[0].Text(), "0") << "a typed 0 stays";
  EXPECT_EQ(d.EQAdjustSlider[0].Top(), 18 * 15) << "OK moves no knob";

  // The gargle box keeps its text while in range, and is held to 0..1000 otherwise.
  for (auto [typed, kept] : {std::pair{"12.5", "12.5"}, std::pair{"-3", "0"}, std::pair{"1500", "1000"}}) {
    ASSERT_TRUE(Sys().ChooseMenu(F().SetupFX));
    d.GargAdjustValue[0].Text = typed;
    ASSERT_TRUE(Sys().Click(d.Command15));
    EXPECT_EQ(d.GargAdjustValue[0].Text(), kept) << typed;
  }
}

TEST_F(FxFormTest, TheCloseBoxActsAsOkAndKeepsTheValues) {
  stavelark::FXform& d = D();
  d.eqvalue[0].Text = "20000";
  d.EchoValue[3].Text = "6";
  ASSERT_TRUE(Sys().CloseBox(d));
  EXPECT_FALSE(d.Visible());
  EXPECT_TRUE(d.IsLoaded());
  EXPECT_EQ(&P().FXform(), &d);
  EXPECT_EQ(d.eqvalue[0].Text(), "16000");
  EXPECT_EQ(d.EchoValue[3].Text(), "6");
  ASSERT_TRUE(Sys().ChooseMenu(F().SetupFX));
  EXPECT_TRUE(d.Visible());
}

}  // namespace
}  // namespace stavelark_test

#include <gmock/gmock.h>

#include <map>

#include "editor/toolbar.h"
#include "editor/track_inst.h"
#include "sound/midi_writer.h"
#include "support/program_fixture.h"

namespace stavelark_test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

class ToolbarTest : public ProgramTest {
 protected:
  void SetUp() override {
    Start();
    recorder.ClearCalls();
  }
  stavelark::TrackInst& Dialog() { return P().TrackInst(); }
  // The single-note file a preview of `instrument` sounds.
  std::vector<uint8_t> PreviewFile(int instrument) {
    return stavelark::BuildNoteFile(G(), instrument, 3, 2, stavelark::kNoteCreditText);
  }
};

TEST_F(ToolbarTest, ChangeInstrumentSoundsEachPreviewOnceAndEndsWhenTheDialogIsHidden) {
  size_t loadsAfterFirst = 0;
  Sys().Post([&] {
    EXPECT_TRUE(Dialog().Visible());
    Sys().Click(Dialog().Option1[40]);
    Sys().Click(Dialog().Review);
    Sys().Post([&] {
      loadsAfterFirst = recorder.LoadedFiles().size();
      Sys().Click(Dialog().Option1[73]);
      Sys().Click(Dialog().Review);
      Sys().Post([&] { Sys().Click(Dialog().OK); });
    });
  });
  ASSERT_TRUE(Sys().Click(F().Toolbar[13]));

  EXPECT_EQ(loadsAfterFirst, 1u);
  ASSERT_EQ(recorder.LoadedFiles().size(), 2u);
  EXPECT_EQ(recorder.LoadedFiles()[0].bytes, PreviewFile(40));
  EXPECT_EQ(recorder.LoadedFiles()[1].bytes, PreviewFile(73));
  EXPECT_FALSE(G().InstPicked);
  EXPECT_FALSE(Dialog().Visible());
  EXPECT_TRUE(Dialog().IsLoaded()) << "OK only hides the dialog";
  EXPECT_TRUE(G().Modified);
  EXPECT_THAT(G().TrackInstrument, ElementsAre(0, 25, 18, 118)) << "previews assign nothing";
}

TEST_F(ToolbarTest, ChangeInstrumentMarksTheCompositionChangedEvenWhenNothingWasAssigned) {
  Sys().Post([&] { Sys().Click(Dialog().OK); });
  ASSERT_TRUE(Sys().ChooseMenu(F().changeinst));
  EXPECT_TRUE(G().Modified);
  EXPECT_TRUE(recorder.LoadedFiles().empty());
}

TEST_F(ToolbarTest, ClosingTheDialogByItsFrameEndsNestedWaitsAndKeepsItsState) {
  bool innerEnded = false;
  Sys().Post([&] {
    Sys().Click(Dialog().Option1[40]);
    // A second Change Instrument waits inside the first; closing the dialog ends both.
    Sys().Post([&] { Sys().CloseBox(Dialog()); });
    Sys().Click(F().Toolbar[13]);
    innerEnded = true;
  });
  ASSERT_TRUE(Sys().Click(F().Toolbar[13]));
  EXPECT_TRUE(innerEnded);
  EXPECT_FALSE(Dialog().Visible());
  EXPECT_TRUE(Dialog().IsLoaded());
  EXPECT_TRUE(G().Modified);

  // Opened again, it shows the instrument last checked, which Set Track then gives.
  Sys().Post([&] {
    EXPECT_TRUE(Dialog().Option1[40].Value());
    Sys().Click(Dialog().SetTrakInst[0]);
    Sys().Click(Dialog().OK);
  });
  Sys().Click(F().Toolbar[13]);
  EXPECT_EQ(G().TrackInstrument[0], 40);
}

TEST_F(ToolbarTest, ExpandedScaleTogglesTheGuideLines) {
  auto shown = [&] {
    int n = 0;
    for (int i = 20; i <= 27; ++i) n += F().Scal[i].Visible();
    return n;
  };
  ASSERT_EQ(shown(), 0);
  Sys().Click(F().Toolbar[18]);
  EXPECT_EQ(shown(), 8);
  EXPECT_TRUE(G().ExpandedScale);
  Sys().Click(F().Toolbar[18]);
  EXPECT_EQ(shown(), 0);
  EXPECT_FALSE(G().ExpandedScale);
  EXPECT_TRUE(F().Scal[19].Visible()) << "the staff lines stay";
}

TEST_F(ToolbarTest, ButtonsRunTheirMenuItemsHandlers) {
  std::map<int, std::string> ran;
  int button = -1;
  const std::vector<std::pair<int, forms::Menu*>> items = {
      {0, &F().New},   {1, &F().Open},   {2, &F().Save},   {3, &F().Print},   {4, &F().Cut},
      {5, &F().copy},  {6, &F().paste},  {7, &F().Insert}, {8, &F().Delete},  {14, &F().high},
      {15, &F().low},  {16, &F().long_}, {17, &F().short_}, {19, &F().incvol}, {20, &F().decvol}};
  for (auto [index, item] : items) item->Click = [&ran, &button, item] { ran[button] = item->Name(); };
  for (auto [index, item] : items) {
    button = index;
    Sys().Click(F().Toolbar[index]);
  }
  for (auto [index, item] : items) EXPECT_EQ(ran[index], item->Name()) << "button " << index;
  EXPECT_EQ(ran.size(), items.size());

  // Indexes that are no button do nothing.
  P().ToolbarCommands().Toolbar_Click(22);
  P().ToolbarCommands().Toolbar_Click(-1);
  EXPECT_EQ(ran.size(), items.size());
  EXPECT_FALSE(Sys().Ending());
}

TEST_F(ToolbarTest, TransportMenuItemsRunTheirButtons) {
  G().NotePitch[0][0] = 5;
  G().NoteDuration[0][0] = 3;
  G().NoteVol[0][0] = 100;
  G().NoteCount[0] = 1;

  Sys().ChooseMenu(F().PlayAct);
  EXPECT_THAT(recorder.LoadedFiles(), IsEmpty()) << "Selection needs a selection";
  Sys().ChooseMenu(F().PlayFull);
  EXPECT_THAT(recorder.LoadedFiles(), Not(IsEmpty())) << "Play plays the whole score";
  EXPECT_TRUE(F().TimerClock.Enabled());
  Sys().ChooseMenu(F().pause);
  EXPECT_TRUE(G().Paused);
  EXPECT_EQ(F().PauseBar[0].FillColor(), 0x0000FF);
  Sys().ChooseMenu(F().Stop);
  EXPECT_FALSE(G().Paused);
  EXPECT_EQ(F().StopBox.FillColor(), 0x0000FF);

  Sys().Click(F().Toolbar[9]);
  EXPECT_FALSE(G().RecordOn);
  Sys().Click(F().Toolbar[9]);
  EXPECT_TRUE(G().RecordOn);
}

TEST_F(ToolbarTest, ExitRunsTheShutdown) {
  G().Modified = true;
  settings.ClearWrites();
  Sys().AnswerMsgBox(forms::mb::No);
  Sys().Click(F().Toolbar[21]);
  EXPECT_TRUE(Sys().Ending());
  EXPECT_EQ(settings.Writes().size(), 10u);
  EXPECT_THAT(Sys().UnexpectedDialogs(), IsEmpty());
}

}  // namespace
}  // namespace stavelark_test

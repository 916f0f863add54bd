#include <gmock/gmock.h>

#include <fstream>
#include <string>
#include <vector>

#include "editor/set_octave.h"
#include "editor/track_inst.h"
#include "support/program_fixture.h"

namespace stavelark_test {
namespace {

using ::testing::ElementsAre;

class TrackDialogsTest : public ProgramTest {
 protected:
  void SetUp() override { Start(); }
  stavelark::TrackInst& Instruments() { return P().TrackInst(); }
  stavelark::SetOctave& Octave() { return P().SetOctave(); }
  // The index of the checked octave option, -1 when none is.
  int CheckedOctave() {
    for (int i = 0; i < 6; ++i)
      if (Octave().OptionOctave[i].Value()) return i;
    return -1;
  }
};

TEST_F(TrackDialogsTest, SetTrackGivesTheCheckedInstrumentAndShowsItsName) {
  Instruments().Show();
  Sys().Click(Instruments().SetTrakInst[2]);
  EXPECT_EQ(G().TrackInstrument[2], 0) << "the first option is checked when the dialog loads";
  EXPECT_EQ(Instruments().TrackInstLabel[2].Text(), "0  Acoustic Grand");
  EXPECT_EQ(F().InstLabel[2].Caption(), "0  Acoustic Grand");
  EXPECT_EQ(F().InstLabel[2].ToolTipText(), "0  Acoustic Grand");

  Sys().Click(Instruments().Option1[56]);
  Sys().Click(Instruments().SetTrakInst[1]);
  EXPECT_THAT(G().TrackInstrument, ElementsAre(0, 56, 0, 118));
  EXPECT_EQ(F().InstLabel[1].ToolTipText(), "56 Trumpet");
  EXPECT_TRUE(G().Modified) << "a track's new instrument is a change at once";

  // The track's box lights while its button is held.
  stavelark::TrackInst& d = Instruments();
  Sys().MouseDown(d.SetTrakInst[3], 1, 0, 10, 10);
  EXPECT_EQ(d.TrackInstLabel[3].BackColor(), 0x0A80FF);
  EXPECT_EQ(d.TrackInstLabel[2].BackColor(), 0xC0FFFF);
  Sys().MouseUp(d.SetTrakInst[3], 1, 0, 10, 10);
  EXPECT_EQ(d.TrackInstLabel[3].BackColor(), 0xC0FFFF);
}

// The boxes show each track's instrument however it was given: by a file, by a quick pick.
TEST_F(TrackDialogsTest, TheTrackBoxesShowEachTracksCurrentInstrument) {
  std::ofstream(Root() / "inst.msf") << "TRACK 2\r\nINST 73\r\n";
  G().OpenFilePath = (Root() / "inst.msf").string();
  ASSERT_TRUE(Sys().ChooseMenu(F().Open));
  Sys().Select(F().List4, 40);
  Sys().Click(F().InstLabel[3]);
  auto boxes = [&] {
    std::vector<std::string> texts;
    for (int t = 0; t < 4; ++t) texts.push_back(Instruments().TrackInstLabel[t].Text());
    return texts;
  };
  Sys().Post([&] {
    EXPECT_THAT(boxes(), ElementsAre("0  Acoustic Grand", "0  Acoustic Grand", "73 Flute", "40 Violin"));
    // While the dialog is open, a quick pick shows in it as well.
    Sys().Select(F().List4, 56);
    Sys().Click(F().InstLabel[0]);
    EXPECT_EQ(boxes()[0], "56 Trumpet");
    Sys().Click(Instruments().OK);
  });
  ASSERT_TRUE(Sys().Click(F().Toolbar[13]));
}

TEST_F(TrackDialogsTest, InstrumentLabelTakesTheInstrumentPickedInTheList) {
  Sys().Click(F().InstLabel[1]);
  EXPECT_EQ(G().TrackInstrument[1], 0) << "the list starts at its first entry";
  EXPECT_EQ(F().InstLabel[1].Caption(), "0  Acoustic Grand");
  G().Modified = false;

  Sys().Select(F().List4, 56);
  Sys().Click(F().InstLabel[3]);
  EXPECT_EQ(G().TrackInstrument[3], 56);
  EXPECT_EQ(F().InstLabel[3].Caption(), "56 Trumpet");
  EXPECT_EQ(F().InstLabel[3].ToolTipText(), "56 Trumpet");
  EXPECT_TRUE(G().Modified) << "the track's instrument is saved";

  // A list without a selection keeps the instrument picked last.
  F().List4.ListIndex = -1;
  Sys().Click(F().InstLabel[0]);
  EXPECT_EQ(G().TrackInstrument[0], 56);
}

TEST_F(TrackDialogsTest, OctaveDialogOpensForItsTrackAndOkKeepsAnUntouchedOctave) {
  // {the track's octave, the option checked}: 9, as a project file can bring, has none.
  for (const auto& [octave, checked] : {std::pair{5, 4}, {9, -1}}) {
    SCOPED_TRACE(octave);
    G().TrackOctave[2] = octave;
    ASSERT_TRUE(Sys().Click(F().OctLabel[2]));
    ASSERT_TRUE(P().HasSetOctave());
    EXPECT_TRUE(Octave().Visible());
    EXPECT_EQ(Octave().Caption(), "Set Octave");
    EXPECT_EQ(Octave().Title.Caption(), "Select the Octave for Track  3");
    EXPECT_EQ(CheckedOctave(), checked);
    EXPECT_DOUBLE_EQ(Octave().Left(), (Sys().ScreenWidth() - Octave().Width()) / 2);
    EXPECT_DOUBLE_EQ(Octave().Top(), (Sys().ScreenHeight() - Octave().Height()) / 2);

    Sys().Click(Octave().cmdOK);
    EXPECT_EQ(G().TrackOctave[2], octave);
    EXPECT_EQ(F().OctLabel[2].Caption(), std::to_string(octave));
    EXPECT_FALSE(P().HasSetOctave()) << "OK unloads the dialog";
    EXPECT_FALSE(G().Modified);
  }
  // Without an option checked, one picked is stored.
  Sys().Click(F().OctLabel[2]);
  Sys().Click(Octave().OptionOctave[1]);
  Sys().Click(Octave().cmdOK);
  EXPECT_EQ(G().TrackOctave[2], 2);
  EXPECT_EQ(F().OctLabel[2].Caption(), "2");
}

TEST_F(TrackDialogsTest, OctaveDialogStoresThePickedOctaveForTheTrackItWasLastOpenedFor) {
  G().ActiveTrack = 1;
  ASSERT_TRUE(Sys().ChooseMenu(F().setoct));
  EXPECT_EQ(Octave().Title.Caption(), "Select the Octave for Track  2");
  Sys().Click(Octave().OptionOctave[0]);
  // Another track's label while the dialog is open points it at that track.
  Sys().Click(F().OctLabel[3]);
  EXPECT_EQ(Octave().Title.Caption(), "Select the Octave for Track  4");
  EXPECT_EQ(CheckedOctave(), 3);
  Sys().Click(Octave().OptionOctave[5]);
  Sys().Click(Octave().cmdOK);
  EXPECT_THAT(G().TrackOctave, ElementsAre(4, 4, 4, 6));
  EXPECT_EQ(F().OctLabel[3].Caption(), "6");

  // Opened again, the dialog starts afresh from the track's octave.
  Sys().Click(F().OctLabel[3]);
  EXPECT_EQ(CheckedOctave(), 5);
  Sys().Click(Octave().OptionOctave[1]);
  Sys().Click(Octave().cmdCancel);
  EXPECT_FALSE(P().HasSetOctave());
  Sys().Click(F().OctLabel[3]);
  Sys().Click(Octave().OptionOctave[1]);
  Sys().CloseBox(Octave());
  EXPECT_FALSE(P().HasSetOctave());
  EXPECT_EQ(G().TrackOctave[3], 6) << "Cancel and the close box store nothing";
  EXPECT_EQ(F().OctLabel[3].Caption(), "6");
}

}  // namespace
}  // namespace stavelark_test

#include <gmock/gmock.h>

#include <fstream>

#include "project/option_form.h"
#include "project/options_command.h"
#include "support/program_fixture.h"

namespace stavelark_test {
namespace {

using stavelark::PlayingTimeText;

TEST(PlayingTime, IsTheClocksEstimateInMinutesAndTwoDigitSeconds) {
  EXPECT_EQ(PlayingTimeText(0, 64), " 0:00");
  EXPECT_EQ(PlayingTimeText(100, 64), " 0:31");    // 31.40625 s
  EXPECT_EQ(PlayingTimeText(1000, 64), " 5:14");   // 314.0625 s
  EXPECT_EQ(PlayingTimeText(127, 127), " 0:20");   // 20.1 s
  EXPECT_EQ(PlayingTimeText(10001, 16), " 209:24");  // the longest score at the slowest tempo
  EXPECT_THROW(PlayingTimeText(10, 0), basic::RuntimeError);
}

// A 2 x 2 picture in the Windows bitmap format.
void WriteBitmap(const std::filesystem::path& path) {
  const unsigned char bmp[] = {
      'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                       // file header
      40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0,  // info header
      0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      0, 0, 255, 0, 255, 0, 0, 0,  // two pixels and padding, bottom row
      255, 0, 0, 255, 255, 255, 0, 0};
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bmp), sizeof bmp);
}

class OptionsTest : public ProgramTest {
 protected:
  void SetUp() override { Start(); }
  stavelark::OptionForm& Dialog() { return P().OptionForm(); }
  // Chooses "&Options"; `inDialog` runs while the dialog is open (it clicks OK or Cancel).
  void Options(std::function<void()> inDialog) {
    Sys().Post(std::move(inDialog));
    EXPECT_TRUE(Sys().ChooseMenu(F().OptionMenu)) << Sys().LastRefusal();
    EXPECT_FALSE(Dialog().Visible());
  }
  void Click(forms::Control& c) { EXPECT_TRUE(Sys().Click(c)) << Sys().LastRefusal(); }
};

TEST_F(OptionsTest, ShowsNoteCountsAndPlayingTimeWhileTheMainWindowStaysUsable) {
  G().NoteCount = {12, 100, 0, 3};
  Options([&] {
    EXPECT_TRUE(Dialog().Visible());
    EXPECT_EQ(Dialog().TrakLen[0].Text(), "12");
    EXPECT_EQ(Dialog().TrakLen[1].Text(), "100");
    EXPECT_EQ(Dialog().TrakLen[2].Text(), "0");
    EXPECT_EQ(Dialog().TimeBox.Text(), " 0:31");
    EXPECT_EQ(Dialog().BackColorBox.FillColor(), 0xFFFFFF);
    EXPECT_EQ(Dialog().Imagelist.Text(), "Piano");
    EXPECT_EQ(Dialog().Preview.Picture().Source(), "res:106");
    // Modeless: the main window's commands still run.
    EXPECT_TRUE(Sys().ChooseMenu(F().BassClef)) << Sys().LastRefusal();
    Click(Dialog().Cancel);
  });
  EXPECT_TRUE(F().BassClef.Checked());
  EXPECT_EQ(G().OptionsResult, "cancel");
}

TEST_F(OptionsTest, OkWithoutChangesKeepsTheBackgroundAndUsesTheShortCaption) {
  G().BackColorValue = 0x00FF00;
  Options([&] { Click(Dialog().OK); });
  EXPECT_EQ(G().OptionsResult, "ok");
  EXPECT_EQ(G().BackgroundImage, 106);
  EXPECT_EQ(G().BackgroundFile, "");
  EXPECT_EQ(G().BackColorValue, 0x00FF00);
  EXPECT_EQ(F().Picture().Source(), "res:106");
  EXPECT_EQ(F().BackColor(), 0x00FF00);
  EXPECT_EQ(F().Caption(), "Stavelark-Untitled");
  EXPECT_EQ(Dialog().CompName.Text(), "Untitled") << "OK does not rename the composition";
}

TEST_F(OptionsTest, PickedPictureAppliesOnOkOnly) {
  Options([&] {
    EXPECT_TRUE(Sys().Select(Dialog().Imagelist, 2)) << Sys().LastRefusal();  // "Grand Piano"
    EXPECT_EQ(Dialog().PendingImageId, 105);
    EXPECT_EQ(Dialog().Preview.Picture().Source(), "res:105");
    Click(Dialog().Cancel);
  });
  EXPECT_EQ(G().BackgroundImage, 106);
  EXPECT_EQ(F().Picture().Source(), "res:106");
  EXPECT_EQ(F().Caption(), "Stavelark-Untitled") << "the caption changes whatever the answer";

  Options([&] {
    EXPECT_EQ(Dialog().PendingImageId, 106) << "each opening starts from the current background";
    EXPECT_EQ(Dialog().Imagelist.ListIndex(), 3) << "and the list shows it";
    EXPECT_TRUE(Sys().Select(Dialog().Imagelist, 1));  // "Three Neck Guitar"
    Click(Dialog().OK);
  });
  EXPECT_EQ(G().BackgroundImage, 104);
  EXPECT_EQ(G().BackgroundImageName, "Three Neck Guitar");
  EXPECT_EQ(F().Picture().Source(), "res:104");
}

TEST_F(OptionsTest, IdsWithoutABuiltInPictureShowAsNone) {
  for (int id : {0, 100}) {
    G().BackgroundImage = static_cast<uint8_t>(id);
    Options([&] {
      EXPECT_EQ(Dialog().Imagelist.Text(), "None");
      Click(Dialog().Cancel);
    });
    EXPECT_EQ(G().BackgroundImage, 101) << "even when cancelled";
  }
  G().BackgroundImage = 103;
  Options([&] {
    EXPECT_EQ(Dialog().Imagelist.Text(), "None");
    EXPECT_EQ(Dialog().Preview.Picture().Source(), "res:101") << "the last preview stays";
    Click(Dialog().OK);
  });
  EXPECT_EQ(G().BackgroundImage, 103);
  EXPECT_EQ(F().Picture().Source(), "res:101") << "the combo's \"None\" is what OK accepted";
}

// Cancel in the colour dialog, or OK without a pick, keeps the colour: the dialog starts at the
// one shown, also once one was picked. Black is a colour like any other.
TEST_F(OptionsTest, TheColourDialogStartsAtTheCurrentColourCancelKeepsItAndBlackCanBeChosen) {
  G().BackColorValue = 0x00C0FF;
  constexpr int kCancel = -1, kOk = -2;  // else the colour picked
  const struct { const char* name; int answer, start, after; } steps[] = {
      {"Cancel", kCancel, 0x00C0FF, 0x00C0FF}, {"OK without a pick", kOk, 0x00C0FF, 0x00C0FF},
      {"a pick", 0x123456, 0x00C0FF, 0x123456}, {"OK after a pick", kOk, 0x123456, 0x123456}, {"black", 0, 0x123456, 0}};
  Options([&] {
    for (const auto& step : steps) {
      SCOPED_TRACE(step.name);
      if (step.answer == kCancel) Sys().CancelColorDialog();
      else if (step.answer == kOk) Sys().AcceptColorDialog();
      else Sys().AnswerColorDialog(step.answer);
      Click(Dialog().ChangeBackColor);
      EXPECT_EQ(Sys().Dialogs().back().color, step.start);
      EXPECT_EQ(Dialog().PendingBackColor, step.after);
      EXPECT_EQ(Dialog().BackColorBox.FillColor(), step.after);
    }
    Click(Dialog().OK);
  });
  EXPECT_EQ(G().BackColorValue, 0);
  EXPECT_EQ(F().BackColor(), 0);
}

TEST_F(OptionsTest, PictureFileFromBrowseBecomesTheBackground) {
  const std::filesystem::path picture = Root() / "wall.bmp";
  WriteBitmap(picture);
  Options([&] {
    Sys().AnswerFileDialog(picture.string());
    Click(Dialog().Browse);
    EXPECT_EQ(Sys().Dialogs().back().file.filter,
              "All Files (*.*)|*.*|Bitmap Files (*.bmp)|*.bmp|JPEG Files (*.jpg)|*.jpg");
    EXPECT_EQ(Sys().Dialogs().back().file.filterIndex, 2);
    EXPECT_EQ(Dialog().PendingImageId, 255);
    EXPECT_EQ(Dialog().Preview.Picture().Source(), picture.string());
    Click(Dialog().OK);
  });
  EXPECT_EQ(G().BackgroundImage, 255);
  EXPECT_EQ(G().BackgroundFile, picture.string());
  EXPECT_EQ(F().Picture().Source(), picture.string());
  EXPECT_EQ(Dialog().Imagelist.Text(), "Piano") << "the combo is not touched for a picture file";

  // A combo pick after Browse wins.
  Options([&] {
    Sys().AnswerFileDialog(picture.string());
    Click(Dialog().Browse);
    EXPECT_TRUE(Sys().Select(Dialog().Imagelist, 0));
    Click(Dialog().OK);
  });
  EXPECT_EQ(F().Picture().Source(), "res:101");
}

TEST_F(OptionsTest, AFileThatIsNoPictureIsReportedAndChangesNothing) {
  const std::filesystem::path text = Root() / "notes.jpg";
  std::ofstream(text) << "not a picture";
  Options([&] {
    Sys().AnswerFileDialog(text.string());
    Sys().AnswerMsgBox(forms::mb::Ok, "Could not load image", "Stavelark");
    Click(Dialog().Browse);
    EXPECT_EQ(Sys().Dialogs().back().buttons, forms::mb::OkOnly);
    EXPECT_EQ(Dialog().PendingImageId, 106);
    EXPECT_EQ(Dialog().PicturePath, text.string()) << "the name is taken before the load fails";
    EXPECT_EQ(Dialog().Preview.Picture().Source(), "res:106");
    // A cancelled file dialog changes nothing at all.
    Sys().CancelFileDialog();
    Click(Dialog().Browse);
    EXPECT_EQ(Dialog().PendingImageId, 106);
    Click(Dialog().Cancel);
  });
  EXPECT_EQ(G().BackgroundFile, "");
}

TEST_F(OptionsTest, ClosingByTheFrameIsCancelAndKeepsTheCompositionTexts) {
  Dialog().CompAuthor.Text = "Me";
  Options([&] {
    EXPECT_TRUE(Sys().Select(Dialog().Imagelist, 3));
    EXPECT_TRUE(Sys().CloseBox(Dialog())) << Sys().LastRefusal();
  });
  EXPECT_EQ(G().OptionsResult, "cancel");
  EXPECT_TRUE(Dialog().IsLoaded());
  EXPECT_EQ(Dialog().CompAuthor.Text(), "Me");
  // File > Open still asks for its file afterwards (after the save prompt: the author changed).
  Sys().AnswerMsgBox(forms::mb::No, "Do you want to save changes to Untitled ?", "End program");
  Sys().CancelFileDialog();
  EXPECT_TRUE(Sys().ChooseMenu(F().Open));
  EXPECT_EQ(Sys().Dialogs().back().kind, forms::headless::DialogKind::OpenFile);
}

}  // namespace
}  // namespace stavelark_test

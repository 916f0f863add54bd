#include <gmock/gmock.h>

#include "project/option_form.h"
#include "editor/startup.h"
#include "printing/print_fm.h"
#include "printing/print_query.h"
#include "printing/printing.h"
#include "support/program_fixture.h"

namespace stavelark_test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using forms::headless::PrintedPage;

class PrintingTest : public ProgramTest {
 protected:
  void SetUp() override { Start(); }

  stavelark::PrintCommands& Commands() { return P().PrintCommands(); }
  stavelark::PrintQuery& Dialog() { return P().PrintQuery(); }
  stavelark::PrintFm& Page() { return P().PrintFm(); }

  // `count` notes in `track`: pitch 5, a quarter, volume 100 + position % 100; lyric "w<pos>".
  void Fill(int track, int count) {
    for (int pos = 0; pos < count; ++pos) {
      G().NotePitch[track][pos] = 5;
      G().NoteDuration[track][pos] = 3;
      G().NoteVol[track][pos] = static_cast<uint8_t>(pos % 100 + 1);
      G().Lyrics[pos] = "w" + std::to_string(pos);
    }
    G().NoteCount[track] = static_cast<int16_t>(count);
  }

  // Chooses File > Print; `inDialog` runs while the print dialog waits (it ends with OK or Cancel).
  void Print(std::function<void()> inDialog) {
    Sys().Post(std::move(inDialog));
    EXPECT_TRUE(Sys().ChooseMenu(F().Print)) << Sys().LastRefusal();
  }
  void PrintRange(const std::string& from, const std::string& to, int copies = 1) {
    Print([=, this] {
      Dialog().PrintSome.Value = true;
      Dialog().From.Text = from;
      Dialog().Too.Text = to;
      Dialog().VScrollCopy.Value = -copies;
      EXPECT_TRUE(Sys().Click(Dialog().OK)) << Sys().LastRefusal();
    });
  }
  void PrintAll() {
    Print([this] { EXPECT_TRUE(Sys().Click(Dialog().OK)) << Sys().LastRefusal(); });
  }

  std::vector<std::string> PageCaptions() const {
    std::vector<std::string> out;
    for (const PrintedPage& page : Printed()) out.push_back(Text(page, "printpage", -1));
    return out;
  }
  const std::vector<PrintedPage>& Printed() const { return const_cast<PrintingTest*>(this)->Sys().PrintedPages(); }
  static std::string Text(const PrintedPage& page, const std::string& name, int index, const char* property = "Caption") {
    const auto* c = page.Find(name, index);
    return c ? c->Value(property) : "<not printed>";
  }
};

// ---- the page renderer ----

TEST_F(PrintingTest, PageGlyphsStandOneColumnLeftOfTheScreensAtThePagesHeights) {
  Commands().DrawPageNoteGlyph(1, 5, 3, 90);
  EXPECT_TRUE(Page().Music[1].Visible());
  EXPECT_EQ(Page().Music[1].Left(), 1000);
  EXPECT_EQ(Page().Music[1].Top(), 1840);
  EXPECT_EQ(Page().Tail[1].X1(), 1160);
  EXPECT_EQ(Page().Tail[1].Y1(), 1600);
  EXPECT_EQ(Page().Tail[1].Y2(), 1900);
  EXPECT_EQ(Page().VolLabel[1].Top(), 2160) << "the first staff's labels keep their row";
  Commands().DrawPageNoteGlyph(21, 5, 3, 90);
  EXPECT_EQ(Page().Music[21].Left(), 1000);
  EXPECT_EQ(Page().Music[21].Top(), 3300);
  EXPECT_EQ(Page().VolLabel[21].Top(), 3620);
  Commands().DrawPageNoteGlyph(80, 23, 0, 7);  // a sharp thirty-second in the last cell
  EXPECT_EQ(Page().Music[80].Top(), 6440 - 60 * 14);
  EXPECT_EQ(Page().Sharpy1[80].X1(), 500 * 19 + 860);
  EXPECT_TRUE(Page().Clef3[80].Visible());

  Commands().DrawPageNoteGlyph(40, 169, 3, 100);
  EXPECT_TRUE(Page().P1[40].Visible());
  EXPECT_EQ(Page().P1[40].X1(), 10500);
  EXPECT_EQ(Page().P1[40].Y1(), 2980);
  EXPECT_EQ(Page().P1[40].X2(), 10740);
  EXPECT_EQ(Page().P1[40].Y2(), 3100);
  EXPECT_FALSE(Page().Music[40].Visible()) << "a rest shows only its strokes";
  // Cells outside 1..80 show nothing (and don't crash).
  for (int cell : {0, 81, -5}) Commands().DrawPageNoteGlyph(cell, 5, 3, 100);
  EXPECT_FALSE(Page().Music[0].Visible());
}

// ---- printing ----

TEST_F(PrintingTest, PageCountOfferedForScoreLengthsAndCancelPrintsNothing) {
  for (auto [length, pages] : {std::pair{0, "1"}, {20, "2"}, {21, "2"}, {40, "3"}}) {
    Fill(0, length);
    Print([&] {
      EXPECT_EQ(Dialog().Too.Text(), pages) << length;
      EXPECT_TRUE(Sys().Click(Dialog().Canc));
    });
  }
  // Closing the dialog by its frame is Cancel too; the dialog stays for the next use.
  Print([this] { EXPECT_TRUE(Sys().CloseBox(Dialog())) << Sys().LastRefusal(); });
  EXPECT_FALSE(Dialog().Visible());
  EXPECT_TRUE(Dialog().IsLoaded());
  EXPECT_THAT(Printed(), IsEmpty());
}

TEST_F(PrintingTest, AnEmptyScorePrintsOnePageWithTheTrackLabels) {
  PrintAll();
  ASSERT_EQ(Printed().size(), 1u);
  const PrintedPage& page = Printed()[0];
  EXPECT_EQ(page.form, "PrintFm");
  EXPECT_EQ(Text(page, "printpage", -1), "Page  1");
  EXPECT_EQ(Text(page, "InstLabel", 0), "Track  1= 0  Acoustic Grand");
  EXPECT_EQ(Text(page, "PrintTitle", -1), "Untitled");
  EXPECT_EQ(Text(page, "Author", -1), "Orlemund");
  EXPECT_EQ(page.Find("Music", 1), nullptr) << "no notes";
  EXPECT_EQ(page.Find("Nex", -1), nullptr) << "the preview's buttons are not on paper";
  EXPECT_FALSE(Page().Visible()) << "printed without being shown";
  EXPECT_FALSE(Page().PrintTimer.Enabled());
}

TEST_F(PrintingTest, CopiesRepeatTheWholeRunOfPages) {
  Fill(0, 50);
  PrintRange("1", "3", 2);
  EXPECT_EQ(Dialog().Copies.Caption(), "2");
  EXPECT_THAT(PageCaptions(), ElementsAre("Page  1", "Page  2", "Page  3", "Page  1", "Page  2", "Page  3"));
}

TEST_F(PrintingTest, OnlyPagesInTheRangeAndInTheScoreArePrinted) {
  Fill(0, 50);
  for (auto [from, to] : {std::pair{"3", "2"}, {"abc", "2"}, {"3.5", "2.5"}, {"1", ""}}) PrintRange(from, to);
  PrintRange("1", "3", 0);
  EXPECT_THAT(Printed(), IsEmpty());
  PrintRange("2", "9");   // stops at the last page
  PrintRange("-1", "1");  // pages before 1 print nothing
  PrintRange("1.5", "2.5");  // fractions round halves to even: both page 2
  PrintRange("0.5", "1.4");  // pages 0 to 1: page 1
  PrintRange("2.51", "3.49");
  EXPECT_THAT(PageCaptions(), ElementsAre("Page  2", "Page  3", "Page  1", "Page  2", "Page  1", "Page  3"));
}

TEST_F(PrintingTest, TheLastPositionPrintsOnPage501) {
  Fill(1, 10001);  // the fullest track: its last position starts page 501
  PrintRange("500", "600");
  ASSERT_THAT(PageCaptions(), ElementsAre("Page  500", "Page  501"));
  EXPECT_EQ(Text(Printed()[0], "Lyric", 19, "Text"), "w9999");
  EXPECT_EQ(Text(Printed()[1], "Lyric", 0, "Text"), "w10000");
  EXPECT_EQ(Text(Printed()[1], "Lyric", 1, "Text"), "");
  EXPECT_NE(Text(Printed()[1], "Music", 21, "Visible"), "<not printed>") << "position 10000's head";
  EXPECT_EQ(Text(Printed()[1], "Music", 22, "Visible"), "<not printed>");
}

TEST_F(PrintingTest, LaterPagesCarryOctavesButNoInstruments) {
  Fill(0, 250);
  Fill(2, 30);
  G().TrackOctave[2] = 6;
  PrintRange("2", "12");
  ASSERT_EQ(Printed().size(), 11u);
  for (const PrintedPage& page : Printed()) {
    for (int t = 0; t < 4; ++t) EXPECT_EQ(Text(page, "InstLabel", t), "");
    EXPECT_EQ(Text(page, "OctLabel", 2), "6");
  }
  const PrintedPage& second = Printed()[0];
  EXPECT_EQ(Text(second, "Lyric", 0, "Text"), "w20");
  EXPECT_EQ(Text(second, "VolLabel", 1), "21") << "position 20 in column 1";
  EXPECT_EQ(Text(second, "VolLabel", 41), "21") << "track 3 still has notes here";
  EXPECT_EQ(second.Find("Music", 51), nullptr) << "but ends after position 29";
  EXPECT_EQ(Printed()[1].Find("Music", 41), nullptr) << "and is empty on page 3";
  EXPECT_EQ(Text(Printed().back(), "printpage", -1), "Page  12");
}

TEST_F(PrintingTest, EveryPageIsPrintedEvenWhenTheTimerDoesNotGetToIt) {
  Fill(0, 50);
  Print([this] {
    EXPECT_TRUE(Sys().Click(Dialog().OK));
    Sys().Post([this] { Page().PrintTimer.Enabled = false; });
  });
  EXPECT_THAT(PageCaptions(), ElementsAre("Page  1", "Page  2", "Page  3"));
}

// ---- preview ----

class PreviewTest : public PrintingTest {
 protected:
  // Starts the preview; `steps` run one by one while it waits (each at its own pump of
  // events, so the preview acts on a button before the next step), then Close.
  void Preview(std::vector<std::function<void()>> steps) {
    steps_ = std::move(steps);
    steps_.push_back([this] { EXPECT_TRUE(Sys().Click(Page().Clos)) << Sys().LastRefusal(); });
    PostStep(0);
    EXPECT_TRUE(Sys().ChooseMenu(F().PrintPreview)) << Sys().LastRefusal();
    EXPECT_FALSE(Page().Visible());
  }
  void PostStep(size_t i) {
    Sys().Post([this, i] {
      steps_[i]();
      if (i + 1 < steps_.size()) PostStep(i + 1);
    });
  }
  std::function<void()> Next() {
    return [this] { EXPECT_TRUE(Sys().Click(Page().Nex)) << Sys().LastRefusal(); };
  }
  std::function<void()> Expect(std::string caption, bool nextEnabled, bool previousEnabled) {
    return [=, this] {
      EXPECT_EQ(Page().printpage.Caption(), caption);
      EXPECT_EQ(Page().Nex.Enabled(), nextEnabled) << caption;
      EXPECT_EQ(Page().Previous.Enabled(), previousEnabled) << caption;
    };
  }

 private:
  std::vector<std::function<void()>> steps_;
};

TEST_F(PreviewTest, ShortScoresHaveOnePage) {
  for (int length : {0, 20}) {
    Fill(0, length);
    Preview({[this] {
               EXPECT_TRUE(Page().Visible());
               EXPECT_EQ(Page().Caption(), "Print Preview");
             },
             Expect("Page  1", false, false)});
  }
  EXPECT_THAT(Printed(), IsEmpty());
}

TEST_F(PreviewTest, FortyPositionsReachAThirdPageWithoutNotes) {
  Fill(0, 40);
  auto previous = [this] { EXPECT_TRUE(Sys().Click(Page().Previous)); };
  Preview({Expect("Page  1", true, false), Next(), Expect("Page  2", true, true), Next(), Expect("Page  3", false, true),
           [this] {
             EXPECT_FALSE(Page().Music[1].Visible());
             EXPECT_EQ(Page().InstLabel[0].Caption(), "");
           },
           previous, previous, Expect("Page  1", true, false),
           [this] { EXPECT_EQ(Page().InstLabel[0].Caption(), "Track  1= 0  Acoustic Grand"); }});
}

TEST_F(PreviewTest, ReachesTheLastPositionOnPage501AndNoFurther) {
  Fill(3, 10001);
  std::vector<std::function<void()>> steps;
  for (int i = 0; i < 501; ++i) steps.push_back([this] { Page().Nex_Click(); });
  steps.push_back(Expect("Page  501", false, true));
  steps.push_back([this] {
    EXPECT_EQ(Page().Lyric[0].Text(), "w10000");
    EXPECT_EQ(Page().Lyric[19].Text(), "");
    EXPECT_TRUE(Page().Music[61].Visible());
    EXPECT_FALSE(Page().Music[62].Visible());
  });
  Preview(std::move(steps));
}

TEST_F(PreviewTest, ClosingTheWindowByItsFrameEndsThePreview) {
  Sys().Post([this] { EXPECT_TRUE(Sys().CloseBox(Page())) << Sys().LastRefusal(); });
  EXPECT_TRUE(Sys().ChooseMenu(F().PrintPreview));
  EXPECT_FALSE(Page().Visible());
  EXPECT_TRUE(Page().IsLoaded());
}

TEST_F(PreviewTest, PrintAndPreviewRefuseEachOther) {
  Fill(0, 30);
  // Print during the preview does nothing.
  Preview({[this] { EXPECT_TRUE(Sys().ChooseMenu(F().Print)); }, Expect("Page  1", true, false)});
  EXPECT_TRUE(Sys().Dialogs().empty());
  EXPECT_FALSE(Dialog().Visible());
  // The preview during the print dialog does nothing.
  Print([this] {
    EXPECT_TRUE(Sys().ChooseMenu(F().PrintPreview));
    EXPECT_FALSE(Page().Visible());
    EXPECT_TRUE(Sys().Click(Dialog().Canc));
  });
  // Nor while the pages are going to the printer.
  Print([this] {
    EXPECT_TRUE(Sys().Click(Dialog().OK));
    Sys().Post([this] {
      EXPECT_TRUE(Sys().ChooseMenu(F().PrintPreview));
      EXPECT_TRUE(Sys().ChooseMenu(F().Print));
      EXPECT_FALSE(Page().Visible());
      EXPECT_FALSE(Dialog().Visible());
    });
  });
  EXPECT_THAT(PageCaptions(), ElementsAre("Page  1", "Page  2"));
}

TEST_F(PrintingTest, PrintSetupShowsThePageSetUpAndIgnoresCancel) {
  Sys().CancelPrinterDialog();
  EXPECT_TRUE(Sys().ChooseMenu(F().PrintSetup));
  ASSERT_EQ(Sys().Dialogs().size(), 1u);
  EXPECT_EQ(Sys().Dialogs()[0].kind, forms::headless::DialogKind::Printer);
  EXPECT_EQ(Sys().Dialogs()[0].printer.flags, 64);
  EXPECT_TRUE(Sys().UnexpectedDialogs().empty()) << "no error message after Cancel";
}

}  // namespace
}  // namespace stavelark_test

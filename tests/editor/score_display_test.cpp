#include <gmock/gmock.h>

#include "editor/score_display.h"
#include "printing/print_fm.h"
#include "support/program_fixture.h"

namespace stavelark_test {
namespace {

using forms::FillStyle;

class ScoreDisplayTest : public ProgramTest {
 protected:
  void SetUp() override { Start(); }

  stavelark::ScoreDisplay& D() { return P().ScoreDisplay(); }

  // Appends notes to a track, all alike.
  void AddNotes(int track, int count, int pitch, int duration = 3, int volume = 100) {
    for (int i = 0; i < count; ++i) {
      const int pos = G().NoteCount[track]++;
      G().NotePitch[track][pos] = static_cast<int16_t>(pitch);
      G().NoteDuration[track][pos] = static_cast<uint8_t>(duration);
      G().NoteVol[track][pos] = static_cast<uint8_t>(volume);
    }
  }

  // What a cell shows, part by part ("head", "stem", "flag1".."flag3", "sharp", "rest"), with the
  // volume label's caption last.
  std::vector<std::string> Shown(int cell) {
    std::vector<std::string> out;
    stavelark::Form1& f = F();
    if (f.Music[cell].Visible) out.push_back(f.Music[cell].FillStyle() == FillStyle::Solid ? "head" : "hollow head");
    if (f.Tail[cell].Visible) out.push_back("stem");
    if (f.Clef1[cell].Visible) out.push_back("flag1");
    if (f.Clef2[cell].Visible) out.push_back("flag2");
    if (f.Clef3[cell].Visible) out.push_back("flag3");
    const int sharps = f.Sharpy1[cell].Visible + f.Sharpy2[cell].Visible + f.Sharpy3[cell].Visible +
                       f.Sharpy4[cell].Visible;
    if (sharps == 4) out.push_back("sharp");
    else if (sharps != 0) out.push_back("part of a sharp");
    if (f.P1[cell].Visible && f.P2[cell].Visible) out.push_back("rest");
    else if (f.P1[cell].Visible || f.P2[cell].Visible) out.push_back("part of a rest");
    out.push_back("vol:" + f.VolLabel[cell].Caption());
    return out;
  }

  static std::vector<double> Ends(const forms::Line& l) { return {l.X1(), l.Y1(), l.X2(), l.Y2()}; }
};

using ::testing::ElementsAre;

TEST_F(ScoreDisplayTest, HeadsSitOnTheirStepWithStemFlagsSharpAndLabelAroundThem) {
  // Track 0, columns 0..2: the lowest and highest codes, and a sharp.
  AddNotes(0, 1, 0, 0, 7);
  AddNotes(0, 1, 24, 3, 100);
  AddNotes(0, 1, 2, 1, 127);
  D().RedrawScore();
  stavelark::Form1& f = F();

  EXPECT_EQ(f.Music[0].Top(), 2060);
  EXPECT_EQ(f.Music[0].Left(), 1000);
  EXPECT_EQ(f.Music[1].Top(), 1220);
  EXPECT_EQ(f.Music[1].Left(), 1500);
  // The sharp shares its natural's step (code 1's) and shows its sign.
  EXPECT_EQ(f.Music[2].Top(), 2000);
  EXPECT_THAT(Shown(2), ElementsAre("head", "stem", "flag1", "flag2", "sharp", "vol:127"));
  EXPECT_THAT(Shown(1), ElementsAre("head", "stem", "vol:100"));
  EXPECT_THAT(Shown(0), ElementsAre("head", "stem", "flag1", "flag2", "flag3", "vol:7"));

  // Column 2: x0 = 1000, head top 2000.
  EXPECT_THAT(Ends(f.Sharpy1[2]), ElementsAre(1860, 2000, 1860, 2140));
  EXPECT_THAT(Ends(f.Sharpy2[2]), ElementsAre(1920, 2000, 1920, 2140));
  EXPECT_THAT(Ends(f.Sharpy3[2]), ElementsAre(1840, 2020, 1960, 2020));
  EXPECT_THAT(Ends(f.Sharpy4[2]), ElementsAre(1840, 2100, 1960, 2100));
  EXPECT_THAT(Ends(f.Tail[2]), ElementsAre(2160, 1760, 2160, 2060));
  EXPECT_THAT(Ends(f.Clef1[2]), ElementsAre(2160, 1760, 2260, 1810));
  EXPECT_THAT(Ends(f.Clef2[2]), ElementsAre(2160, 1820, 2260, 1870));
  // The third flag is placed even while hidden.
  EXPECT_THAT(Ends(f.Clef3[2]), ElementsAre(2160, 1880, 2260, 1930));
  EXPECT_EQ(f.VolLabel[2].Left(), 1940);
  EXPECT_EQ(f.VolLabel[2].Top(), 2200);
}

TEST_F(ScoreDisplayTest, CodesOutsideTheTwoOctavesAreTheirOwnStep) {
  AddNotes(0, 1, 30);
  AddNotes(0, 1, -3);
  AddNotes(0, 1, 32767);
  AddNotes(0, 1, -32768);
  D().RedrawScore();
  stavelark::Form1& f = F();
  EXPECT_EQ(f.Music[0].Top(), 2120 - 60 * 30);
  EXPECT_EQ(f.Music[1].Top(), 2120 + 60 * 3);
  EXPECT_EQ(f.Music[2].Top(), 2120 - 60.0 * 32767);
  EXPECT_EQ(f.Music[3].Top(), 2120 + 60.0 * 32768);
  EXPECT_THAT(Shown(3), ElementsAre("head", "stem", "vol:100"));

  // Callers may pass any int; nothing overflows.
  D().DrawNoteGlyph(4, INT32_MIN, 3, 1);
  EXPECT_EQ(f.Music[4].Top(), 2120 + 60.0 * 2147483648.0);
  EXPECT_EQ(f.Tail[4].Y2(), 2120 + 60.0 * 2147483648.0 + 60);
}

TEST_F(ScoreDisplayTest, RestsShowOnlyTheirTwoStrokesAtTheirTracksHeights) {
  for (int t = 0; t < 4; ++t) {
    AddNotes(t, 3, 5);
    AddNotes(t, 1, stavelark::kRestPitch, 7);
  }
  D().RedrawScore();
  stavelark::Form1& f = F();
  // Column 3: x0 = 1500.
  const double expected[4][4] = {
      {1620, 1740, 1680, 1880}, {3020, 3140, 3120, 3280}, {4440, 4560, 4540, 4700}, {5860, 5980, 5960, 6120}};
  for (int t = 0; t < 4; ++t) {
    SCOPED_TRACE("track " + std::to_string(t));
    const int cell = t * 20 + 3;
    EXPECT_THAT(Shown(cell), ElementsAre("rest", "vol:"));
    EXPECT_THAT(Ends(f.P1[cell]), ElementsAre(2500, expected[t][0], 2740, expected[t][1]));
    EXPECT_THAT(Ends(f.P2[cell]), ElementsAre(2620, expected[t][2], 2500, expected[t][3]));
  }
}

TEST_F(ScoreDisplayTest, DurationCodesChooseHeadStemAndFlags) {
  AddNotes(1, 1, 3, 2);
  AddNotes(1, 1, 3, 4);
  AddNotes(1, 1, 3, 5);
  AddNotes(1, 1, 3, 6);
  AddNotes(1, 1, 4, 7);
  AddNotes(1, 1, 3, 200);
  D().RedrawScore();
  EXPECT_THAT(Shown(20), ElementsAre("head", "stem", "flag1", "vol:100"));
  EXPECT_THAT(Shown(21), ElementsAre("hollow head", "stem", "vol:100"));
  EXPECT_THAT(Shown(22), ElementsAre("hollow head", "vol:100"));
  // The rest codes with a real pitch: only the label, and the sharp for a sharp pitch.
  EXPECT_THAT(Shown(23), ElementsAre("vol:100"));
  EXPECT_THAT(Shown(24), ElementsAre("sharp", "vol:100"));
  // A code outside the palette shows the head (with its last fill) and nothing else.
  EXPECT_THAT(Shown(25), ElementsAre("head", "vol:100"));
  // Track 1's labels move to its own row.
  EXPECT_EQ(F().VolLabel[25].Top(), 3620);
}

TEST_F(ScoreDisplayTest, TheBandComesFromTheCellNotTheNote) {
  // A track-0 note drawn into cell 20 shows in column 0 of track 1's staff.
  D().DrawNoteGlyph(20, 0, 3, 90);
  EXPECT_EQ(F().Music[20].Top(), 3520 - 60);
  EXPECT_EQ(F().Music[20].Left(), 1000);
  EXPECT_EQ(F().VolLabel[20].Top(), 3620);
  D().DrawNoteGlyph(79, 2, 3, 90);
  EXPECT_EQ(F().Music[79].Top(), 6400 - 120);
  EXPECT_EQ(F().Music[79].Left(), 500 * 19 + 1000);
  EXPECT_EQ(F().VolLabel[79].Top(), 6570);
  EXPECT_EQ(F().Sharpy3[79].X1(), 500 * 19 + 840);
  // Numbers outside the pools draw nothing and fail nowhere.
  D().DrawNoteGlyph(-1, 0, 3, 90);
  D().DrawNoteGlyph(81, 0, 3, 90);
  D().DrawNoteGlyph(80, 2, 3, 90);
  D().DrawNoteGlyph(80, stavelark::kRestPitch, 3, 90);
  EXPECT_THAT(Shown(80), ElementsAre("vol:"));
}

TEST_F(ScoreDisplayTest, DrawingOverACellKeepsWhatTheNewNoteDoesNotSwitch) {
  AddNotes(2, 1, stavelark::kRestPitch, 6);
  D().RedrawScore();
  // A note into the rest's cell keeps the rest strokes until the next redraw...
  D().DrawNoteGlyph(40, 5, 3, 50);
  EXPECT_THAT(Shown(40), ElementsAre("head", "stem", "rest", "vol:50"));
  // ...and a rest over a note leaves the note as it was.
  D().DrawNoteGlyph(41, 7, 0, 60);
  D().DrawNoteGlyph(41, stavelark::kRestPitch, 6, 60);
  EXPECT_THAT(Shown(41), ElementsAre("head", "stem", "flag1", "flag2", "flag3", "sharp", "rest", "vol:60"));
  // A redraw shows the composition again: one rest, nothing else.
  D().RedrawScore();
  EXPECT_THAT(Shown(40), ElementsAre("rest", "vol:"));
  EXPECT_THAT(Shown(41), ElementsAre("vol:"));
}

TEST_F(ScoreDisplayTest, RedrawShowsTheViewFromScrollPos) {
  for (int p = 0; p <= 10000; ++p) G().Lyrics[p] = "L" + std::to_string(p);
  AddNotes(0, 12, 8, 3, 40);
  AddNotes(3, 30, 13, 2, 80);
  G().ScrollPos = 10;
  D().RedrawScore();
  stavelark::Form1& f = F();
  EXPECT_EQ(f.NoteNumber.Caption(), "11");
  EXPECT_EQ(f.Lyric[0].Text(), "L10");
  EXPECT_EQ(f.Lyric[19].Text(), "L29");
  // Track 0 ends inside the view: positions 10 and 11 only.
  EXPECT_THAT(Shown(0), ElementsAre("head", "stem", "vol:40"));
  EXPECT_THAT(Shown(1), ElementsAre("head", "stem", "vol:40"));
  EXPECT_THAT(Shown(2), ElementsAre("vol:"));
  EXPECT_THAT(Shown(20), ElementsAre("vol:"));
  EXPECT_THAT(Shown(79), ElementsAre("head", "stem", "flag1", "vol:80"));

  // A track that ends before the view shows nothing; an empty score shows empty staves.
  G().ScrollPos = 12;
  D().RedrawScore();
  for (int c = 0; c < 20; ++c) EXPECT_THAT(Shown(c), ElementsAre("vol:")) << c;
  G().NoteCount.fill(0);
  G().ScrollPos = 0;
  D().RedrawScore();
  for (int cell = 0; cell < 80; ++cell) EXPECT_THAT(Shown(cell), ElementsAre("vol:")) << cell;
  EXPECT_EQ(f.NoteNumber.Caption(), "1");
  EXPECT_EQ(f.Lyric[0].Text(), "L0");

  // The last view the lyric row can show ends at the last position.
  G().SetScrollPos(20000);
  D().RedrawScore();
  EXPECT_EQ(f.Lyric[19].Text(), "L10000");
  EXPECT_EQ(f.NoteNumber.Caption(), "9982");
}

TEST_F(ScoreDisplayTest, HighlightColoursTheSelectedCellsAndClearTurnsAllBlack) {
  for (int t = 0; t < 4; ++t) AddNotes(t, 20, 2, 0);
  D().RedrawScore();
  stavelark::Form1& f = F();
  auto colours = [&](int cell) {
    return std::vector<int>{f.Clef1[cell].BorderColor(),   f.Clef2[cell].BorderColor(),
                            f.Clef3[cell].BorderColor(),   f.Tail[cell].BorderColor(),
                            f.P1[cell].BorderColor(),      f.P2[cell].BorderColor(),
                            f.Sharpy1[cell].BorderColor(), f.Sharpy2[cell].BorderColor(),
                            f.Sharpy3[cell].BorderColor(), f.Sharpy4[cell].BorderColor(),
                            f.Music[cell].BorderColor(),   f.Music[cell].FillColor()};
  };
  const std::vector<int> red(12, 0xFF), black(12, 0);

  G().SelTrackFrom = 1;
  G().SelTrackTo = 2;
  G().SelColFrom = 0;
  G().SelColTo = 19;
  D().HighlightSelection();
  EXPECT_TRUE(G().SelectionActive);
  for (int cell = 0; cell <= 80; ++cell) {
    EXPECT_EQ(colours(cell), cell >= 20 && cell < 60 ? red : black) << cell;
    EXPECT_EQ(f.VolLabel[cell].ForeColor(), 0) << cell;
  }

  f.BufferTop.Visible = true;
  D().ClearSelectionHighlight();
  for (int cell = 0; cell <= 80; ++cell) EXPECT_EQ(colours(cell), black) << cell;
  EXPECT_FALSE(G().SelectionActive);
  EXPECT_FALSE(f.BufferTop.Visible());
  EXPECT_EQ(G().SelColFrom, -1);
  EXPECT_EQ(G().SelColTo, -1);
  EXPECT_EQ(G().SelTrackFrom, 1);
  EXPECT_EQ(G().SelTrackTo, 2);

  // Columns count as the nearest whole numbers; an empty range colours nothing.
  G().SelTrackFrom = G().SelTrackTo = 3;
  G().SelColFrom = 2.5F;  // -> 2
  G().SelColTo = 3.5F;    // -> 4
  D().HighlightSelection();
  for (int c = 0; c < 20; ++c) EXPECT_EQ(colours(60 + c), c >= 2 && c <= 4 ? red : black) << c;
  D().ClearSelectionHighlight();
  G().SelColFrom = 5;
  G().SelColTo = 4;
  D().HighlightSelection();
  for (int cell = 0; cell <= 80; ++cell) EXPECT_EQ(colours(cell), black) << cell;
  EXPECT_TRUE(G().SelectionActive);

  // A selection reaching past the score colours what lies inside it, never the spare element.
  D().ClearSelectionHighlight();
  G().SelTrackFrom = -1;
  G().SelTrackTo = 7;
  G().SelColFrom = -3;
  G().SelColTo = 25;
  D().HighlightSelection();
  for (int cell = 0; cell <= 80; ++cell) EXPECT_EQ(colours(cell), cell < 80 ? red : black) << cell;

  // Every redraw ends the selection.
  G().SelColFrom = 0;
  G().SelColTo = 1;
  D().HighlightSelection();
  D().RedrawScore();
  EXPECT_FALSE(G().SelectionActive);
  EXPECT_EQ(colours(60), black);
  EXPECT_EQ(G().SelColTo, -1);
}

TEST_F(ScoreDisplayTest, TheBassClefSwapsTrack2sClefOnBothWindowsAndRelabelsItsOctave) {
  stavelark::Form1& f = F();
  f.OctLabel[0].Caption = "5";
  EXPECT_TRUE(Sys().ChooseMenu(f.BassClef));
  stavelark::PrintFm& page = P().PrintFm();
  EXPECT_TRUE(f.BassClef.Checked());
  EXPECT_FALSE(f.Image2.Visible());
  EXPECT_TRUE(f.Image5.Visible());
  EXPECT_FALSE(page.Image2.Visible());
  EXPECT_TRUE(page.Picture1.Visible());
  EXPECT_EQ(f.OctLabel[1].Caption(), "3");
  // Only the label: the stored octave plays and saves as before. The switch itself is saved,
  // so it marks the composition.
  EXPECT_EQ(G().TrackOctave[1], 4);
  EXPECT_TRUE(G().Modified);

  // Turning it off never changes a label.
  f.OctLabel[0].Caption = "6";
  EXPECT_TRUE(Sys().ChooseMenu(f.BassClef));
  EXPECT_FALSE(f.BassClef.Checked());
  EXPECT_TRUE(f.Image2.Visible());
  EXPECT_FALSE(f.Image5.Visible());
  EXPECT_TRUE(page.Image2.Visible());
  EXPECT_FALSE(page.Picture1.Visible());
  EXPECT_EQ(f.OctLabel[1].Caption(), "3");

  // With track 0 at octave 3 or lower there is nothing lower to show.
  f.OctLabel[0].Caption = "3";
  f.OctLabel[1].Caption = "4";
  EXPECT_TRUE(Sys().ChooseMenu(f.BassClef));
  EXPECT_TRUE(f.Image5.Visible());
  EXPECT_EQ(f.OctLabel[1].Caption(), "4");
}

}  // namespace
}  // namespace stavelark_test

#include "project/project_files.h"

#include <gmock/gmock.h>

#include <fstream>
#include <random>
#include <sstream>

#include "project/option_form.h"
#include "editor/score_display.h"
#include "editor/set_octave.h"
#include "editor/track_inst.h"
#include "project/settings.h"
#include "sound/sound_engine.h"
#include "sound/midi_writer.h"
#include "support/program_fixture.h"

namespace stavelark_test {
namespace {

using forms::mb::No;
using forms::mb::Ok;
using forms::mb::Yes;

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void Spit(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class ProjectFilesTest : public ProgramTest {
 protected:
  std::string PathOf(const std::string& name) { return (Root() / name).string(); }

  void SetNote(int t, int p, int16_t pitch, uint8_t vol, uint8_t dur) {
    G().NotePitch[t][p] = pitch;
    G().NoteVol[t][p] = vol;
    G().NoteDuration[t][p] = dur;
  }
  void Choose(forms::Menu& item) { EXPECT_TRUE(Sys().ChooseMenu(item)) << Sys().LastRefusal(); }
  void SaveTo(const std::string& path, int filterIndex = 0) {
    Sys().AnswerFileDialog(path, filterIndex);
    Choose(F().Save);
  }
  void OpenFrom(const std::string& path) {
    Sys().AnswerFileDialog(path);
    Choose(F().Open);
  }
  std::vector<bool> Effects() {
    stavelark::Form1& f = F();
    return {f.distortion.Checked(), f.echo.Checked(),   f.Chorus.Checked(), f.Flanger.Checked(),
            f.Compressor.Checked(), f.Gargle.Checked(), f.Para.Checked(),   f.Reverb.Checked()};
  }
};

constexpr const char* kExample =
    "COMPOSITIONNAMEsong.msf\r\nCOMPOSITIONCOPYRIGHT(c)2010\r\nCOMPOSITIONAUTHOROrlemund\r\nDIVISION 64\r\n"
    "ECHO\r\nTRACK 0\r\nINST 0\r\nOCTAVE 4\r\n 1, 100, 3\r\n 5, 100, 3\r\nTRACK 1\r\nINST 25\r\nOCTAVE 4\r\n"
    "TRACK 2\r\nINST 18\r\nOCTAVE 4\r\nTRACK 3\r\nINST 118\r\nOCTAVE 4\r\nLYRICS\r\n 2\r\nla\r\n\r\n";

TEST_F(ProjectFilesTest, SaveWritesTheExampleAndOpenReadsItBack) {
  Start();
  F().echo.Checked = true;
  SetNote(0, 0, 1, 100, 3);
  SetNote(0, 1, 5, 100, 3);
  G().NoteCount[0] = 2;
  G().Lyrics[0] = "la";
  G().Modified = true;
  SaveTo(PathOf("song.msf"));
  EXPECT_EQ(Slurp(Root() / "song.msf"), kExample);
  const auto& dialog = Sys().Dialogs().back();
  EXPECT_EQ(dialog.file.filter, "All Files (*.*)|*.*|MIDI Source Files (*.MSF)|*.msf *.MSF|MIDI Files (*.mid)|*.mid *.MID");
  EXPECT_EQ(dialog.file.filterIndex, 2);
  EXPECT_EQ(F().Caption(), "Stavelark - song.msf");
  EXPECT_FALSE(G().Modified);

  Choose(F().New);
  F().echo.Checked = false;
  G().Lyrics[0] = "";
  OpenFrom(PathOf("song.msf"));
  EXPECT_EQ(Sys().Dialogs().back().file.filter, "All Files (*.*)|*.*|MIDI Source Files (*.MSF)|*.msf *.MSF");
  EXPECT_EQ(G().NoteCount[0], 2);
  EXPECT_EQ(G().NotePitch[0][1], 5);
  EXPECT_EQ(G().Lyrics[0], "la");
  EXPECT_TRUE(F().echo.Checked());
  EXPECT_EQ(G().CompositionName, "song.msf");
  EXPECT_EQ(P().OptionForm().CompName.Text(), "song.msf");
  EXPECT_EQ(F().InstLabel[1].ToolTipText(), "25 Acoustic Guitar (steel)");
  EXPECT_EQ(G().ScrollPos, 0);
  EXPECT_FALSE(G().Modified);
}

TEST_F(ProjectFilesTest, SaveThenOpenGivesBackTheWholeComposition) {
  Start();
  const std::array<int16_t, 4> counts = {37, 0, 120, 5};
  for (int t = 0; t < 4; ++t)
    for (int p = 0; p < counts[t]; ++p)
      SetNote(t, p, static_cast<int16_t>(p % 7 == 0 ? 169 : p % 11 == 0 ? -3 - p : (p * 5 + t) % 25),
              static_cast<uint8_t>((p * 37 + t) % 256), static_cast<uint8_t>((p + t) % 8));
  G().NoteCount = counts;
  for (int p = 0; p < 120; ++p) G().Lyrics[p] = p % 3 == 0 ? "" : "w" + std::to_string(p);
  G().Lyrics[4] = "TRACK 2";
  G().Lyrics[5] = "a, b";
  G().Lyrics[7] = "Zo\xC3\xAB \xE2\x82\xAC";
  G().TrackInstrument = {40, 0, 127, 7};
  G().TrackOctave = {1, 6, 3, 5};
  G().Tempo = 100;
  F().distortion.Checked = true;
  F().Para.Checked = true;
  F().Reverb.Checked = true;
  P().ScoreDisplay().BassClef_Click();
  P().OptionForm().CompCopy.Text = "(c) 2024 Ann";
  P().OptionForm().CompAuthor.Text = "Zo\xC3\xAB, Ann";
  SaveTo(PathOf("whole.msf"));
  const auto saved = std::make_unique<stavelark::Globals>(G());

  // Change everything the file holds, then open it.
  G().TrackInstrument = {1, 2, 3, 4};
  G().TrackOctave = {4, 4, 4, 4};
  G().Tempo = 64;
  for (int p = 0; p < 130; ++p) G().Lyrics[p] = "x";
  for (int t = 0; t < 4; ++t)
    for (int p = 0; p < 120; ++p) SetNote(t, p, 0, 0, 0);
  F().distortion.Checked = false;
  F().echo.Checked = true;
  P().ScoreDisplay().BassClef_Click();
  G().CompositionAuthor = G().CompositionCopyright = "";
  P().OptionForm().CompCopy.Text = P().OptionForm().CompAuthor.Text = "";
  OpenFrom(PathOf("whole.msf"));

  EXPECT_EQ(G().NoteCount, counts);
  for (int t = 0; t < 4; ++t)
    for (int p = 0; p < counts[t]; ++p) {
      ASSERT_EQ(G().NotePitch[t][p], saved->NotePitch[t][p]) << t << "/" << p;
      ASSERT_EQ(G().NoteVol[t][p], saved->NoteVol[t][p]) << t << "/" << p;
      ASSERT_EQ(G().NoteDuration[t][p], saved->NoteDuration[t][p]) << t << "/" << p;
    }
  for (int p = 0; p < 120; ++p) ASSERT_EQ(G().Lyrics[p], saved->Lyrics[p]) << p;
  EXPECT_EQ(G().Lyrics[120], "x") << "beyond the count the lyrics stay";
  EXPECT_EQ(G().TrackInstrument, saved->TrackInstrument);
  EXPECT_EQ(G().TrackOctave, saved->TrackOctave);
  EXPECT_EQ(G().Tempo, 100);
  EXPECT_EQ(F().DivControl.Value(), 100);
  EXPECT_THAT(Effects(), ::testing::ElementsAre(true, false, false, false, false, false, true, true));
  EXPECT_TRUE(F().BassClef.Checked());
  EXPECT_TRUE(F().Image5.Visible());
  EXPECT_EQ(G().CompositionCopyright, "(c) 2024 Ann");
  EXPECT_EQ(G().CompositionAuthor, "Zo\xC3\xAB, Ann");
  EXPECT_EQ(P().OptionForm().CompAuthor.Text(), "Zo\xC3\xAB, Ann");
  EXPECT_EQ(F().InstLabel[2].Caption(), "127 GunShot");
  EXPECT_EQ(F().OctLabel[1].Caption(), "6");
  EXPECT_EQ(G().ScrollPos, 110);
  EXPECT_EQ(F().Caption(), "Stavelark - whole.msf");
}

// Whatever the program can hold, from its settings or from a project file, it saves to a file
// that opens as the same composition.
TEST_F(ProjectFilesTest, WhatTheProgramHoldsSavesToAFileThatOpensAsTheSame) {
  settings.SaveSetting("Stavelark", "Properties", "RegLoaded", "True");
  Start();
  std::mt19937 rng(20240611);
  auto below = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  auto join = [&](const auto& pieces, int least, int most) {  // `least` to `most` pieces at random
    std::string text;
    for (int n = least + below(most - least + 1); n > 0; --n) text += pieces[below(static_cast<int>(pieces.size()))];
    return text;
  };
  // Texts the code page holds: letters, blanks, commas, keywords, a lone LF, accents, signs.
  const std::vector<std::string> texts = {"a", "Zo", "9", " ", ",", "\n", "?", "TRACK 2", "LYRICS", "ECHO",
                                          "\xC3\xA9", "\xE2\x82\xAC", "\xC5\xB8", "\xC2\xA0", "(c)2010", "-3, 4, 5"};
  stavelark::Globals& g = G();
  stavelark::OptionForm& options = P().OptionForm();
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    // Settings as anyone may have left them (an instrument a user or another program wrote),
    // read as a start does.
    for (int t = 0; t < 4; ++t) {
      const std::string instruments[] = {std::to_string(std::uniform_int_distribution<int>(-1000, 100000)(rng)),
                                         std::to_string(below(128)), "12.6", "x", ""};
      settings.SaveSetting("Stavelark", "Properties", "inst" + std::to_string(t), instruments[below(5)]);
    }
    const std::string colour = join(std::string_view("0123456789ABCDEFabcdef"), 1, 8);
    settings.SaveSetting("Stavelark", "Properties", "backcolor", colour);
    P().SettingsTopic().ReadSettings();

    // A composition: every note value the arrays hold, the octaves and tempos a file can bring,
    // and now and then full tracks.
    for (int t = 0; t < 4; ++t) {
      g.NoteCount[t] = static_cast<int16_t>(round % 97 == 13 ? stavelark::kMaxNotes : below(40));
      for (int p = 0; p < g.NoteCount[t]; ++p) {
        g.NotePitch[t][p] = static_cast<int16_t>(std::uniform_int_distribution<int>(-32768, 32767)(rng));
        g.NoteVol[t][p] = static_cast<uint8_t>(below(256));
        g.NoteDuration[t][p] = static_cast<uint8_t>(below(256));
      }
      if (below(2) == 0) g.TrackInstrument[t] = static_cast<int16_t>(below(128));
      g.TrackOctave[t] = static_cast<int16_t>(below(10));
    }
    g.ComputeScoreLength();
    for (int p = 0; p < g.ScoreLength; ++p) g.Lyrics[p] = join(texts, 0, 6);
    g.Tempo = static_cast<float>(10 + below(990));
    for (forms::Menu* item : {&F().distortion, &F().echo, &F().Chorus, &F().Flanger, &F().Compressor, &F().Gargle,
                              &F().Para, &F().Reverb})
      item->Checked = below(2) == 0;
    if (below(2) == 0) P().ScoreDisplay().BassClef_Click();
    const std::string copyright = join(texts, 0, 6), author = join(texts, 0, 6);
    const std::string name = "r" + std::to_string(round) + ".msf";
    options.CompCopy.Text = copyright;
    options.CompAuthor.Text = author;
    const auto saved = std::make_unique<stavelark::Globals>(g);
    const auto checks = std::pair(Effects(), F().BassClef.Checked());
    SaveTo(PathOf(name));
    // Everything the file gives is changed before it is opened again.
    g.TrackInstrument = {1, 2, 3, 4};
    g.TrackOctave = {5, 5, 5, 5};
    g.Tempo = 77;
    for (int p = 0; p < g.ScoreLength; ++p) g.Lyrics[p] = "~";
    g.CompositionCopyright = g.CompositionAuthor = "~";
    options.CompCopy.Text = options.CompAuthor.Text = "~";
    OpenFrom(PathOf(name));

    ASSERT_EQ(g.NoteCount, saved->NoteCount);
    for (int t = 0; t < 4; ++t)
      for (int p = 0; p < g.NoteCount[t]; ++p)
        ASSERT_EQ(std::tie(g.NotePitch[t][p], g.NoteVol[t][p], g.NoteDuration[t][p]),
                  std::tie(saved->NotePitch[t][p], saved->NoteVol[t][p], saved->NoteDuration[t][p]))
            << t << "/" << p;
    for (int p = 0; p < g.ScoreLength; ++p) ASSERT_EQ(g.Lyrics[p], saved->Lyrics[p]) << p;
    EXPECT_EQ(std::tie(g.TrackInstrument, g.TrackOctave, g.Tempo),
              std::tie(saved->TrackInstrument, saved->TrackOctave, saved->Tempo));
    EXPECT_EQ(std::pair(Effects(), F().BassClef.Checked()), checks) << "the effects and the bass clef";
    EXPECT_EQ(std::tuple(g.CompositionCopyright, g.CompositionAuthor, g.CompositionName, options.CompName.Text()),
              std::tuple(copyright, author, name, name));

    // The settings survive a run: written at its end and read at the next start, the same.
    const float read = g.BackColorValue;
    P().SettingsTopic().WriteSettings();
    g.TrackInstrument = {1, 2, 3, 4};
    P().SettingsTopic().ReadSettings();
    EXPECT_EQ(g.BackColorValue, read) << colour;
    EXPECT_LE(g.BackColorValue, 0xFFFFFF) << colour;
    EXPECT_EQ(g.TrackInstrument, saved->TrackInstrument);
    std::filesystem::remove(Root() / name);
  }
}

TEST_F(ProjectFilesTest, TheLargestCompositionSavesAndOpens) {
  Start();
  for (int t = 0; t < 4; ++t)
    for (int p = 0; p < stavelark::kPositions; ++p) SetNote(t, p, static_cast<int16_t>((p + t) % 25), 100, 3);
  G().NoteCount = {10001, 10001, 10001, 10001};
  for (int p = 0; p < stavelark::kPositions; ++p) G().Lyrics[p] = std::to_string(p);
  SaveTo(PathOf("big.msf"));
  Choose(F().New);
  OpenFrom(PathOf("big.msf"));
  EXPECT_EQ(G().NoteCount[3], 10001);
  EXPECT_EQ(G().NotePitch[3][10000], (10000 + 3) % 25);
  EXPECT_EQ(G().Lyrics[10000], "10000");
  EXPECT_EQ(G().ScrollPos, stavelark::kMaxScrollPos);
}

TEST_F(ProjectFilesTest, OpenStartsFromAnEmptyCompositionAndKeepsWhatTheFileDoesntGive) {
  Start();
  Spit(Root() / "bare.msf", "COMPOSITIONNAMEinner\r\n");
  F().Chorus.Checked = true;
  P().ScoreDisplay().BassClef_Click();
  G().TrackOctave = {2, 3, 4, 5};
  G().Tempo = 90;
  G().NoteCount = {3, 3, 3, 3};
  G().Lyrics[2] = "kept";
  OpenFrom(PathOf("bare.msf"));
  EXPECT_THAT(Effects(), ::testing::Each(false));
  EXPECT_FALSE(F().BassClef.Checked());
  EXPECT_FALSE(F().Image5.Visible());
  EXPECT_EQ(G().NoteCount, (std::array<int16_t, 4>{0, 0, 0, 0}));
  EXPECT_EQ(G().TrackInstrument, (std::array<int16_t, 4>{0, 0, 0, 0}));
  EXPECT_EQ(F().InstLabel[1].ToolTipText(), "0  Acoustic Grand");
  EXPECT_EQ(G().TrackOctave, (std::array<int16_t, 4>{2, 3, 4, 5}));
  EXPECT_EQ(G().Tempo, 90);
  EXPECT_EQ(G().Lyrics[2], "kept");
  EXPECT_EQ(G().CompositionAuthor, "Orlemund");
  EXPECT_EQ(G().ScrollPos, 1);
  EXPECT_EQ(G().CompositionName, "bare.msf");
  EXPECT_EQ(P().OptionForm().CompName.Text(), "inner") << "the box shows the name inside the file";
}

TEST_F(ProjectFilesTest, AFileReadInPartShowsWhatWasReadAndSaysWhere) {
  Start();
  Spit(Root() / "bad.msf", "TRACK 0\r\n 1, 100, 3\r\nTRACK 7\r\nTRACK 1\r\n 2, 100, 3\r\n");
  Sys().AnswerFileDialog(PathOf("bad.msf"));
  Sys().AnswerMsgBox(Ok, "The file bad.msf could not be read completely (line 3).", "Open");
  Choose(F().Open);
  EXPECT_EQ(G().NoteCount[0], 1);
  EXPECT_EQ(G().NoteCount[1], 0);
  EXPECT_EQ(F().Caption(), "Stavelark - bad.msf");
  EXPECT_EQ(G().ScrollPos, 0);
}

TEST_F(ProjectFilesTest, AFileThatCantBeOpenedLeavesTheEmptyComposition) {
  Start();
  G().NoteCount[0] = 4;
  F().echo.Checked = true;
  Sys().AnswerFileDialog(PathOf("gone.msf"));
  Sys().AnswerMsgBox(Ok, "The file gone.msf could not be opened.", "Open");
  Choose(F().Open);
  EXPECT_EQ(G().NoteCount[0], 0);
  EXPECT_TRUE(F().echo.Checked());
  EXPECT_EQ(F().Caption(), "Stavelark - Untitled");
  // A folder is no file either.
  Sys().AnswerFileDialog(Root().string());
  Sys().AnswerMsgBox(Ok, "The file " + Root().filename().string() + " could not be opened.", "Open");
  Choose(F().Open);
}

TEST_F(ProjectFilesTest, CancellingOpenLeavesAnEmptyUntitledCompositionEvenAfterAnEarlierOpen) {
  Start();
  Spit(Root() / "one.msf", "TRACK 0\r\n 1, 100, 3\r\n");
  OpenFrom(PathOf("one.msf"));
  ASSERT_EQ(G().NoteCount[0], 1);
  Sys().CancelFileDialog();
  Choose(F().Open);
  EXPECT_EQ(G().NoteCount[0], 0) << "the dialog's file name from before is not opened again";
  EXPECT_EQ(G().CompositionName, "Untitled");
  EXPECT_EQ(F().Caption(), "Stavelark - Untitled");
  EXPECT_FALSE(F().CommonDialog1.CancelError()) << "the dialog's setting is given back";
}

TEST_F(ProjectFilesTest, TheCommandLineOpensItsFileAtStartUp) {
  Spit(Root() / "cmd song.msf", std::string(kExample));
  Start("\"" + PathOf("cmd song.msf") + "\"");
  EXPECT_EQ(F().Caption(), "Stavelark - cmd song.msf");
  EXPECT_EQ(G().NoteCount[0], 2);
  EXPECT_TRUE(F().echo.Checked());
  EXPECT_FALSE(G().Modified);
  EXPECT_EQ(G().OpenFilePath, "");
  EXPECT_EQ(G().LitKeyColour, 16777215) << "start-up went on after Open";
}

TEST_F(ProjectFilesTest, NewAsksAboutChangesAndKeepsTheNotesBeyondTheCounts) {
  Start();
  SetNote(0, 0, 12, 90, 2);
  G().NoteCount[0] = 1;
  G().Lyrics[0] = "stays";
  G().SetScrollPos(50);
  G().Modified = true;
  Sys().AnswerMsgBox(No, "Do you want to save changes to Untitled ?", "End program");
  Choose(F().New);
  EXPECT_EQ(G().NoteCount[0], 0);
  EXPECT_EQ(G().NotePitch[0][0], 12);
  EXPECT_EQ(G().Lyrics[0], "stays");
  EXPECT_EQ(G().ScrollPos, 0);
  EXPECT_FALSE(G().Modified);
  EXPECT_EQ(F().Caption(), "Stavelark - Untitled");

  // Yes saves first, then goes on.
  G().NoteCount[0] = 1;
  G().Modified = true;
  Sys().AnswerMsgBox(Yes);
  Sys().AnswerFileDialog(PathOf("kept.msf"));
  Choose(F().New);
  EXPECT_NE(Slurp(Root() / "kept.msf").find("\r\n 12, 90, 2\r\n"), std::string::npos);
  EXPECT_EQ(G().CompositionName, "Untitled");
}

TEST_F(ProjectFilesTest, SaveTakesTheNameFromThePathAndWritesAProjectFileWhateverTheFilter) {
  Start();
  // On this platform a backslash is part of a file's name, not a folder separator.
  for (const auto& [name, filterIndex] : {std::pair<std::string, int>{"song.mid", 3}, {"AC\\DC.msf", 0}}) {
    SCOPED_TRACE(name);
    SaveTo(PathOf(name), filterIndex);
    EXPECT_TRUE(Slurp(Root() / name).starts_with("COMPOSITIONNAME" + name + "\r\n"));
    EXPECT_EQ(G().CompositionName, name);
    EXPECT_EQ(F().Caption(), "Stavelark - " + name);
    Choose(F().New);
    OpenFrom(PathOf(name));
    EXPECT_EQ(F().Caption(), "Stavelark - " + name);
  }
}

TEST_F(ProjectFilesTest, ASaveThatFailsSaysSoAndChangesNothing) {
  Start();
  G().Modified = true;
  const std::string path = PathOf("no such folder/x.msf");
  Sys().AnswerFileDialog(path);
  Sys().AnswerMsgBox(Ok, "Could not save " + path + ". No such file or directory.");
  Choose(F().Save);
  EXPECT_EQ(G().CompositionName, "Untitled");
  EXPECT_EQ(F().Caption(), "Stavelark - Untitled");
  EXPECT_TRUE(G().Modified);
}

TEST_F(ProjectFilesTest, SaveAsMidiFileWritesAllTracksUpToTheScoreLength) {
  Start();
  G().Modified = true;
  Sys().AnswerFileDialog(PathOf("empty.mid"));
  Choose(F().SaveMidi);
  const auto& o = P().OptionForm();
  const auto expected = stavelark::BuildCompositionFile(
      G(), 0, 3, 0, 0, stavelark::CompositionCreditText(o.CompCopy.Text(), o.CompAuthor.Text(), o.CompName.Text()));
  EXPECT_EQ(Slurp(Root() / "empty.mid"), std::string(expected.begin(), expected.end()));
  EXPECT_EQ(Sys().Dialogs().back().file.filter, "All Files (*.*)|*.*|MIDI Files (*.Mid)|*.mid *.MID");
  EXPECT_TRUE(G().Modified);
  EXPECT_EQ(F().Caption(), "Stavelark - Untitled");

  G().CurrentFilePath = "before";
  Sys().CancelFileDialog();
  Choose(F().SaveMidi);
  EXPECT_EQ(G().CurrentFilePath, "before");
}

TEST_F(ProjectFilesTest, FileCommandsWaitForAPlayCommandsFile) {
  Start();
  G().Modified = true;
  G().NoteCount[0] = 3;
  G().PlayFileBusy = true;
  const size_t dialogs = Sys().Dialogs().size();
  for (forms::Menu* item : {&F().New, &F().Open, &F().Save, &F().SaveMidi}) Choose(*item);
  EXPECT_EQ(Sys().Dialogs().size(), dialogs);
  EXPECT_EQ(G().NoteCount[0], 3);
  EXPECT_TRUE(G().Modified);
}

TEST_F(ProjectFilesTest, ExitOffersToSaveAModifiedComposition) {
  Start();
  G().NoteCount[2] = 1;
  G().Modified = true;
  Sys().AnswerMsgBox(Yes, "Do you want to save changes to Untitled ?", "End program");
  Sys().AnswerFileDialog(PathOf("last.msf"));
  Act([&] { Sys().ChooseMenu(F().Exit); });
  EXPECT_TRUE(Sys().Ending());
  EXPECT_NE(Slurp(Root() / "last.msf").find("TRACK 2\r\nINST 18\r\nOCTAVE 4\r\n"), std::string::npos);
}

TEST_F(ProjectFilesTest, AYesWhoseSaveDidNotCompleteStopsTheCommandThatAsked) {
  Start();
  const std::string unwritable = PathOf("no such folder/mine.msf");
  const std::pair<std::string, std::function<void()>> commands[] = {
      {"New", [&] { Choose(F().New); }}, {"Open", [&] { Choose(F().Open); }},
      {"Exit", [&] { Act([&] { Sys().ChooseMenu(F().Exit); }); }},
      {"toolbar Exit", [&] { Sys().Click(F().Toolbar[21]); }}, {"close button", [&] { Sys().CloseBox(F()); }}};
  for (const auto& [name, command] : commands)
    for (const bool cancelled : {true, false}) {
      SCOPED_TRACE(name + (cancelled ? ", dialog cancelled" : ", save failed"));
      G().NoteCount[1] = 3;
      G().CompositionName = "mine.msf";
      G().Modified = true;
      Sys().AnswerMsgBox(Yes, "Do you want to save changes to mine.msf ?", "End program");
      if (cancelled) {
        Sys().CancelFileDialog();
      } else {
        Sys().AnswerFileDialog(unwritable);
        Sys().AnswerMsgBox(Ok, "Could not save " + unwritable + ". No such file or directory.");
      }
      command();
      EXPECT_FALSE(Sys().Ending());
      EXPECT_TRUE(F().Visible());
      EXPECT_EQ(G().NoteCount[1], 3);
      EXPECT_EQ(G().CompositionName, "mine.msf");
      EXPECT_TRUE(G().Modified);
      EXPECT_TRUE(P().SoundEngine().Started()) << "the program goes on as it was";
    }
}

TEST_F(ProjectFilesTest, BothSaveCommandsAskBeforeReplacingAFile) {
  Start();
  const std::string tune = PathOf("tune.mid"), prompt = "tune.mid already exists.\nDo you want to replace it?";
  const std::pair<forms::Menu*, std::string> commands[] = {{&F().Save, "COMPOSITIONNAMEtune.mid\r\n"},
                                                           {&F().SaveMidi, "MThd"}};
  for (const auto& [item, written] : commands) {
    SCOPED_TRACE(written);
    Spit(tune, "old tune");
    // No goes back to the dialog, where Cancel leaves the file as it was; Yes replaces it.
    Sys().AnswerFileDialog(tune);
    Sys().AnswerMsgBox(No, prompt, "Save As");
    Sys().CancelFileDialog();
    Choose(*item);
    EXPECT_EQ(Slurp(tune), "old tune");
    EXPECT_TRUE(Sys().Dialogs().back().buttons & forms::cdl::OFNOverwritePrompt);
    EXPECT_EQ(F().CommonDialog1.Flags(), 0) << "the dialog's flags are given back";
    Sys().AnswerFileDialog(tune);
    Sys().AnswerMsgBox(Yes, prompt, "Save As");
    Choose(*item);
    EXPECT_TRUE(Slurp(tune).starts_with(written));
  }
}

TEST_F(ProjectFilesTest, ALyricBeingTypedCountsForSaveAndForThePrompt) {
  Start();
  G().NoteCount[0] = 2;
  ASSERT_TRUE(Sys().Type(F().Lyric[1], "sung"));  // the box keeps the focus
  SaveTo(PathOf("typed.msf"));
  EXPECT_TRUE(Slurp(Root() / "typed.msf").ends_with("LYRICS\r\n 2\r\n\r\nsung\r\n"));
  EXPECT_FALSE(G().Modified);
  ASSERT_TRUE(Sys().Type(F().Lyric[0], "la"));
  Sys().AnswerMsgBox(No, "Do you want to save changes to typed.msf ?", "End program");
  Act([&] { Sys().ChooseMenu(F().Exit); });
  EXPECT_TRUE(Sys().Ending());
  EXPECT_EQ(G().Lyrics[0], "la");
}

TEST_F(ProjectFilesTest, EveryChangeToWhatTheFileKeepsMarksTheComposition) {
  Start();
  const std::pair<std::string, std::function<void()>> changes[] = {
      {"octave dialog", [&] {
         Sys().Click(F().OctLabel[2]);
         Sys().Click(P().SetOctave().OptionOctave[5]);
         Sys().Click(P().SetOctave().cmdOK);
       }},
      {"instrument from the list", [&] { Sys().Select(F().List4, 40); Sys().Click(F().InstLabel[0]); }},
      {"tempo slider", [&] { Sys().UserSetValue(F().DivControl, 90); }},
      {"bass clef", [&] { Choose(F().BassClef); }}, {"effect", [&] { Choose(F().Reverb); }},
      // At once, while the dialog is still open: a command may end the program from there.
      {"Set Track", [&] {
         P().TrackInst().Show();
         Sys().Click(P().TrackInst().Option1[56]);
         Sys().Click(P().TrackInst().SetTrakInst[1]);
       }},
      {"author", [&] { Sys().Type(P().OptionForm().CompAuthor, " and me"); }},
      {"copyright", [&] { Sys().Type(P().OptionForm().CompCopy, "\b\b11"); }},
      {"name", [&] { Sys().Type(P().OptionForm().CompName, "s"); }}};
  // The dialogs are modeless: each change is made while its dialog is open.
  Sys().Post([&] {
    ASSERT_TRUE(P().OptionForm().Visible());
    ASSERT_TRUE(Sys().SelectTab(P().OptionForm().OptTab, 1));
    for (const auto& [what, change] : changes) {
      G().Modified = false;
      change();
      EXPECT_TRUE(G().Modified) << what;
    }
    Sys().Click(P().TrackInst().OK);
    Sys().Click(P().OptionForm().OK);
  });
  Choose(F().OptionMenu);
  EXPECT_EQ(P().OptionForm().CompAuthor.Text(), "Orlemund and me");

  // What Open and New write into the boxes is the composition's own: no change.
  std::ofstream(Root() / "texts.msf") << "COMPOSITIONNAMEinner\r\nCOMPOSITIONCOPYRIGHT(c)1999\r\nCOMPOSITIONAUTHORAnn\r\n";
  Sys().AnswerMsgBox(No, "Do you want to save changes to Untitled ?", "End program");
  OpenFrom(PathOf("texts.msf"));
  EXPECT_EQ(P().OptionForm().CompAuthor.Text(), "Ann");
  EXPECT_FALSE(G().Modified);
  Choose(F().New);
  EXPECT_FALSE(G().Modified);
}

TEST_F(ProjectFilesTest, ASaveSaysOnceWhichTextLostCharacters) {
  Start();
  G().NoteCount[0] = 3;
  G().Lyrics[0] = "Zo\xC3\xAB \xE2\x82\xAC?";  // all in the code page
  G().Lyrics[1] = "\xD0\xBF\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F";  // Cyrillic
  G().Lyrics[2] = "\xE6\x97\xA5";
  const std::string lost = "Some characters can't be stored in a project file and were saved as \"?\", first in the ";
  Sys().AnswerFileDialog(PathOf("lost.msf"));
  Sys().AnswerMsgBox(Ok, lost + "lyric \"\xD0\xBF\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F\".");
  Choose(F().Save);
  EXPECT_TRUE(Slurp(Root() / "lost.msf").ends_with("\r\nZo\xEB \x80?\r\n?????\r\n?\r\n"));
  // The author comes before the lyrics in the file.
  P().OptionForm().CompAuthor.Text = "\xCE\x91\xCE\xB8";
  Sys().AnswerFileDialog(PathOf("lost2.msf"));
  Sys().AnswerMsgBox(Ok, lost + "author \"\xCE\x91\xCE\xB8\".");
  Choose(F().Save);
  // Nothing lost, nothing said.
  P().OptionForm().CompAuthor.Text = "Ann";
  G().NoteCount[0] = 1;
  SaveTo(PathOf("kept.msf"));
}

TEST_F(ProjectFilesTest, AFileOver64MiBIsRefusedLikeOneThatCantBeOpened) {
  Start();
  constexpr uintmax_t kLimit = uintmax_t{64} << 20;
  for (const uintmax_t size : {kLimit, kLimit + 1}) {
    Spit(Root() / "big.msf", "TRACK 0\r\n 1, 100, 3\r\n");
    std::filesystem::resize_file(Root() / "big.msf", size);
    Sys().AnswerFileDialog(PathOf("big.msf"));
    if (size > kLimit) Sys().AnswerMsgBox(Ok, "The file big.msf could not be opened.", "Open");
    Choose(F().Open);
    EXPECT_EQ(G().NoteCount[0], size > kLimit ? 0 : 1) << size;
  }
}

}  // namespace
}  // namespace stavelark_test

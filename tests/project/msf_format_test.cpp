#include "project/msf_format.h"

#include <gmock/gmock.h>

#include <memory>
#include <string>
#include <vector>

namespace stavelark_test {
namespace {

using stavelark::ProjectRead;
using stavelark::ReadProjectFile;
using ::testing::ElementsAre;

constexpr int kEcho = 1;
constexpr int kReverb = 7;

std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) out += l + "\r\n";
  return out;
}

std::vector<int> Pitches(const stavelark::ProjectTrackRead& track) {
  std::vector<int> out;
  for (const auto& n : track.notes) out.push_back(n.pitch);
  return out;
}

TEST(ProjectReaderTest, KeywordsIgnoreCaseButMustBeTheWholeLine) {
  const ProjectRead r = ReadProjectFile(Lines({"echo", "Reverb ", "CHORUS", "FLANGER x", "bassclef", "BassClef"}));
  EXPECT_THAT(r.effects, ElementsAre(false, true, true, false, false, false, false, false));
  EXPECT_FALSE(r.bassClef) << "two BASSCLEF lines switch it back off";
  EXPECT_EQ(ReadProjectFile(Lines({"BASSCLEF"})).bassClef, true);
  EXPECT_EQ(r.stoppedAtLine, 0);
}

TEST(ProjectReaderTest, LyricLinesAreTakenAsTheyStand) {
  const ProjectRead r = ReadProjectFile(
      Lines({"TRACK 0", " 1, 100, 3", "LYRICS", " 3", "TRACK 2", "a, b", "echo", "TRACK 1", " 5, 90, 2"}));
  EXPECT_THAT(r.lyrics, ElementsAre("TRACK 2", "a, b", "echo"));
  EXPECT_FALSE(r.effects[kEcho]);
  EXPECT_EQ(r.tracks[0].noteCount, 1);
  EXPECT_EQ(r.tracks[1].noteCount, 1) << "the rules apply again after the block";
  EXPECT_EQ(r.tracks[2].noteCount, 0);
  EXPECT_EQ(r.curTrack, 1);
}

TEST(ProjectReaderTest, LinesEndAtCrAndALoneLfStaysInItsLine) {
  const ProjectRead r = ReadProjectFile(std::string("COMPOSITIONNAMEx\rCOMPOSITIONAUTHORy\nz\r\nCOMPOSITIONCOPYRIGHTc"));
  EXPECT_EQ(r.name, "x");
  EXPECT_EQ(r.author, "y\nz");
  EXPECT_EQ(r.copyright, "c") << "the last line needs no end";
  const ProjectRead empty = ReadProjectFile(std::string());
  EXPECT_FALSE(empty.name);
  EXPECT_EQ(empty.curTrack, 9);
}

TEST(ProjectReaderTest, NotesBeforeTheFirstTrackAreSkippedAndARepeatedTrackStartsAgain) {
  const ProjectRead r = ReadProjectFile(Lines({" 9, 9, 9", "TRACK 0", " 1, 100, 3", " 2, 100, 3", " 3, 100, 3", "TRACK 1",
                                               "-3, 0, 255", "TRACK 0", " 7, 50, 1"}));
  EXPECT_EQ(r.tracks[0].noteCount, 1);
  EXPECT_THAT(Pitches(r.tracks[0]), ElementsAre(7, 2, 3)) << "the old block's tail stays beyond the count";
  ASSERT_EQ(r.tracks[1].notes.size(), 1u);
  EXPECT_EQ(r.tracks[1].notes[0].pitch, -3);
  EXPECT_EQ(r.tracks[1].notes[0].volume, 0);
  EXPECT_EQ(r.tracks[1].notes[0].duration, 255);
}

TEST(ProjectReaderTest, NumbersComeFromTheEndsOfTheirLines) {
  // Every tempo three characters can give back comes back, beyond the slider's 16..127 too.
  EXPECT_EQ(ReadProjectFile(Lines({"DIVISION 100"})).tempo, 100.0f);
  EXPECT_EQ(ReadProjectFile(Lines({"DIVISION 200"})).tempo, 200.0f);
  EXPECT_EQ(ReadProjectFile(Lines({"DIVISION 10"})).tempo, 10.0f);
  EXPECT_EQ(ReadProjectFile(Lines({"DIVISION 1999"})).tempo, 999.0f);
  EXPECT_FALSE(ReadProjectFile(Lines({"DIVISION 5"})).tempo) << "\"N 5\" reads as 0: the tempo stays";
  EXPECT_FALSE(ReadProjectFile(Lines({"DIVISION  -5"})).tempo) << "no saved file could give it back";
  EXPECT_FALSE(ReadProjectFile(Lines({"DIVISION"})).tempo);

  const ProjectRead r = ReadProjectFile(Lines({"TRACK 3", "INST 127", "OCTAVE 6", "TRACK 2", "INST", "OCTAVE 9",
                                               "TRACK 1", "OCTAVE 0", "TRACKER"}));
  EXPECT_EQ(r.tracks[3].instrument, 127);
  EXPECT_EQ(r.tracks[3].octave, 6);
  EXPECT_EQ(r.tracks[2].instrument, 0) << "no number reads as 0";
  EXPECT_EQ(r.tracks[2].octave, 9) << "an octave outside 1..6 is kept as it is";
  EXPECT_EQ(r.tracks[1].octave, 0);
  EXPECT_FALSE(r.tracks[0].instrument);
  EXPECT_EQ(r.curTrack, 0) << "\"ER\" reads as track 0";
  EXPECT_EQ(r.stoppedAtLine, 0);
}

TEST(ProjectReaderTest, ALaterLyricBlockWritesOverTheStartOfAnEarlierOne) {
  const ProjectRead r = ReadProjectFile(Lines({"LYRICS", " 3", "a", "b", "c", "LYRICS", " 1", "x", "LYRICS", "-2"}));
  EXPECT_THAT(r.lyrics, ElementsAre("x", "b", "c"));
  EXPECT_EQ(r.stoppedAtLine, 0);
}

TEST(ProjectReaderTest, TextsAreReadInWindows1252) {
  const ProjectRead r = ReadProjectFile(std::string("COMPOSITIONAUTHORZo\xEB \x80\x81\x9F\r\nLYRICS\r\n 1\r\n\xE9t\xE9\r\n"));
  EXPECT_EQ(r.author, "Zo\xC3\xAB \xE2\x82\xAC?\xC5\xB8");
  EXPECT_THAT(r.lyrics, ElementsAre("\xC3\xA9t\xC3\xA9"));
}

// Each bad line sits between an ECHO line (taken) and a REVERB line (never reached).
TEST(ProjectReaderTest, ALineThatCantBeTakenStopsTheReadingThere) {
  struct Case {
    std::vector<std::string> body;
    int line;
  };
  const std::vector<Case> cases = {
      {{"TRACK 4"}, 2},
      {{"TRACK-1"}, 2},
      {{"INST 5"}, 2},
      {{"OCTAVE 4"}, 2},
      {{"TRACK 0", "INST 128"}, 3},
      {{"TRACK 0", "INST -1"}, 3},
      {{"TRACK 0", "INST 40000"}, 3},
      {{"TRACK 0", " 1, 100"}, 3},
      {{"TRACK 0", " 32768, 100, 3"}, 3},
      {{"TRACK 0", "-32769, 100, 3"}, 3},
      {{"TRACK 0", " 1, 256, 3"}, 3},
      {{"TRACK 0", " 1,-1, 3"}, 3},
      {{"TRACK 0", " 1, 100, 256"}, 3},
      {{"LYRICS", " 10002", "a"}, 3},
  };
  for (const Case& c : cases) {
    std::vector<std::string> lines = {"ECHO"};
    lines.insert(lines.end(), c.body.begin(), c.body.end());
    lines.push_back("REVERB");
    const ProjectRead r = ReadProjectFile(Lines(lines));
    EXPECT_EQ(r.stoppedAtLine, c.line) << c.body.back();
    EXPECT_TRUE(r.effects[kEcho]) << c.body.back();
    EXPECT_FALSE(r.effects[kReverb]) << c.body.back();
    EXPECT_TRUE(r.lyrics.empty()) << c.body.back();
  }
}

TEST(ProjectReaderTest, AShortLyricBlockKeepsTheLinesThereAre) {
  const ProjectRead r = ReadProjectFile(Lines({"LYRICS", " 5", "a", "b"}));
  EXPECT_EQ(r.stoppedAtLine, 2) << "the count line";
  EXPECT_THAT(r.lyrics, ElementsAre("a", "b")) << "the positions it doesn't reach keep their lyrics";
  const ProjectRead again = ReadProjectFile(Lines({"LYRICS", " 3", "a", "b", "c", "LYRICS", " 3", "x"}));
  EXPECT_THAT(again.lyrics, ElementsAre("x", "b", "c"));
  EXPECT_EQ(ReadProjectFile(Lines({"ECHO", "LYRICS"})).stoppedAtLine, 2) << "no count line";
}

TEST(ProjectReaderTest, ATrackTakesAtMost10001Notes) {
  std::string file = "TRACK 2\r\n";
  for (int i = 0; i < 10002; ++i) file += " " + std::to_string(i % 25) + ", 100, 3\r\n";
  const ProjectRead r = ReadProjectFile(file);
  EXPECT_EQ(r.stoppedAtLine, 10003);
  EXPECT_EQ(r.tracks[2].noteCount, 10001);
  EXPECT_EQ(r.tracks[2].notes.back().pitch, 10000 % 25);
}

TEST(ProjectWriterTest, TextsAreWrittenInWindows1252OnOneLine) {
  auto g = std::make_unique<stavelark::Globals>();
  g->NoteCount = {1, 0, 0, 0};
  g->NotePitch[0][0] = -3;
  g->NoteVol[0][0] = 255;
  g->Lyrics[0] = "a\r\nb\xE2\x82\xAC\xE4\xB8\xAD";
  stavelark::ProjectHeader h;
  h.name = "x.msf";
  h.author = "Zo\xC3\xAB\nB";
  const std::string file = stavelark::BuildProjectFile(*g, h);
  // A CR would end the line; a lone LF stays in it, as the reader keeps it.
  EXPECT_NE(file.find("\r\nCOMPOSITIONAUTHORZo\xEB\nB\r\n"), std::string::npos);
  EXPECT_NE(file.find("\r\nOCTAVE 4\r\n-3, 255, 0\r\nTRACK 1\r\n"), std::string::npos);
  EXPECT_TRUE(file.ends_with("\r\nLYRICS\r\n 1\r\na \nb\x80?\r\n")) << file;
}

TEST(ProjectWriterTest, AnEmptyCompositionEndsWithACountOfZero) {
  auto g = std::make_unique<stavelark::Globals>();
  g->Lyrics[0] = "never written";
  const std::string file = stavelark::BuildProjectFile(*g, {});
  EXPECT_TRUE(file.ends_with("\r\nTRACK 3\r\nINST 0\r\nOCTAVE 4\r\nLYRICS\r\n 0\r\n")) << file;
}

TEST(ProjectFileNameTest, TheNameIsWhatFollowsTheLastFolder) {
  // Only the platform's separator separates folders; a backslash belongs to the name.
  EXPECT_EQ(stavelark::FileNameWithoutFolders("C:\\music\\song.msf"), "C:\\music\\song.msf");
  EXPECT_EQ(stavelark::FileNameWithoutFolders("/home/me/AC\\DC.msf"), "AC\\DC.msf");
  EXPECT_EQ(stavelark::FileNameWithoutFolders("/home/me.d/song"), "song");
  EXPECT_EQ(stavelark::FileNameWithoutFolders("song.msf"), "song.msf");
}

}  // namespace
}  // namespace stavelark_test

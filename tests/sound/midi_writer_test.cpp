#include "sound/midi_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "platform/basic/basic.h"
#include "support/smf_reader.h"

namespace stavelark {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using ::testing::ElementsAreArray;

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
Bytes Txt(std::string_view s) { return Bytes(s.begin(), s.end()); }

// The chunk at `index` (0 = header) of a file, header and length included.
Bytes Chunk(const Bytes& file, int index) {
  size_t pos = 0;
  for (;;) {
    const size_t length = (size_t{file[pos + 4]} << 24) | (size_t{file[pos + 5]} << 16) |
                          (size_t{file[pos + 6]} << 8) | file[pos + 7];
    if (index-- == 0) return Bytes(file.begin() + pos, file.begin() + pos + 8 + length);
    pos += 8 + length;
  }
}

std::unique_ptr<Globals> Model() { return std::make_unique<Globals>(); }

void SetNote(Globals& g, int t, int p, int16_t pitch, uint8_t duration, uint8_t volume) {
  g.NotePitch[t][p] = pitch;
  g.NoteDuration[t][p] = duration;
  g.NoteVol[t][p] = volume;
}

const Bytes kEmptyTrackBytes = {0x4D, 0x54, 0x72, 0x6B, 0, 0, 0, 5, 0x81, 0x04, 0xFF, 0x2F, 0};
const std::string kDefaultCredit = "(c)2010 Orlemund. Title-Untitled. Contact-stavelark@example.org";

// ---- the single-note file ----

TEST(NoteFileTest, GuitarNoteIsWrittenByteForByte) {
  auto g = Model();
  g->TrackOctave = {1, 1, 4, 1};  // the active track's octave counts
  g->ActiveTrack = 2;
  g->NoteVolumeValue = 100;
  const Bytes expected = Cat({
      {0x4D, 0x54, 0x68, 0x64, 0, 0, 0, 6, 0, 1, 0, 2, 0, 0xF0},
      {0x4D, 0x54, 0x72, 0x6B, 0, 0, 0, 0x21},
      {0, 0xFF, 0x7F, 7, 5, 0x0F, 0x12, 3, 3, 0, 0x7F},
      {0, 0xFF, 0x03, 7}, Txt("Track 0"),
      {0, 0xFF, 0x51, 3, 0x0B, 0x71, 0xB0},
      {1, 0xFF, 0x2F, 0},
      {0x4D, 0x54, 0x72, 0x6B, 0, 0, 0, 0x53},
      {0, 0xC0, 0x19},
      {0, 0xFF, 0x7F, 5, 5, 0x0F, 9, 0, 8},
      {0, 0xFF, 0x03, 7}, Txt("Track 1"),
      {0, 0xFF, 0x20, 1, 0},
      {0, 0xFF, 0x02, 38}, Txt(kNoteCreditText),
      {0, 0x90, 0x3E, 0x64, 0x81, 0x27, 0x80, 0x3E, 0, 1, 0xFF, 0x2F, 0},
  });
  EXPECT_THAT(BuildNoteFile(*g, 25, 3, 2, kNoteCreditText), ElementsAreArray(expected));
}

TEST(NoteFileTest, SmallValuesAndEveryDurationReadBack) {
  auto g = Model();
  g->NoteVolumeValue = 5;
  const Bytes small = BuildNoteFile(*g, 9, 3, 0, kNoteCreditText);
  const Bytes tail(small.end() - 13, small.end());
  EXPECT_THAT(tail, ElementsAreArray(Bytes{0, 0x90, 0x3E, 5, 0x81, 0x01, 0x80, 0x3E, 0, 1, 0xFF,
                                           0x2F, 0}));
  EXPECT_EQ(Chunk(small, 2)[10], 0x09) << "instrument 9";

  for (int lng = 0; lng <= 7; ++lng) {
    const smf::File f = smf::Read(BuildNoteFile(*g, 9, 3, lng, kNoteCreditText));
    ASSERT_EQ(f.division, 240);
    ASSERT_EQ(f.tracks.size(), 2u);
    EXPECT_TRUE(f.tracks[0].events[2].IsMeta(0x51));
    EXPECT_EQ(f.tracks[0].events.back().tick, 1u);
    const auto& ev = f.tracks[1].events;
    ASSERT_EQ(ev.size(), 8u);
    EXPECT_EQ(ev[4].Text(), kNoteCreditText);
    EXPECT_EQ(ev[5].Kind(), 0x90);
    EXPECT_EQ(ev[6].Kind(), 0x80);
    EXPECT_EQ(ev[6].tick, 129u + 19u * lng) << "Lng " << lng;
    EXPECT_EQ(ev[7].tick, 130u + 19u * lng);
  }
}

TEST(NoteFileTest, ValuesOutsideMidiBecomeValidBytes) {
  auto g = Model();
  g->NoteVolumeValue = 200;
  auto noteOn = [&](int instrument, double notz, int lng) {
    const smf::File f = smf::Read(BuildNoteFile(*g, instrument, notz, lng, kNoteCreditText));
    const auto& ev = f.tracks[1].events;
    return std::tuple(ev[0].data[0], ev[5].data[0], ev[5].data[1], ev[6].tick);
  };
  EXPECT_EQ(noteOn(25, 3, 2), std::tuple(25, 62, 127, 167u));
  EXPECT_EQ(noteOn(128, 3, -4), std::tuple(0, 62, 127, 129u));
  EXPECT_EQ(noteOn(-1, 3, 99), std::tuple(0, 62, 127, 262u));
  EXPECT_EQ(noteOn(25, 25, 2), std::tuple(25, 0x27, 1, 167u)) << "no such pitch: rest slot";
  EXPECT_EQ(noteOn(25, -1, 2), std::tuple(25, 0x27, 1, 167u));
  EXPECT_EQ(noteOn(25, std::nan(""), 2), std::tuple(25, 0x27, 1, 167u));
  g->TrackOctave[0] = 9;  // key 143
  EXPECT_EQ(noteOn(25, 24, 2), std::tuple(25, 0x27, 1, 167u));

  g->ActiveTrack = 4;
  try {
    BuildNoteFile(*g, 25, 3, 2, kNoteCreditText);
    FAIL() << "no error";
  } catch (const basic::RuntimeError& e) {
    EXPECT_EQ(e.number, basic::err::SubscriptOutOfRange);
  }
}

// ---- the composition file ----

TEST(CompositionFileTest, EmptyCompositionIsWrittenByteForByte) {
  auto g = Model();
  const Bytes expected = Cat({
      {0x4D, 0x54, 0x68, 0x64, 0, 0, 0, 6, 0, 1, 0, 6, 0, 0x40},
      {0x4D, 0x54, 0x72, 0x6B, 0, 0, 0, 0x13},
      {0, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20, 0, 0xFF, 0x58, 4, 4, 2, 0x18, 8, 0, 0xFF, 0x2F, 0},
      {0x4D, 0x54, 0x72, 0x6B, 0, 0, 0, 63 + 36},
      {0, 0xC0, 0, 0, 0xFF, 0x7F, 5, 5, 0x0F, 9, 0, 8, 0, 0xFF, 0x03, 7}, Txt("Track 1"),
      {0, 0xFF, 0x20, 1, 0, 0, 0xFF, 0x02, 63}, Txt(kDefaultCredit), {1, 0xFF, 0x2F, 0},
      kEmptyTrackBytes, kEmptyTrackBytes, kEmptyTrackBytes, kEmptyTrackBytes,
  });
  const std::string credit = CompositionCreditText("(c)2010", "Orlemund", "Untitled");
  EXPECT_EQ(credit, kDefaultCredit);
  // A whole-score write of nothing (end = count = start) still gives a loadable, silent file.
  EXPECT_THAT(BuildCompositionFile(*g, 0, 3, 0, g->ScoreLength, credit),
              ElementsAreArray(expected));
}

TEST(CompositionFileTest, PositionPatternsOnTheirChannel) {
  auto g = Model();
  g->TrackInstrument[1] = 9;
  g->NoteCount[1] = 3;
  SetNote(*g, 1, 0, kRestPitch, 3, 100);
  SetNote(*g, 1, 1, 1, 5, 100);  // whole note, key 60
  SetNote(*g, 1, 2, 24, 0, 5);   // thirty-second, key 83
  const Bytes file = BuildCompositionFile(*g, 1, 2, 0, 3, kDefaultCredit);
  EXPECT_EQ(file[11], 4) << "tracks 1..2 give four chunks";
  EXPECT_THAT(Chunk(file, 3), ElementsAreArray(Bytes{
                                  0x4D, 0x54, 0x72, 0x6B, 0, 0, 0, 3 * 8 + 7,  //
                                  0x18, 0xC1, 0x09, 0x00,                      //
                                  0x91, 0x27, 0x01, 0x28, 0x81, 0x27, 0, 0x00,  //
                                  0x91, 0x3C, 0x64, 0x28, 0x81, 0x3C, 0, 0x00,  //
                                  0x91, 0x53, 0x05, 0x00, 0x81, 0x53, 0, 0x28,  //
                                  0xFF, 0x2F, 0}));
  EXPECT_THAT(Chunk(file, 4), ElementsAreArray(kEmptyTrackBytes));
  EXPECT_EQ(smf::Read(file).tracks.size(), 4u);
}

TEST(CompositionFileTest, ModelValuesOutsideMidiBecomeValidBytes) {
  auto g = Model();
  g->TrackInstrument[0] = 300;
  g->TrackOctave[0] = 4;
  const struct {
    int16_t pitch;
    uint8_t duration, volume;
    Bytes pattern;
  } cases[] = {
      {1, 3, 200, {0x90, 60, 127, 24, 0x80, 60, 0, 16}},
      {1, 9, 50, {0x90, 60, 50, 40, 0x80, 60, 0, 0}},  // duration above 7: whole
      {1, 6, 50, {0x90, 0x27, 1, 40, 0x80, 0x27, 0, 0}},
      {1, 7, 50, {0x90, 0x27, 1, 40, 0x80, 0x27, 0, 0}},
      {25, 3, 50, {0x90, 0x27, 1, 40, 0x80, 0x27, 0, 0}},
      {-1, 3, 50, {0x90, 0x27, 1, 40, 0x80, 0x27, 0, 0}},
      {kRestPitch, 9, 50, {0x90, 0x27, 1, 40, 0x80, 0x27, 0, 0}},
      {1, 2, 0, {0x90, 60, 0, 16, 0x80, 60, 0, 24}},  // a faded-out note stays a note
  };
  for (const auto& c : cases) {
    g->NoteCount[0] = 1;
    SetNote(*g, 0, 0, c.pitch, c.duration, c.volume);
    const Bytes track = Chunk(BuildCompositionFile(*g, 0, 0, 0, 1, ""), 3);
    EXPECT_EQ(track[10], 0) << "program 300";
    EXPECT_THAT(Bytes(track.begin() + 12, track.end() - 3), ElementsAreArray(c.pattern))
        << "pitch " << c.pitch << " duration " << int{c.duration};
  }
  g->TrackOctave[0] = 10;  // key 155
  SetNote(*g, 0, 0, 24, 3, 50);
  EXPECT_EQ(Chunk(BuildCompositionFile(*g, 0, 0, 0, 1, ""), 3)[13], 0x27);

  for (auto [tempo, division] : {std::pair(10.f, 16), std::pair(200.f, 127),
                                 std::pair(64.5f, 64), std::pair(65.5f, 66),
                                 std::pair(std::nanf(""), 16)}) {
    g->Tempo = tempo;
    EXPECT_EQ(smf::Read(BuildCompositionFile(*g, 0, 3, 0, 1, "")).division, division);
  }
}

// End bound: positions start..end-1, each track cut at its note count.
TEST(CompositionRangeTest, EachTrackWritesExactlyItsNotesInRange) {
  auto g = Model();
  g->NoteCount = {3, 5, 0, 2};
  for (int t = 0; t < kTracks; ++t)
    for (int p = 0; p < 8; ++p) SetNote(*g, t, p, static_cast<int16_t>(p), 5, 100);
  // Notes written per track; an empty track must be the 13-byte chunk, still counted.
  auto positions = [&](double start, double end) {
    const Bytes file = BuildCompositionFile(*g, 0, 3, start, end, "");
    const smf::File f = smf::Read(file);
    std::vector<int> counts;
    for (int t = 0; t < kTracks; ++t) {
      const auto& ev = f.tracks[2 + t].events;
      counts.push_back(static_cast<int>(std::count_if(
          ev.begin(), ev.end(), [](const smf::Event& e) { return e.Kind() == 0x90; })));
      if (counts.back() == 0) {
        EXPECT_THAT(Chunk(file, 3 + t), ElementsAreArray(kEmptyTrackBytes));
      }
    }
    return counts;
  };
  g->ComputeScoreLength();
  // The stale note left at each track's count is not written.
  EXPECT_THAT(positions(0, g->ScoreLength), ElementsAreArray({3, 5, 0, 2}));
  EXPECT_THAT(positions(0, 1), ElementsAreArray({1, 1, 0, 1})) << "position 0 alone";
  EXPECT_THAT(positions(2, 4), ElementsAreArray({1, 2, 0, 0}));
  EXPECT_THAT(positions(3, 3), ElementsAreArray({0, 0, 0, 0}));
  EXPECT_THAT(positions(-5, 1), ElementsAreArray({1, 1, 0, 1}));

  const smf::File sel = smf::Read(BuildCompositionFile(*g, 1, 1, 2, 4, ""));
  ASSERT_EQ(sel.tracks.size(), 3u);
  const auto& ev = sel.tracks[2].events;
  EXPECT_EQ(ev[1].data[0], 4 * 12 + 11 + 2) << "first written position is the start";
  EXPECT_EQ(ev[1].tick, 24u);
  EXPECT_EQ(ev.back().tick, 24u + 2 * 40);

  EXPECT_TRUE(BuildCompositionFile(*g, 0, 3, 4, 3, "").empty());
  EXPECT_TRUE(BuildCompositionFile(*g, 0, 3, std::nan(""), 3, "").empty());
}

TEST(CompositionRangeTest, TrackNumbersOutsideTheCompositionRaise) {
  auto g = Model();
  auto errorOf = [&](int first, int last) {
    try {
      BuildCompositionFile(*g, first, last, 0, 1, "");
    } catch (const basic::RuntimeError& e) {
      return e.number;
    }
    return 0;
  };
  EXPECT_EQ(errorOf(-1, 3), basic::err::SubscriptOutOfRange);
  EXPECT_EQ(errorOf(0, 4), basic::err::SubscriptOutOfRange);
  EXPECT_EQ(errorOf(2, 1), basic::err::InvalidCall);
}

// The largest composition, read back whole: every note at its tick.
TEST(CompositionFileTest, FullCompositionReadsBackWhole) {
  auto g = Model();
  g->TrackOctave = {4, 2, 6, 1};
  g->TrackInstrument = {0, 25, 18, 118};
  for (int t = 0; t < kTracks; ++t) {
    g->NoteCount[t] = kMaxNotes;
    for (int p = 0; p < kMaxNotes; ++p) {
      const int code = (p * 7 + t * 3) % 26;
      SetNote(*g, t, p, code == 25 ? kRestPitch : static_cast<int16_t>(code), (p + t) % 6,
              static_cast<uint8_t>(1 + (p * 13 + t) % 127));
    }
  }
  g->ComputeScoreLength();
  const Bytes file = BuildCompositionFile(*g, 0, 3, 0, g->ScoreLength, kDefaultCredit);
  EXPECT_EQ(file.size(), 14u + 27 + 107 + 4 * (8 + 7 + 8u * kMaxNotes));
  const smf::File f = smf::Read(file);
  ASSERT_EQ(f.tracks.size(), 6u);
  EXPECT_EQ(f.division, 64);
  EXPECT_EQ(f.tracks[1].events[4].Text(), kDefaultCredit);
  for (int t = 0; t < kTracks; ++t) {
    const auto& ev = f.tracks[2 + t].events;
    ASSERT_EQ(ev.size(), 2u + 2 * kMaxNotes);
    EXPECT_EQ(ev[0].status, 0xC0 + t);
    EXPECT_EQ(ev[0].tick, 24u);
    EXPECT_EQ(ev[0].data[0], g->TrackInstrument[t]);
    for (int p = 0; p < kMaxNotes; ++p) {
      const smf::Event& on = ev[1 + 2 * p];
      const smf::Event& off = ev[2 + 2 * p];
      const bool rest = g->NotePitch[t][p] == kRestPitch;
      const int key = rest ? 0x27 : g->TrackOctave[t] * 12 + 11 + g->NotePitch[t][p];
      const uint64_t tick = 24 + 40u * p;
      const int sounding = rest ? 40 : 8 * g->NoteDuration[t][p];
      ASSERT_TRUE(on.status == 0x90 + t && on.tick == tick && on.data[0] == key &&
                  on.data[1] == (rest ? 1 : g->NoteVol[t][p]))
          << "track " << t << " position " << p;
      ASSERT_TRUE(off.status == 0x80 + t && off.tick == tick + sounding && off.data[0] == key)
          << "track " << t << " position " << p;
    }
    EXPECT_EQ(ev.back().tick, 24u + 40u * kMaxNotes);
  }
}

// ---- texts ----

TEST(CreditTextTest, SeparatorsStayAndTextIsWindows1252) {
  EXPECT_EQ(CompositionCreditText("", "", ""), " . Title-. Contact-stavelark@example.org");
  EXPECT_EQ(ToWindows1252("Zo\xC3\xAB \xE2\x82\xAC" "5 \xE2\x80\x94 \xC5\xBD"),
            "Zo\xEB \x80" "5 \x97 \x8E");
  EXPECT_EQ(ToWindows1252("\xE4\xB8\xAD \xF0\x9F\x98\x80 \xC2\x81"), "? ? ?")
      << "characters the code page lacks";
  EXPECT_EQ(ToWindows1252("\xC3"), "?");
  EXPECT_EQ(ToWindows1252("\xE4\xB8" "A"), "?A") << "truncated sequence";
  EXPECT_EQ(ToWindows1252("\xC0\xAF\xED\xA0\x80\xF5"), "??????") << "overlong, surrogate, F5";

  auto g = Model();
  const Bytes file = BuildCompositionFile(*g, 0, 0, 0, 0, "Zo\xC3\xAB");
  EXPECT_EQ(Chunk(file, 2)[7], 3 + 36) << "L counts bytes";
  EXPECT_EQ(Chunk(file, 2)[39], 3);
  EXPECT_EQ(smf::Read(file).tracks[1].events[4].Text(), "Zo\xEB");
}

TEST(CreditTextTest, LongCreditsTakeVariableLengths) {
  auto g = Model();
  for (size_t length : {127u, 128u, 300u, 20000u}) {
    const std::string credit(length, 'x');
    const Bytes comp = BuildCompositionFile(*g, 0, 0, 0, 0, credit);
    const Bytes note = BuildNoteFile(*g, 0, 3, 3, credit);
    const size_t lengthBytes = length < 128 ? 1 : length < 16384 ? 2 : 3;
    EXPECT_EQ(Chunk(comp, 2).size(), 8 + 35 + lengthBytes + length);
    EXPECT_EQ(Chunk(note, 2).size(), 8 + 44 + lengthBytes + length);
    EXPECT_EQ(smf::Read(comp).tracks[1].events[4].Text(), credit);
    EXPECT_EQ(smf::Read(note).tracks[1].events[4].Text(), credit);
  }
  const Bytes note = Chunk(BuildNoteFile(*g, 0, 3, 3, std::string(128, 'x')), 2);
  EXPECT_EQ(note[39], 0x81);
  EXPECT_EQ(note[40], 0x00);
}

TEST(MidiHexTest, TwoUpperCaseDigitsPerByte) {
  EXPECT_EQ(MidiHexOf(Bytes{0x00, 0x0A, 0x4D, 0xFF, 0x90}), "000A4DFF90");
  EXPECT_EQ(MidiHexOf(Bytes{}), "");
}

// ---- writing files ----

class MidiFileWriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("stavelark_midi_" + std::to_string(::getpid()) + "_" +
            std::to_string(std::random_device{}()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Put(const std::string& name, const std::string& text) const {
    std::ofstream(Path(name), std::ios::binary) << text;
  }
  std::string Get(const std::string& name) const {
    const Bytes b = smf::ReadBytes(Path(name));
    return std::string(b.begin(), b.end());
  }
  size_t FileCount() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }
  static int ErrorOf(const std::string& path) {
    try {
      WriteFileAtomically(path, Bytes{1, 2, 3});
    } catch (const basic::RuntimeError& e) {
      return e.number;
    }
    return 0;
  }

  fs::path dir_;
};

TEST_F(MidiFileWriteTest, ReplacesTheTargetWholeAndKeepsItsMode) {
  Put("a.mid", std::string(5000, 'z'));
  ::chmod(Path("a.mid").c_str(), 0640);
  WriteFileAtomically(Path("a.mid"), Txt("MThd"));
  EXPECT_EQ(Get("a.mid"), "MThd");
  struct stat st {};
  ASSERT_EQ(::stat(Path("a.mid").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  WriteFileAtomically(Path("new.mid"), Bytes{});
  EXPECT_EQ(Get("new.mid"), "");
  EXPECT_EQ(FileCount(), 2u) << "no temporary file left";
}

TEST_F(MidiFileWriteTest, FailuresRaiseAndLeaveNothingBehind) {
  Put("plain", "keep");
  fs::create_directory(Path("folder"));
  EXPECT_EQ(ErrorOf(Path("missing/a.mid")), basic::err::PathNotFound);
  EXPECT_EQ(ErrorOf(Path("plain/a.mid")), basic::err::PathNotFound);
  EXPECT_EQ(ErrorOf(Path("folder")), basic::err::PathFileAccess);
  EXPECT_EQ(ErrorOf(Path("folder/")), basic::err::BadFileName);
  EXPECT_EQ(ErrorOf(""), basic::err::BadFileName);
  EXPECT_EQ(ErrorOf(Path(std::string(300, 'n'))), basic::err::BadFileName);
  EXPECT_EQ(Get("plain"), "keep");
  EXPECT_TRUE(fs::is_empty(Path("folder")));
  EXPECT_EQ(FileCount(), 2u);
}

TEST_F(MidiFileWriteTest, NoteFileKeepsItsImageInMidiHex) {
  auto g = Model();
  WriteNoteFileTo(*g, Path("n.mid"), 25, 3, 2);
  const Bytes written = smf::ReadBytes(Path("n.mid"));
  EXPECT_EQ(written, BuildNoteFile(*g, 25, 3, 2, kNoteCreditText));
  EXPECT_EQ(g->MidiHex, MidiHexOf(written));
}

TEST_F(MidiFileWriteTest, CompositionImageIsBuiltBeforeTheWaitAndWrittenAfter) {
  auto g = Model();
  g->NoteCount[0] = 2;
  SetNote(*g, 0, 0, 1, 3, 90);
  SetNote(*g, 0, 1, 2, 3, 90);
  const Bytes expected = BuildCompositionFile(*g, 0, 3, 0, 2, kDefaultCredit);
  Put("c.mid", "old");
  g->CurrentFilePath = Path("c.mid");
  int waits = 0;
  const bool written = WriteCompositionFileTo(
      *g, g->CurrentFilePath, 0, 3, 0, 2, kDefaultCredit, [&] {
        ++waits;
        EXPECT_EQ(g->MidiHex, MidiHexOf(expected));
        EXPECT_EQ(Get("c.mid"), "old") << "nothing written before the wait";
        g->NoteCount[0] = 0;  // commands running during the wait
        g->CurrentFilePath = Path("other.mid");
      });
  EXPECT_TRUE(written);
  EXPECT_EQ(waits, 1);
  EXPECT_EQ(smf::ReadBytes(Path("c.mid")), expected);
  EXPECT_FALSE(fs::exists(Path("other.mid")));
}

TEST_F(MidiFileWriteTest, EndBeforeStartLeavesTheTargetAlone) {
  auto g = Model();
  g->NoteCount[0] = 5;
  g->MidiHex = "previous";
  Put("c.mid", "old");
  int waits = 0;
  EXPECT_FALSE(WriteCompositionFileTo(*g, Path("c.mid"), 0, 3, 3, 2, "", [&] { ++waits; }));
  EXPECT_EQ(waits, 0);
  EXPECT_EQ(Get("c.mid"), "old");
  EXPECT_EQ(g->MidiHex, "previous");
  EXPECT_FALSE(WriteCompositionFileTo(*g, Path("none.mid"), 0, 3, 3, 2, "", {}));
  EXPECT_FALSE(fs::exists(Path("none.mid")));
}

}  // namespace
}  // namespace stavelark

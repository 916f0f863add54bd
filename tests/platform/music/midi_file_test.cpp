#include "platform/music/midi_file.h"

#include <random>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/basic/basic.h"
#include "platform/basic/clock.h"
#include "platform/music/music.h"
#include "test_support.h"

using namespace music;
using namespace music_test;

namespace {

MidiSong Read(const Bytes& b) { return ReadMidiFile(b.data(), b.size()); }

// With 480 ticks per quarter at the default tempo one tick is 1/960 s.
int64_t Frames(double seconds) { return std::llround(seconds * kSampleRate); }

}  // namespace

TEST(MidiFile, FormatZeroReadsRunningStatusSysexAndSkipsMeta) {
  Track t;
  t.At(0, {0xC0, 19})
      .At(0, {0x90, 60, 100})
      .At(0, {64, 90})                                  // running status: another note on
      .At(96, {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7})  // GM system on
      .At(0, {0xFF, 0x01, 0x03, 'a', 'b', 'c'})          // text
      .At(0, {0x80, 60, 0})
      .At(0, {64, 0})                                     // running status after meta and sysex
      .End(96);
  MidiSong song = Read(Smf(0, 480, {t}));
  ASSERT_EQ(song.events.size(), 6u);
  EXPECT_EQ(song.events[0].status, 0xC0);
  EXPECT_EQ(song.events[0].data1, 19);
  EXPECT_EQ(song.events[2].status, 0x90);
  EXPECT_EQ(song.events[2].data1, 64);
  EXPECT_EQ(song.events[2].data2, 90);
  EXPECT_EQ(song.events[3].status, 0xF0);
  EXPECT_EQ(song.events[3].frame, Frames(0.1));
  ASSERT_EQ(song.events[3].sysexSize, 4u);  // without F0 and the closing F7
  EXPECT_EQ(song.sysex[song.events[3].sysexBegin + 3], 0x01);
  EXPECT_EQ(song.events[5].status, 0x80);
  EXPECT_EQ(song.events[5].data1, 64);
  EXPECT_EQ(song.lengthFrames, Frames(0.2));
}

TEST(MidiFile, FormatOneMergesTracksThroughTheTempoMap) {
  Track conductor;
  conductor.Tempo(0, 250000).Tempo(480, 1000000).End(0);
  Track notes;
  notes.At(0, {0x91, 60, 100}).At(480, {0x81, 60, 0}).At(0, {0x91, 62, 100}).At(480, {0x81, 62, 0}).End(480);
  Bytes file = Smf(1, 480, {conductor, notes});
  Bytes alien = {'X', 'Y', 'Z', 'W', 0, 0, 0, 2, 1, 2};  // a chunk of another kind is skipped
  file.insert(file.begin() + 14, alien.begin(), alien.end());
  file.insert(file.end(), {0xDE, 0xAD});  // trailing bytes after the last track are ignored

  MidiSong song = Read(file);
  ASSERT_EQ(song.events.size(), 4u);
  EXPECT_EQ(song.events[0].frame, 0);
  EXPECT_EQ(song.events[1].frame, Frames(0.25));  // first quarter at 250 ms
  EXPECT_EQ(song.events[2].frame, Frames(0.25));
  EXPECT_EQ(song.events[2].data1, 62);            // file order at equal times
  EXPECT_EQ(song.events[3].frame, Frames(1.25));  // second quarter at 1 s
  EXPECT_EQ(song.lengthFrames, Frames(2.25));
}

TEST(MidiFile, EqualTimesKeepTrackOrderAndSmpteDivisionCountsRealTime) {
  Track a, b;
  a.At(10, {0x90, 1, 1}).End();
  b.At(10, {0x91, 2, 2}).At(490, {0x81, 2, 0}).End();
  // 25 frames per second, 40 ticks per frame: a tick is a millisecond.
  MidiSong song = Read(Smf(1, 0xE728, {b, a}));
  ASSERT_EQ(song.events.size(), 3u);
  EXPECT_EQ(song.events[0].status, 0x91);
  EXPECT_EQ(song.events[1].status, 0x90);
  EXPECT_EQ(song.events[0].frame, Frames(0.010));
  EXPECT_EQ(song.events[2].frame, Frames(0.5));
}

TEST(MidiFile, MalformedDataIsRefused) {
  Track good;
  good.At(0, {0x90, 60, 100}).At(10, {0x80, 60, 0}).End();
  const Bytes valid = Smf(0, 480, {good});
  auto withTrack = [](std::initializer_list<uint8_t> raw, int format = 0, int division = 480, int count = 1) {
    Track t;
    Append(t.bytes, raw);
    Bytes b = Smf(format, division, {t});
    b[11] = static_cast<uint8_t>(count);
    return b;
  };
  std::vector<std::pair<const char*, Bytes>> cases = {
      {"empty", {}},
      {"text", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}},
      {"short header", Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 4, 0, 0, 0, 1}},
      {"format 2", withTrack({0, 0xFF, 0x2F, 0}, 2)},
      {"no tracks", withTrack({0, 0xFF, 0x2F, 0}, 0, 480, 0)},
      {"missing track", withTrack({0, 0xFF, 0x2F, 0}, 1, 480, 2)},
      {"division 0", withTrack({0, 0xFF, 0x2F, 0}, 0, 0)},
      {"bad smpte rate", withTrack({0, 0xFF, 0x2F, 0}, 0, 0xF028)},
      {"data without status", withTrack({0, 60, 100, 0, 0xFF, 0x2F, 0})},
      {"status as data", withTrack({0, 0x90, 60, 0x90, 0, 0xFF, 0x2F, 0})},
      {"system message", withTrack({0, 0xF8, 0, 0xFF, 0x2F, 0})},
      {"five-byte delta", withTrack({0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 60, 100})},
      {"event cut at chunk end", withTrack({0, 0x90, 60})},
      {"meta longer than chunk", withTrack({0, 0xFF, 0x01, 0x10, 'a'})},
      {"sysex longer than chunk", withTrack({0, 0xF0, 0x7F, 1, 2})},
  };
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    EXPECT_THROW(Read(bytes), basic::RuntimeError);
  }
  // Every proper prefix of a valid file is cut short somewhere.
  for (size_t n = 0; n < valid.size(); ++n) {
    Bytes prefix(valid.begin(), valid.begin() + n);
    EXPECT_THROW(Read(prefix), basic::RuntimeError) << "prefix of " << n << " bytes";
  }
  EXPECT_NO_THROW(Read(valid));
}

TEST(MidiFile, RandomAndMutatedInputEitherReadsOrRaises) {
  std::mt19937 random(12345);
  for (int i = 0; i < 200; ++i) {
    Bytes noise(random() % 300);
    for (auto& b : noise) b = static_cast<uint8_t>(random());
    EXPECT_THROW(Read(noise), basic::RuntimeError);
  }
  Track t;
  t.Tempo(0, 400000).At(0, {0xC0, 5}).At(0, {0x90, 60, 100}).At(20, {0xF0, 0x02, 0x01, 0xF7}).At(20, {0x80, 60, 0}).End(5);
  const Bytes valid = Smf(1, 96, {t, t});
  for (int i = 0; i < 3000; ++i) {
    Bytes b = valid;
    for (int k = 0; k < 1 + static_cast<int>(random() % 4); ++k) b[random() % b.size()] = static_cast<uint8_t>(random());
    try {
      MidiSong song = Read(b);
      for (const auto& e : song.events) {
        ASSERT_LE(e.frame, song.lengthFrames);
        ASSERT_LE(size_t{e.sysexBegin} + e.sysexSize, song.sysex.size());
      }
    } catch (const basic::RuntimeError&) {
    }
  }
}

TEST(MidiFile, LoaderReportsUnreadableFilesAndMalformedOnes) {
  ScratchDir dir;
  basic::SteadyClock clock;
  auto loader = CreateDirectX8(clock)->DirectMusicLoaderCreate();
  auto number = [&](const std::string& path) {
    try {
      loader->LoadSegment(path);
    } catch (const basic::RuntimeError& e) {
      return e.number;
    }
    return 0;
  };
  EXPECT_EQ(number(dir.Path("missing.mid")), basic::err::FileNotFound);
  EXPECT_EQ(number(dir.Path("")), basic::err::PathFileAccess);  // the folder itself
  EXPECT_EQ(number(dir.Write("empty.mid", {})), basic::err::InvalidCall);
  Bytes note = OneNote(60, 96, 96);
  EXPECT_EQ(number(dir.Write("cut.mid", Bytes(note.begin(), note.end() - 3))), basic::err::InvalidCall);
  EXPECT_EQ(number(dir.Write("text.mid", {'M', 'T', 'h', 'x', '\n'})), basic::err::InvalidCall);
  EXPECT_NE(loader->LoadSegment(dir.Write("note.mid", note)), nullptr);
}

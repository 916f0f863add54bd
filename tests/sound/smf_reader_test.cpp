// The read-back checks are only as good as the reader's refusals: each fault a writer could make
// must be rejected.
#include "support/smf_reader.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes FileWithTrack(Bytes events, uint8_t trackCount = 1) {
  Bytes f = {0x4D, 0x54, 0x68, 0x64, 0, 0, 0, 6, 0, 1, 0, trackCount, 0, 0x40,
             0x4D, 0x54, 0x72, 0x6B, 0, 0, 0, static_cast<uint8_t>(events.size())};
  f.insert(f.end(), events.begin(), events.end());
  return f;
}

TEST(SmfReaderTest, DecodesAbsoluteTicksAndRunningStatus) {
  const smf::File f = smf::Read(FileWithTrack(
      {0x18, 0xC1, 0x05, 0x00, 0x91, 60, 100, 0x81, 0x00, 60, 0, 0x28, 0x81, 60, 0, 0x00, 0xFF, 0x2F, 0}));
  ASSERT_EQ(f.tracks.size(), 1u);
  const auto& ev = f.tracks[0].events;
  ASSERT_EQ(ev.size(), 5u);
  EXPECT_EQ(ev[1].tick, 24u);
  EXPECT_EQ(ev[2].tick, 24u + 128);
  EXPECT_EQ(ev[2].status, 0x91) << "running status";
  EXPECT_EQ(ev[3].Kind(), 0x80);
  EXPECT_EQ(ev[4].tick, 24u + 128 + 40);
}

TEST(SmfReaderTest, RejectsMalformedFiles) {
  const Bytes good = FileWithTrack({0x00, 0x90, 60, 100, 0x10, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0});
  EXPECT_NO_THROW(smf::Read(good));

  Bytes longer = good;
  longer[21] += 1;  // chunk length past the file
  Bytes shorter = good;
  shorter[21] -= 1;  // end of track cut off
  Bytes velocity = good;
  velocity[25] = 0x80;
  Bytes counted = good;
  counted[11] = 2;
  Bytes trailing = good;
  trailing.push_back(0);
  for (const Bytes& bad : {longer, shorter, velocity, counted, trailing,
                           FileWithTrack({0x00, 0x90, 60, 100}),
                           FileWithTrack({0x00, 0xFF, 0x2F, 0, 0x00, 0xFF, 0x2F, 0}),
                           FileWithTrack({0x00, 0xFF, 0x02, 0x05, 'a', 0x00, 0xFF, 0x2F, 0})})
    EXPECT_THROW(smf::Read(bad), smf::FormatError);
}

}  // namespace

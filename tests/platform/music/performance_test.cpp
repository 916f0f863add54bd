// The real platform, rendering offline unless a test is about the real-time output.
#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/basic/basic.h"
#include "platform/basic/clock.h"
#include "platform/music/dsp.h"
#include "platform/music/music.h"
#include "platform/store/test_folders.h"
#include "test_support.h"

using namespace music;
using namespace music_test;
using testing::ElementsAre;

namespace {

constexpr uint8_t kOrgan = 16;  // sustains while held, short release

class Synth : public testing::Test {
 protected:
  // A fresh performance; path type 8 leaves the synthesizer's reverb out so releases end.
  std::shared_ptr<DirectMusicPerformance8> Start(int32_t pathType = DMUS_APATH_DYNAMIC_STEREO,
                                                 OutputMode output = OutputMode::Offline,
                                                 const std::vector<std::string>& soundFonts = {kTestSoundFont}) {
    dx_ = CreateDirectX8(clock_, {output, soundFonts});
    auto perf = dx_->DirectMusicPerformanceCreate();
    DMUS_AUDIOPARAMS params;
    perf->InitAudio(0, DMUS_AUDIOF_ALL, params, nullptr, pathType, 128);
    EXPECT_EQ(params.lSampleRate, kSampleRate);
    return perf;
  }

  std::shared_ptr<DirectMusicSegment8> Load(const Bytes& bytes, int32_t repeats = 0) {
    auto segment = dx_->DirectMusicLoaderCreate()->LoadSegment(dir_.Write("s" + std::to_string(++files_) + ".mid", bytes));
    segment->SetStandardMidiFile();
    segment->SetRepeats(repeats);
    return segment;
  }

  static void Play(DirectMusicPerformance8& perf, const std::shared_ptr<DirectMusicSegment8>& segment) {
    perf.PlaySegmentEx(segment, DMUS_SEGF_DEFAULT, 0, nullptr, nullptr);
  }

  static std::vector<float> Render(DirectMusicPerformance8& perf, double seconds) {
    return Left(RenderOffline(perf, static_cast<int>(seconds * kSampleRate)));
  }

  static size_t At(double seconds) { return static_cast<size_t>(seconds * kSampleRate); }

  // Waits until the real-time output rests (no frame rendered for `ms`); what it rendered.
  static int64_t Settle(DirectMusicPerformance8& perf, int ms) {
    for (int64_t before = -1, i = 0; i < 100 && RenderedFrames(perf) != before; ++i) {
      before = RenderedFrames(perf);
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    return RenderedFrames(perf);
  }

  // The buffer of the default path, which holds the effect chain.
  static std::shared_ptr<DirectSoundSecondaryBuffer8> Buffer(DirectMusicPerformance8& perf) {
    return perf.GetDefaultAudioPath()->GetObjectInPath(DMUS_PCHANNEL_ALL, DMUS_PATH_BUFFER, 0, "GUID_ALL_OBJECTS", 0,
                                                       "IID_IDirectSoundBuffer8");
  }

  // The chain the program sets before a play: emptied, then the echo with `echo` as its
  // parameters, or nothing. The echo object in the chain.
  static std::shared_ptr<SoundEffect> SetChain(DirectMusicPerformance8& perf, bool withEcho,
                                               const DSFXECHO& echo = {50, 0, 1000, 1000, 0}) {
    auto buffer = Buffer(perf);
    std::vector<int32_t> results;
    buffer->SetFX(0, {}, results);
    if (!withEcho) {
      buffer->SetFX(0, {}, results);
      return nullptr;
    }
    buffer->SetFX(1, {{0, "GUID_DSFX_STANDARD_ECHO", 0, 0}}, results);
    auto object = buffer->GetObjectInPath("GUID_DSFX_STANDARD_ECHO", 0, "IID_DirectSoundFXEcho");
    std::dynamic_pointer_cast<DirectSoundFXEcho8>(object)->SetAllParameters(echo);
    return object;
  }

  basic::SteadyClock clock_;
  ScratchDir dir_;
  std::shared_ptr<DirectX8> dx_;
  int files_ = 0;
};

// Counts callbacks, doing `then` at each; Fetch fetches what they were for.
class Listener : public DirectXEvent8 {
 public:
  void DXCallback(int32_t) override {
    ++calls;
    if (then) then();
  }
  int calls = 0;
  std::function<void()> then;
};

std::vector<int32_t> Fetch(DirectMusicPerformance8& perf) {
  std::vector<int32_t> options;
  DMUS_NOTIFICATION_PMSG message;
  while (perf.GetNotificationPMSG(message)) {
    EXPECT_EQ(message.guidNotificationType, "GUID_NOTIFICATION_SEGMENT");
    options.push_back(message.lNotificationOption);
  }
  return options;
}

}  // namespace

TEST_F(Synth, NoteSoundsAtItsPitchAndMasterVolumeScalesIt) {
  auto perf = Start(DMUS_APATH_SHARED_STEREOPLUSREVERB);
  Play(*perf, Load(OneNote(60, 480, 480)));
  std::vector<float> full = Render(*perf, 0.5);

  double best = 0, bestHz = 0;
  for (double hz = 200; hz <= 330; hz += 0.5) {
    double m = Magnitude(full, At(0.05), At(0.45), hz);
    if (m > best) best = m, bestHz = hz;
  }
  EXPECT_NEAR(bestHz, 261.6, 1.5);
  EXPECT_GT(best, 10 * Magnitude(full, At(0.05), At(0.45), 233.1));  // a semitone either side
  EXPECT_GT(best, 10 * Magnitude(full, At(0.05), At(0.45), 293.7));

  auto quiet = Start(DMUS_APATH_SHARED_STEREOPLUSREVERB);
  quiet->SetMasterVolume(-3000);
  Play(*quiet, Load(OneNote(60, 480, 480)));
  std::vector<float> attenuated = Render(*quiet, 0.5);
  EXPECT_NEAR(Db(Rms(attenuated, At(0.01), At(0.5)) / Rms(full, At(0.01), At(0.5))), -30, 1);

  quiet->SetMasterVolume(-20000);  // clamped to -100 dB
  Play(*quiet, Load(OneNote(60, 480, 480)));
  std::vector<float> muted = Render(*quiet, 0.5);
  EXPECT_NEAR(Db(Rms(muted, At(0.1), At(0.5)) / Rms(full, At(0.1), At(0.5))), -100, 1);
}

TEST_F(Synth, RepeatsPlayTheSegmentAgainAndStopSilencesAtOnce) {
  // A 0.1 s note in a 0.2 s segment.
  auto note = OneNote(60, 96, 192, kOrgan);
  auto sounding = [](const std::vector<float>& s, double from, double to) {
    return Rms(s, At(from), At(to)) > 1e-3;
  };

  auto perf = Start();
  Play(*perf, Load(note, -1));
  std::vector<float> endless = Render(*perf, 1.0);
  EXPECT_TRUE(sounding(endless, 0.81, 0.89));

  perf->StopEx(nullptr, 0, 0);  // whatever plays
  Play(*perf, Load(note, 2));   // three passes
  std::vector<float> three = Render(*perf, 1.2);
  EXPECT_TRUE(sounding(three, 0.41, 0.49));
  EXPECT_FALSE(sounding(three, 0.61, 0.69));
  EXPECT_EQ(Rms(three, At(1.0), At(1.2)), 0);

  auto once = Load(note, 0);
  once->SetRepeats(-1);  // the count at PlaySegmentEx is the one that counts
  once->SetRepeats(0);
  Play(*perf, once);
  std::vector<float> single = Render(*perf, 0.7);
  EXPECT_FALSE(sounding(single, 0.21, 0.29));

  // Stop during a held note: the output leaves that of an unstopped run at the next block
  // edge, the release follows, and the repeats end.
  auto reference = Start();
  Play(*reference, Load(OneNote(60, 960, 960, kOrgan), -1));
  std::vector<float> unstopped = Render(*reference, 1.5);
  perf = Start();
  auto held = Load(OneNote(60, 960, 960, kOrgan), -1);
  Play(*perf, held);
  std::vector<float> stopped = Render(*perf, 0.3);
  perf->StopEx(held, 0, 0);
  std::vector<float> after = Render(*perf, 1.2);
  stopped.insert(stopped.end(), after.begin(), after.end());
  size_t diverges = 0;
  while (diverges < stopped.size() && stopped[diverges] == unstopped[diverges]) ++diverges;
  EXPECT_GE(diverges, At(0.3));
  EXPECT_LE(diverges, At(0.3) + 64);
  double level = Rms(unstopped, At(0.2), At(0.3));
  EXPECT_LT(Db(Rms(stopped, At(0.45), At(0.5)) / level), -40);  // released
  EXPECT_EQ(Rms(stopped, At(0.9), At(1.5)), 0);                 // and not played again
  EXPECT_THROW(perf->StopEx(held, 10, 0), basic::RuntimeError);
}

TEST_F(Synth, PlayingANewSegmentReplacesTheOne) {
  auto perf = Start();
  Play(*perf, Load(OneNote(60, 1920, 1920, kOrgan), -1));
  std::vector<float> first = Render(*perf, 0.3);
  Play(*perf, Load(OneNote(67, 1920, 1920, kOrgan), -1));
  std::vector<float> second = Render(*perf, 0.6);
  EXPECT_GT(Magnitude(first, At(0.1), At(0.3), 261.6), 30 * Magnitude(first, At(0.1), At(0.3), 392.0));
  EXPECT_GT(Magnitude(second, At(0.3), At(0.6), 392.0), 30 * Magnitude(second, At(0.3), At(0.6), 261.6));
}

TEST_F(Synth, InactivePathIsSilentWhileThePlayerGoesOn) {
  auto perf = Start();
  Track t;
  t.At(0, {0xC0, kOrgan}).At(0, {0x90, 60, 100}).At(96, {0x80, 60, 0});
  t.At(384, {0x90, 67, 100}).At(192, {0x80, 67, 0}).End();  // second note from 0.5 s to 0.7 s
  Play(*perf, Load(Smf(0, 480, {t})));
  auto path = perf->GetDefaultAudioPath();
  path->Activate(false);
  std::vector<float> silent = Render(*perf, 0.55);
  EXPECT_EQ(Rms(silent, 0, silent.size()), 0);
  path->Activate(true);
  std::vector<float> heard = Render(*perf, 0.1);
  EXPECT_GT(Magnitude(heard, 0, heard.size(), 392.0), 30 * Magnitude(heard, 0, heard.size(), 261.6));
}

TEST_F(Synth, EffectChainProcessesTheOutputInTheOrderGiven) {
  DSFXDISTORTION distortion{-6, 95, 1000, 8000, 8000};  // hard enough not to commute
  DSFXECHO echo{50, 40, 30, 60, 1};
  auto render = [&](std::vector<std::string> classes) {
    auto perf = Start();
    std::vector<DSEFFECTDESC> descs;
    for (const auto& c : classes) descs.push_back({0, c, 0, 0});
    std::vector<int32_t> results;
    auto buffer = Buffer(*perf);
    buffer->SetFX(static_cast<int32_t>(descs.size()), descs, results);
    EXPECT_EQ(results, std::vector<int32_t>(descs.size(), DSFXR_LOCSOFTWARE));
    if (!classes.empty()) {
      std::dynamic_pointer_cast<DirectSoundFXDistortion8>(
          buffer->GetObjectInPath("GUID_DSFX_STANDARD_DISTORTION", 0, "IID_DirectSoundFXDistortion"))
          ->SetAllParameters(distortion);
      std::dynamic_pointer_cast<DirectSoundFXEcho8>(
          buffer->GetObjectInPath("GUID_DSFX_STANDARD_ECHO", 0, "IID_DirectSoundFXEcho"))
          ->SetAllParameters(echo);
    }
    Play(*perf, Load(OneNote(64, 96, 192)));
    return RenderOffline(*perf, At(0.4));
  };
  std::vector<float> dry = render({});
  std::vector<float> distortThenEcho = render({"GUID_DSFX_STANDARD_DISTORTION", "GUID_DSFX_STANDARD_ECHO"});
  std::vector<float> echoThenDistort = render({"GUID_DSFX_STANDARD_ECHO", "GUID_DSFX_STANDARD_DISTORTION"});

  // The same processing by hand on the dry output, block by block.
  dsp::Distortion d;
  d.Configure(distortion);
  dsp::Echo e;
  e.Configure(echo);
  std::vector<float> left(dry.size() / 2), right(dry.size() / 2);
  for (size_t i = 0; i < left.size(); ++i) left[i] = dry[2 * i], right[i] = dry[2 * i + 1];
  for (size_t i = 0; i < left.size(); i += 64) {
    int n = static_cast<int>(std::min<size_t>(64, left.size() - i));
    d.Process(left.data() + i, right.data() + i, n);
    e.Process(left.data() + i, right.data() + i, n);
  }
  double worst = 0;
  std::vector<float> otherOrder(left.size());
  for (size_t i = 0; i < left.size(); ++i) {
    worst = std::max<double>(worst, std::fabs(distortThenEcho[2 * i] - left[i]));
    worst = std::max<double>(worst, std::fabs(distortThenEcho[2 * i + 1] - right[i]));
    otherOrder[i] = echoThenDistort[2 * i] - left[i];
  }
  double level = Rms(left, 0, left.size());
  EXPECT_GT(level, 1e-3);
  EXPECT_LT(worst, 1e-6);
  EXPECT_GT(Rms(otherOrder, 0, otherOrder.size()), 0.1 * level);
}

TEST_F(Synth, EffectObjectsTakeTheirRangesAndComeOnlyFromTheChainSetLast) {
  auto perf = Start();
  auto buffer = Buffer(*perf);
  EXPECT_EQ(buffer, Buffer(*perf));
  EXPECT_THROW(perf->GetDefaultAudioPath()->GetObjectInPath(DMUS_PCHANNEL_ALL, 0x2000, 0, "GUID_ALL_OBJECTS", 0,
                                                            "IID_IDirectSoundBuffer8"),
               basic::RuntimeError);

  const std::vector<std::pair<std::string, std::string>> all = {
      {"GUID_DSFX_STANDARD_DISTORTION", "IID_DirectSoundFXDistortion"},
      {"GUID_DSFX_STANDARD_ECHO", "IID_DirectSoundFXEcho"},
      {"GUID_DSFX_STANDARD_CHORUS", "IID_DirectSoundFXChorus"},
      {"GUID_DSFX_STANDARD_FLANGER", "IID_DirectSoundFXFlanger"},
      {"GUID_DSFX_STANDARD_COMPRESSOR", "IID_DirectSoundFXCompressor"},
      {"GUID_DSFX_STANDARD_GARGLE", "IID_DirectSoundFXGargle"},
      {"GUID_DSFX_STANDARD_PARAMEQ", "IID_DirectSoundFXParamEq"},
      {"GUID_DSFX_WAVES_REVERB", "IID_DirectSoundFXWavesReverb"}};
  std::vector<DSEFFECTDESC> descs;
  for (const auto& [c, i] : all) descs.push_back({0, c, 0, 0});
  std::vector<int32_t> results;
  perf->GetDefaultAudioPath()->Activate(false);
  buffer->SetFX(8, descs, results);
  auto get = [&](int k) { return buffer->GetObjectInPath(all[k].first, 0, all[k].second); };
  auto distortion = std::dynamic_pointer_cast<DirectSoundFXDistortion8>(get(0));
  auto echo = std::dynamic_pointer_cast<DirectSoundFXEcho8>(get(1));
  auto chorus = std::dynamic_pointer_cast<DirectSoundFXChorus8>(get(2));
  auto flanger = std::dynamic_pointer_cast<DirectSoundFXFlanger8>(get(3));
  auto compressor = std::dynamic_pointer_cast<DirectSoundFXCompressor8>(get(4));
  auto gargle = std::dynamic_pointer_cast<DirectSoundFXGargle8>(get(5));
  auto parameq = std::dynamic_pointer_cast<DirectSoundFXParamEq8>(get(6));
  auto reverb = std::dynamic_pointer_cast<DirectSoundFXWavesReverb8>(get(7));
  ASSERT_TRUE(distortion && echo && chorus && flanger && compressor && gargle && parameq && reverb);

  // The effects dialog's defaults, and the ends of the ranges.
  EXPECT_NO_THROW(distortion->SetAllParameters({-41, 23, 1940, 200, 2100}));
  EXPECT_NO_THROW(echo->SetAllParameters({8, 8, 8, 8, 1}));
  EXPECT_NO_THROW(chorus->SetAllParameters({23, 24, -54, 2, 1, 4, 0}));
  EXPECT_NO_THROW(flanger->SetAllParameters({76, 77, 50, 7, 1, 3, 3}));
  EXPECT_NO_THROW(compressor->SetAllParameters({32, 312, 2280, -15, 78, 3}));
  EXPECT_NO_THROW(gargle->SetAllParameters({190, 1}));
  EXPECT_NO_THROW(parameq->SetAllParameters({2960, 6, 10}));
  EXPECT_NO_THROW(reverb->SetAllParameters({-24, -24, 2300, 0.769f}));
  EXPECT_NO_THROW(distortion->SetAllParameters({-60, 100, 100, 8000, 8000}));
  EXPECT_NO_THROW(echo->SetAllParameters({0, 100, 1, 2000, 0}));
  EXPECT_NO_THROW(chorus->SetAllParameters({100, 0, 99, 10, 0, 20, 4}));
  EXPECT_NO_THROW(compressor->SetAllParameters({-60, 0.01f, 50, 0, 1, 0}));
  EXPECT_NO_THROW(gargle->SetAllParameters({1000, 0}));
  EXPECT_NO_THROW(parameq->SetAllParameters({16000, 36, -15}));  // the dialog's whole range
  EXPECT_NO_THROW(reverb->SetAllParameters({-96, 0, 0.001f, 0.999f}));

  EXPECT_THROW(distortion->SetAllParameters({1, 23, 1940, 200, 2100}), basic::RuntimeError);
  EXPECT_THROW(distortion->SetAllParameters({-41, 23, 1940, 99, 2100}), basic::RuntimeError);
  EXPECT_THROW(echo->SetAllParameters({8, 8, 0.5f, 8, 1}), basic::RuntimeError);
  EXPECT_THROW(echo->SetAllParameters({8, 8, 8, 8, 2}), basic::RuntimeError);
  EXPECT_THROW(chorus->SetAllParameters({23, 24, -100, 2, 1, 4, 0}), basic::RuntimeError);
  EXPECT_THROW(chorus->SetAllParameters({23, 24, -54, 2, 1, 4, 5}), basic::RuntimeError);
  EXPECT_THROW(flanger->SetAllParameters({76, 77, 50, 7, 1, 4.5f, 3}), basic::RuntimeError);
  EXPECT_THROW(flanger->SetAllParameters({76, 77, 50, 11, 1, 3, 3}), basic::RuntimeError);
  EXPECT_THROW(compressor->SetAllParameters({32, 0, 2280, -15, 78, 3}), basic::RuntimeError);
  EXPECT_THROW(compressor->SetAllParameters({32, 312, 2280, -15, 0.5f, 3}), basic::RuntimeError);
  EXPECT_THROW(gargle->SetAllParameters({0, 1}), basic::RuntimeError);
  EXPECT_THROW(parameq->SetAllParameters({16001, 6, 10}), basic::RuntimeError);
  EXPECT_THROW(parameq->SetAllParameters({2960, 6, std::nanf("")}), basic::RuntimeError);
  EXPECT_THROW(reverb->SetAllParameters({-24, -24, 2300, 1}), basic::RuntimeError);
  EXPECT_THROW(reverb->SetAllParameters({-24, 1, 2300, 0.769f}), basic::RuntimeError);
  try {
    echo->SetAllParameters({8, 8, 8, 3000, 1});
  } catch (const basic::RuntimeError& e) {
    EXPECT_EQ(e.number, basic::err::InvalidCall);
    EXPECT_THAT(e.description, testing::HasSubstr("fRightDelay"));
  }

  // A wrong interface, an unknown class (chain unchanged), then an empty chain.
  EXPECT_THROW(buffer->GetObjectInPath(all[1].first, 0, all[2].second), basic::RuntimeError);
  EXPECT_THROW(buffer->GetObjectInPath(all[1].first, 1, all[1].second), basic::RuntimeError);
  std::vector<DSEFFECTDESC> bad = {{0, "GUID_DSFX_STANDARD_ECHO", 0, 0}, {0, "GUID_DSFX_STANDARD_I3DL2REVERB", 0, 0}};
  EXPECT_THROW(buffer->SetFX(2, bad, results), basic::RuntimeError);
  EXPECT_THAT(results, ElementsAre(DSFXR_LOCSOFTWARE, DSFXR_UNKNOWN));
  EXPECT_EQ(get(7), std::shared_ptr<SoundEffect>(reverb));
  EXPECT_THROW(buffer->SetFX(3, bad, results), basic::RuntimeError);
  buffer->SetFX(0, {}, results);
  EXPECT_TRUE(results.empty());
  EXPECT_THROW(get(1), basic::RuntimeError);
  EXPECT_NO_THROW(echo->SetAllParameters({8, 8, 8, 8, 1}));  // kept objects still take parameters
}

TEST_F(Synth, StartUpChecksItsArgumentsAndNeedsAWholeSoundFont) {
  // The first 3 MB of a whole SoundFont, as an interrupted copy leaves it.
  Bytes head(3 << 20);
  std::ifstream(kTestSoundFont, std::ios::binary).read(reinterpret_cast<char*>(head.data()), head.size());
  Bytes overrun = SoundFontFile({{"INFO", {}}, {"sdta", {}}, {"pdta", {}}});
  overrun[16] = 0x40;  // the INFO part claims more than the file holds
  const std::string none = dir_.Path("none.sf2"), cut = dir_.Write("cut.sf2", head);
  const std::string notAFont = dir_.Write("text.sf2", {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'});
  const std::string overrunFont = dir_.Write("overrun.sf2", overrun);
  const std::string noPresets = dir_.Write("nopresets.sf2", SoundFontFile({{"INFO", {}}, {"sdta", {}}}));
  // Every place looked at is named, a file refused with why.
  const std::pair<std::vector<std::string>, std::string> refused[] = {
      {{none, notAFont}, none + ", " + notAFont},
      {{cut}, cut + " (cut short: it should be 5969788 bytes long, it is 3145728)"},
      {{overrunFont}, overrunFont + " (damaged: a part runs past its end)"},
      {{noPresets}, noPresets + " (damaged: its pdta part is missing)"}};
  DMUS_AUDIOPARAMS params;
  for (const auto& [fonts, named] : refused) {
    SCOPED_TRACE(named);
    auto dx = CreateDirectX8(clock_, {OutputMode::Offline, fonts});
    auto perf = dx->DirectMusicPerformanceCreate();
    EXPECT_THAT([&] { perf->InitAudio(0, DMUS_AUDIOF_ALL, params, nullptr, 1, 128); },
                testing::Throws<basic::RuntimeError>(
                    testing::AllOf(testing::Field(&basic::RuntimeError::number, basic::err::FileNotFound),
                                   testing::Field(&basic::RuntimeError::description, testing::HasSubstr(named)))));
    EXPECT_THROW(perf->GetDefaultAudioPath(), basic::RuntimeError);
    EXPECT_THROW(perf->StopEx(nullptr, 0, 0), basic::RuntimeError);
    EXPECT_FALSE(perf->GetNotificationPMSG(*std::make_unique<DMUS_NOTIFICATION_PMSG>()));
  }

  // A refused file is passed over for the next whole one.
  auto good = Start(DMUS_APATH_DYNAMIC_STEREO, OutputMode::Offline, {cut, kTestSoundFont});
  EXPECT_EQ(OutputName(*good), "offline");
  EXPECT_FALSE(SoundFontFailure(*good));
  EXPECT_THROW(good->InitAudio(0, DMUS_AUDIOF_ALL, params, nullptr, 1, 128), basic::RuntimeError);
  auto other = dx_->DirectMusicPerformanceCreate();
  EXPECT_THROW(other->InitAudio(0, DMUS_AUDIOF_ALL, params, nullptr, 3, 128), basic::RuntimeError);
  EXPECT_THROW(good->PlaySegmentEx(nullptr, DMUS_SEGF_DEFAULT, 0, nullptr, nullptr), basic::RuntimeError);
  auto segment = Load(OneNote(60, 10, 10));
  EXPECT_THROW(good->PlaySegmentEx(segment, DMUS_SEGF_DEFAULT, 1000, nullptr, nullptr), basic::RuntimeError);
  EXPECT_THROW(segment->SetRepeats(-2), basic::RuntimeError);
  EXPECT_NO_THROW(good->PlaySegmentEx(segment, DMUS_SEGF_DEFAULT, 0, segment, good->GetDefaultAudioPath()));
}

TEST_F(Synth, SegmentNotificationsSignalTheEventOnDispatch) {
  auto perf = Start();
  Listener listener;
  int32_t handle = dx_->CreateEvent(listener);
  EXPECT_NE(handle, 0);
  perf->AddNotificationType(DMUS_NOTIFY_ON_SEGMENT);
  perf->SetNotificationHandle(handle);

  Play(*perf, Load(OneNote(60, 48, 96), 1));  // two passes of 0.1 s
  RenderOffline(*perf, At(0.3));
  EXPECT_EQ(listener.calls, 0);  // callbacks wait for the dispatching thread
  dx_->DispatchEvents();
  EXPECT_EQ(listener.calls, 3);
  EXPECT_THAT(Fetch(*perf), ElementsAre(DMUS_NOTIFICATION_SEGSTART, DMUS_NOTIFICATION_SEGLOOP, DMUS_NOTIFICATION_SEGEND));

  auto held = Load(OneNote(60, 960, 960));
  Play(*perf, held);
  RenderOffline(*perf, 64);
  perf->StopEx(held, 0, 0);
  RenderOffline(*perf, 64);
  EXPECT_THAT(Fetch(*perf), ElementsAre(DMUS_NOTIFICATION_SEGSTART, DMUS_NOTIFICATION_SEGABORT));

  perf->RemoveNotificationType(DMUS_NOTIFY_ON_SEGMENT);
  Play(*perf, held);
  RenderOffline(*perf, 64);
  EXPECT_TRUE(Fetch(*perf).empty());
  dx_->DestroyEvent(handle);
  EXPECT_THROW(dx_->DestroyEvent(handle), basic::RuntimeError);
  EXPECT_THROW(perf->AddNotificationType(99), basic::RuntimeError);
}

TEST_F(Synth, SilentOutputPlaysInRealTime) {
  auto perf = Start(DMUS_APATH_SHARED_STEREOPLUSREVERB, OutputMode::Silent);
  EXPECT_EQ(OutputName(*perf), "silent");
  EXPECT_THROW(RenderOffline(*perf, 64), basic::RuntimeError);
  Listener listener;
  perf->AddNotificationType(DMUS_NOTIFY_ON_SEGMENT);
  perf->SetNotificationHandle(dx_->CreateEvent(listener));

  auto segment = Load(OneNote(60, 96, 192));  // 0.2 s
  int32_t started = perf->GetClockTime();
  auto begin = std::chrono::steady_clock::now();
  Play(*perf, segment);
  std::vector<int32_t> seen;
  while (std::chrono::steady_clock::now() - begin < std::chrono::seconds(5)) {
    dx_->DispatchEvents();
    for (int32_t option : Fetch(*perf)) seen.push_back(option);
    if (!seen.empty() && seen.back() == DMUS_NOTIFICATION_SEGEND) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  EXPECT_THAT(seen, ElementsAre(DMUS_NOTIFICATION_SEGSTART, DMUS_NOTIFICATION_SEGEND));
  EXPECT_GT(elapsed, 0.15);  // real time, give or take a period and a block
  EXPECT_LT(elapsed, 2.0);
  EXPECT_GE(perf->GetClockTime() - started, 150);
  EXPECT_GT(listener.calls, 0);
}

TEST_F(Synth, DeviceOutputFallsBackToSilence) {
  // Opens whatever device there is, but plays nothing on it.
  auto perf = Start(DMUS_APATH_SHARED_STEREOPLUSREVERB, OutputMode::Device);
  EXPECT_THAT(OutputName(*perf), testing::AnyOf("pulseaudio", "alsa", "silent"));
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  bool pulse = std::getenv("PULSE_SERVER") || (runtime && std::filesystem::exists(std::string(runtime) + "/pulse/native"));
  if (!std::filesystem::exists("/dev/snd") && !pulse) {
    EXPECT_EQ(OutputName(*perf), "silent");
  }
}

TEST_F(Synth, SegmentsAndChainsChangeWhileAudioRuns) {
  auto perf = Start(DMUS_APATH_SHARED_STEREOPLUSREVERB, OutputMode::Silent);
  auto path = perf->GetDefaultAudioPath();
  auto buffer = Buffer(*perf);
  std::vector<int32_t> results;
  for (int i = 0; i < 40; ++i) {
    auto segment = Load(OneNote(48 + i % 24, 24, 48), i % 3 - 1);  // each loaded anew, the old one dropped
    perf->PlaySegmentEx(segment, DMUS_SEGF_DEFAULT, 0, nullptr, nullptr);
    path->Activate(false);
    std::vector<DSEFFECTDESC> descs = {{0, "GUID_DSFX_STANDARD_ECHO", 0, 0}, {0, "GUID_DSFX_WAVES_REVERB", 0, 0}};
    buffer->SetFX(i % 3, descs, results);
    if (i % 3 > 0)
      std::dynamic_pointer_cast<DirectSoundFXEcho8>(
          buffer->GetObjectInPath("GUID_DSFX_STANDARD_ECHO", 0, "IID_DirectSoundFXEcho"))
          ->SetAllParameters({50, 50, static_cast<float>(1 + i * 40), 100, i % 2});
    path->Activate(true);
    perf->SetMasterVolume(-100 * i);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (i % 5 == 0) perf->StopEx(segment, 0, 0);
  }
  perf->StopEx(nullptr, 0, 0);
  EXPECT_EQ(OutputName(*perf), "silent");
}

TEST_F(Synth, TheOutputRestsOnlyOnceNothingSoundsAndThePlayAfterIsHeardInFull) {
  // A note of 0.2 s and its reverb; a note of 0.05 s and one echo a second later: between the two
  // the output is quiet for longer than it waits before it rests, while the delay line holds the note.
  struct Case { const char* what; int32_t pathType; bool echo; Bytes song; int restMs, rounds; double least, most; };
  for (const Case& c : {Case{"reverb", DMUS_APATH_SHARED_STEREOPLUSREVERB, false, OneNote(60, 96, 192), 100, 2, 0.2, 2},
                        Case{"echo", DMUS_APATH_DYNAMIC_STEREO, true, OneNote(72, 48, 96, kOrgan), 150, 1, 2, 5}}) {
    SCOPED_TRACE(c.what);
    auto perf = Start(c.pathType, OutputMode::Silent);
    if (c.echo) SetChain(*perf, true);
    Listener listener;
    perf->AddNotificationType(DMUS_NOTIFY_ON_SEGMENT);
    perf->SetNotificationHandle(dx_->CreateEvent(listener));
    EXPECT_EQ(Settle(*perf, c.restMs), 0);  // nothing played yet
    for (int round = 0; round < c.rounds; ++round) {  // the echoed one takes seconds
      SCOPED_TRACE(round);
      const int64_t before = RenderedFrames(*perf);
      Play(*perf, Load(c.song));
      const int64_t rested = Settle(*perf, c.restMs);
      // The song, its tail (an echo that went round the line once more) and the quiet wait: much
      // less than the seconds settle took.
      EXPECT_GT(rested - before, static_cast<int64_t>(At(c.least)));
      EXPECT_LT(rested - before, static_cast<int64_t>(At(c.most)));
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      EXPECT_EQ(RenderedFrames(*perf), rested);
      dx_->DispatchEvents();
      EXPECT_THAT(Fetch(*perf), ElementsAre(DMUS_NOTIFICATION_SEGSTART, DMUS_NOTIFICATION_SEGEND));
    }
  }
}

TEST_F(Synth, APlayRightAfterStartUpWaitsForTheSoundFont) {
  // The SoundFont loads in the background; a note played at once is not lost.
  auto perf = Start();
  Play(*perf, Load(OneNote(60, 480, 480, kOrgan)));
  std::vector<float> s = Render(*perf, 0.3);
  EXPECT_GT(Rms(s, 0, At(0.02)), 1e-3);
  EXPECT_GT(Magnitude(s, At(0.05), At(0.3), 261.6), 30 * Magnitude(s, At(0.05), At(0.3), 293.7));
}

TEST_F(Synth, AChainSetAgainKeepsItsEffectsAndTheirTailsAndAnEffectBackStartsFromSilence) {
  auto perf = Start();
  const DSFXECHO echo{50, 60, 300, 300, 0};
  auto first = SetChain(*perf, true, echo);
  Play(*perf, Load(OneNote(72, 48, 96, kOrgan)));  // 0.05 s, then its echoes every 0.3 s
  Render(*perf, 0.45);
  EXPECT_EQ(SetChain(*perf, true, echo), first);
  Play(*perf, Load(Smf(0, 480, {Track().End(96)})));  // the next play, with nothing of its own
  std::vector<float> after = Render(*perf, 0.5);
  // The second echo (0.6 s) still comes, from the same delay line, between quiet gaps.
  EXPECT_GT(Rms(after, At(0.15), At(0.2)), 1e-3);
  EXPECT_GT(Rms(after, At(0.15), At(0.2)), 20 * Rms(after, At(0.05), At(0.1)));

  // After a play without it the echo comes back fresh, without the tail its line still held.
  const auto silence = Load(Smf(0, 480, {Track().End(960)}));  // a second with nothing in it
  SetChain(*perf, false);
  Play(*perf, silence);
  Render(*perf, 0.05);
  auto back = SetChain(*perf, true, echo);
  EXPECT_NE(back, first);
  Play(*perf, silence);
  EXPECT_LT(Rms(Render(*perf, 1.0), 0, At(1.0)), 1e-6);

  // So does one that left the chain for another effect before any play.
  std::vector<int32_t> results;
  for (const auto& chain : {std::vector<DSEFFECTDESC>{}, {{0, "GUID_DSFX_STANDARD_GARGLE", 0, 0}}, {}})
    Buffer(*perf)->SetFX(static_cast<int32_t>(chain.size()), chain, results);
  EXPECT_NE(SetChain(*perf, true, echo), back);
}

TEST_F(Synth, EveryNotificationCallbackFindsItsNotification) {
  // A looping song shorter than a block notifies at every block: far more than the queue
  // holds between two dispatches.
  auto perf = Start();
  Listener fetcher;
  int fetched = 0;
  fetcher.then = [&] { fetched += perf->GetNotificationPMSG(*std::make_unique<DMUS_NOTIFICATION_PMSG>()); };
  perf->AddNotificationType(DMUS_NOTIFY_ON_SEGMENT);
  perf->SetNotificationHandle(dx_->CreateEvent(fetcher));
  Play(*perf, Load(Smf(0, 480, {Track().At(0, {0x90, 60, 1}).At(1, {0x80, 60, 0}).End()}), -1));
  for (int i = 0; i < 3; ++i) {
    RenderOffline(*perf, At(1.0));
    dx_->DispatchEvents();
  }
  EXPECT_EQ(fetched, fetcher.calls) << "a callback found no notification";
  EXPECT_GT(fetched, 0);
  EXPECT_LE(fetched, 3 * 64);
}

TEST_F(Synth, AServerThatDoesNotAnswerLeavesTheSoundSilentWithoutHoldingUpThePlay) {
  // A socket that takes connections and never answers, as a stopped sound server does.
  const std::string path = dir_.Path("native");
  const int server = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
  ASSERT_EQ(bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(server, 8), 0);
  const testing_support::ScopedEnv pulse("PULSE_SERVER", "unix:" + path);

  const auto begin = std::chrono::steady_clock::now();
  auto seconds = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count(); };
  auto perf = Start(DMUS_APATH_DYNAMIC_STEREO, OutputMode::Device);
  EXPECT_EQ(OutputName(*perf), "pulseaudio");  // there, but silent
  EXPECT_LT(seconds(), 2.0);
  const double before = seconds();
  Play(*perf, Load(OneNote(60, 96, 192)));
  EXPECT_LT(seconds() - before, 0.1);  // the play does not wait for the server
  // The server is tried again, does not answer, and the play goes on silently.
  while (RenderedFrames(*perf) < static_cast<int64_t>(At(0.2)) && seconds() < before + 5)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_GE(RenderedFrames(*perf), static_cast<int64_t>(At(0.2)));
  perf.reset();
  dx_.reset();

  // A socket nobody listens on: no sound server, another output.
  close(server);
  perf = Start(DMUS_APATH_DYNAMIC_STEREO, OutputMode::Device);
  EXPECT_NE(OutputName(*perf), "pulseaudio");
}

#include "platform/music/recording_music.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/basic/basic.h"
#include "platform/basic/clock.h"
#include "test_support.h"

using namespace music;
using namespace music_test;
using testing::ElementsAre;

namespace {

class ManualClock : public basic::Clock {
 public:
  int64_t NowMs() const override { return now; }
  int64_t now = 0;
};

class Callback : public DirectXEvent8 {
 public:
  explicit Callback(DirectMusicPerformance8*& perf) : perf_(perf) {}
  void DXCallback(int32_t) override {
    DMUS_NOTIFICATION_PMSG message;
    fetched.push_back(perf_->GetNotificationPMSG(message));
  }
  std::vector<bool> fetched;

 private:
  DirectMusicPerformance8*& perf_;
};

}  // namespace

TEST(MusicRecorder, RecordsEveryCallInOrderAndKeepsLoadedFiles) {
  ManualClock clock;
  ScratchDir dir;
  MusicRecorder recorder(clock);
  auto dx = recorder.CreateDirectX8();
  auto perf = dx->DirectMusicPerformanceCreate();
  auto loader = dx->DirectMusicLoaderCreate();
  DMUS_AUDIOPARAMS params;
  perf->InitAudio(42, DMUS_AUDIOF_ALL, params, nullptr, DMUS_APATH_SHARED_STEREOPLUSREVERB, 128);
  perf->SetMasterAutoDownload(true);
  perf->AddNotificationType(DMUS_NOTIFY_ON_SEGMENT);
  DirectMusicPerformance8* raw = perf.get();
  Callback callback(raw);
  perf->SetNotificationHandle(dx->CreateEvent(callback));
  auto path = perf->GetDefaultAudioPath();
  auto buffer = path->GetObjectInPath(DMUS_PCHANNEL_ALL, DMUS_PATH_BUFFER, 0, "GUID_ALL_OBJECTS", 0,
                                      "IID_IDirectSoundBuffer8");
  Bytes file = OneNote(60, 10, 20);
  std::string name = dir.Write("play.mid", file);
  auto segment = loader->LoadSegment(name);
  std::filesystem::remove(name);
  segment->SetStandardMidiFile();
  path->Activate(false);
  std::vector<int32_t> results;
  buffer->SetFX(0, {}, results);
  buffer->SetFX(2, {{0, "GUID_DSFX_STANDARD_ECHO", 0, 0}, {0, "GUID_DSFX_WAVES_REVERB", 0, 0}}, results);
  auto reverb = std::dynamic_pointer_cast<DirectSoundFXWavesReverb8>(
      buffer->GetObjectInPath("GUID_DSFX_WAVES_REVERB", 0, "IID_DirectSoundFXWavesReverb"));
  ASSERT_TRUE(reverb);
  reverb->SetAllParameters({-24, -24, 2300, 0.769f});
  path->Activate(true);
  segment->SetRepeats(-1);
  perf->PlaySegmentEx(segment, DMUS_SEGF_DEFAULT, 0, nullptr, nullptr);
  clock.now = 4000000000LL;  // the clock is a 32-bit count
  EXPECT_EQ(perf->GetClockTime(), static_cast<int32_t>(4000000000LL - (1LL << 32)));
  perf->SetMasterVolume(-1500);
  perf->StopEx(segment, 0, 0);

  EXPECT_THAT(recorder.Calls(),
              ElementsAre("dx.DirectMusicPerformanceCreate()", "dx.DirectMusicLoaderCreate()",
                          "performance.InitAudio(63, 1, 128)", "performance.SetMasterAutoDownload(true)",
                          "performance.AddNotificationType(5)", "dx.CreateEvent()",
                          "performance.SetNotificationHandle(1)", "performance.GetDefaultAudioPath()",
                          "audiopath.GetObjectInPath(-5, 24576, 0, GUID_ALL_OBJECTS, 0, IID_IDirectSoundBuffer8)",
                          "loader.LoadSegment(" + name + ")", "segment1.SetStandardMidiFile()",
                          "audiopath.Activate(false)", "buffer.SetFX(0)",
                          "buffer.SetFX(2, GUID_DSFX_STANDARD_ECHO, GUID_DSFX_WAVES_REVERB)",
                          "buffer.GetObjectInPath(GUID_DSFX_WAVES_REVERB, 0, IID_DirectSoundFXWavesReverb)",
                          "wavesreverb.SetAllParameters(-24, -24, 2300, 0.769)", "audiopath.Activate(true)",
                          "segment1.SetRepeats(-1)", "performance.PlaySegmentEx(segment1, 16384, 0, none, none)",
                          "performance.GetClockTime()", "performance.SetMasterVolume(-1500)",
                          "performance.StopEx(segment1, 0, 0)"));
  ASSERT_EQ(recorder.LoadedFiles().size(), 1u);
  EXPECT_EQ(recorder.LoadedFiles()[0].path, name);
  EXPECT_EQ(recorder.LoadedFiles()[0].bytes, file);

  // The play queued a notification; the callback runs when events are dispatched.
  EXPECT_TRUE(callback.fetched.empty());
  dx->DispatchEvents();
  recorder.SignalNotification(false);
  dx->DispatchEvents();
  EXPECT_THAT(callback.fetched, ElementsAre(true, false));
}

TEST(MusicRecorder, FailsOnRequestAndLikeThePlatformWouldOtherwise) {
  ManualClock clock;
  ScratchDir dir;
  auto recorder = std::make_unique<MusicRecorder>(clock);
  auto dx = recorder->CreateDirectX8();
  auto perf = dx->DirectMusicPerformanceCreate();
  DMUS_AUDIOPARAMS params;
  recorder->FailOn("performance.InitAudio", 91);
  try {
    perf->InitAudio(0, DMUS_AUDIOF_ALL, params, nullptr, 1, 128);
    ADD_FAILURE() << "InitAudio didn't fail";
  } catch (const basic::RuntimeError& e) {
    EXPECT_EQ(e.number, 91);
  }
  EXPECT_THAT(recorder->Calls(), ElementsAre("dx.DirectMusicPerformanceCreate()", "performance.InitAudio(63, 1, 128)"));
  recorder->ClearFailures();
  recorder->ClearCalls();
  perf->InitAudio(0, DMUS_AUDIOF_ALL, params, nullptr, 1, 128);

  auto loader = dx->DirectMusicLoaderCreate();
  EXPECT_THROW(loader->LoadSegment(dir.Path("missing.mid")), basic::RuntimeError);
  EXPECT_THROW(loader->LoadSegment(dir.Write("empty.mid", {})), basic::RuntimeError);
  EXPECT_TRUE(recorder->LoadedFiles().empty());

  auto buffer = perf->GetDefaultAudioPath()->GetObjectInPath(DMUS_PCHANNEL_ALL, DMUS_PATH_BUFFER, 0,
                                                             "GUID_ALL_OBJECTS", 0, "IID_IDirectSoundBuffer8");
  std::vector<int32_t> results;
  EXPECT_THROW(buffer->GetObjectInPath("GUID_DSFX_STANDARD_ECHO", 0, "IID_DirectSoundFXEcho"), basic::RuntimeError);
  buffer->SetFX(1, {{0, "GUID_DSFX_STANDARD_ECHO", 0, 0}}, results);
  auto echo = std::dynamic_pointer_cast<DirectSoundFXEcho8>(
      buffer->GetObjectInPath("GUID_DSFX_STANDARD_ECHO", 0, "IID_DirectSoundFXEcho"));
  EXPECT_THROW(echo->SetAllParameters({8, 8, 0, 8, 1}), basic::RuntimeError);
  EXPECT_THROW(buffer->SetFX(1, {{0, "GUID_NOT_AN_EFFECT", 0, 0}}, results), basic::RuntimeError);
  EXPECT_EQ(recorder->Calls().back(), "buffer.SetFX(1, GUID_NOT_AN_EFFECT)");

  recorder.reset();  // the objects outlive the recorder
  EXPECT_NO_THROW(perf->SetMasterVolume(0));
}

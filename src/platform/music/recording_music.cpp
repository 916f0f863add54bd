#include "platform/music/recording_music.h"

#include <charconv>
#include <tuple>
#include <deque>

#include "platform/basic/basic.h"
#include "platform/basic/clock.h"
#include "platform/music/effect_params.h"
#include "platform/music/event_hub.h"
#include "platform/music/midi_file.h"

namespace music {

struct MusicRecorder::State {
  explicit State(const basic::Clock& c) : clock(c) {}

  // Records the call, then raises if a failure was asked for it.
  void Record(std::string call) {
    calls.push_back(call);
    for (const auto& [prefix, number] : failures)
      if (call.rfind(prefix, 0) == 0) basic::Raise(number, "Failure on request: " + call);
  }

  struct PerformanceState {
    bool segmentNotify = false;
    int32_t eventHandle = 0;
    int queued = 0;
  };

  const basic::Clock& clock;
  std::vector<std::string> calls;
  std::vector<std::pair<std::string, int>> failures;
  std::vector<LoadedFile> loaded;
  int segments = 0;
  std::shared_ptr<EventHub> hub = std::make_shared<EventHub>();
  std::vector<std::weak_ptr<PerformanceState>> performances;
};

namespace {

using State = MusicRecorder::State;

std::string Text(float v) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}
std::string Text(int64_t v) { return std::to_string(v); }
std::string Text(int32_t v) { return std::to_string(v); }
std::string Text(bool v) { return v ? "true" : "false"; }
std::string Text(const std::string& v) { return v; }

template <class... Args>
std::string Call(const std::string& object, const char* operation, const Args&... args) {
  std::string s = object + "." + operation + "(";
  bool first = true;
  ((s += (first ? "" : ", ") + Text(args), first = false), ...);
  return s + ")";
}

template <class Interface, class Record>
class RecordingEffect final : public Interface {
 public:
  RecordingEffect(std::shared_ptr<State> state, const EffectClass& c) : state_(std::move(state)), class_(c) {}
  const EffectClass& Class() const { return class_; }

  void SetAllParameters(const Record& p) override {
    state_->Record(std::apply([&](const auto&... f) { return Call(std::string(class_.label), "SetAllParameters", f...); },
                              Fields(p)));
    Validate(p);
  }

 private:
  static auto Fields(const DSFXDISTORTION& p) {
    return std::tuple(p.fGain, p.fEdge, p.fPostEQCenterFrequency, p.fPostEQBandwidth, p.fPreLowpassCutoff);
  }
  static auto Fields(const DSFXECHO& p) {
    return std::tuple(p.fWetDryMix, p.fFeedback, p.fLeftDelay, p.fRightDelay, p.lPanDelay);
  }
  static auto Fields(const DSFXCHORUS& p) {
    return std::tuple(p.fWetDryMix, p.fDepth, p.fFeedback, p.fFrequency, p.lWaveform, p.fDelay, p.lPhase);
  }
  static auto Fields(const DSFXFLANGER& p) {
    return std::tuple(p.fWetDryMix, p.fDepth, p.fFeedback, p.fFrequency, p.lWaveform, p.fDelay, p.lPhase);
  }
  static auto Fields(const DSFXCOMPRESSOR& p) {
    return std::tuple(p.fGain, p.fAttack, p.fRelease, p.fThreshold, p.fRatio, p.fPredelay);
  }
  static auto Fields(const DSFXGARGLE& p) { return std::tuple(p.lRateHz, p.lWaveShape); }
  static auto Fields(const DSFXPARAMEQ& p) { return std::tuple(p.fCenter, p.fBandwidth, p.fGain); }
  static auto Fields(const DSFXWAVESREVERB& p) {
    return std::tuple(p.fInGain, p.fReverbMix, p.fReverbTime, p.fHighFreqRTRatio);
  }

  std::shared_ptr<State> state_;
  const EffectClass& class_;
};

std::shared_ptr<SoundEffect> MakeEffect(const std::shared_ptr<State>& s, const EffectClass& c) {
  switch (c.kind) {
    case EffectKind::Distortion: return std::make_shared<RecordingEffect<DirectSoundFXDistortion8, DSFXDISTORTION>>(s, c);
    case EffectKind::Echo: return std::make_shared<RecordingEffect<DirectSoundFXEcho8, DSFXECHO>>(s, c);
    case EffectKind::Chorus: return std::make_shared<RecordingEffect<DirectSoundFXChorus8, DSFXCHORUS>>(s, c);
    case EffectKind::Flanger: return std::make_shared<RecordingEffect<DirectSoundFXFlanger8, DSFXFLANGER>>(s, c);
    case EffectKind::Compressor: return std::make_shared<RecordingEffect<DirectSoundFXCompressor8, DSFXCOMPRESSOR>>(s, c);
    case EffectKind::Gargle: return std::make_shared<RecordingEffect<DirectSoundFXGargle8, DSFXGARGLE>>(s, c);
    case EffectKind::ParamEq: return std::make_shared<RecordingEffect<DirectSoundFXParamEq8, DSFXPARAMEQ>>(s, c);
    case EffectKind::WavesReverb:
      return std::make_shared<RecordingEffect<DirectSoundFXWavesReverb8, DSFXWAVESREVERB>>(s, c);
  }
  basic::Raise(basic::err::InvalidCall, "Unknown effect");
}

class RecordingBuffer final : public DirectSoundSecondaryBuffer8 {
 public:
  explicit RecordingBuffer(std::shared_ptr<State> state) : state_(std::move(state)) {}

  void SetFX(int32_t effectsCount, const std::vector<DSEFFECTDESC>& effects,
             std::vector<int32_t>& resultCodes) override {
    std::string call = "buffer.SetFX(" + Text(effectsCount);
    for (int32_t i = 0; i < effectsCount && static_cast<size_t>(i) < effects.size(); ++i)
      call += ", " + effects[i].guidDSFXClass;
    state_->Record(call + ")");
    if (effectsCount < 0 || static_cast<size_t>(effectsCount) > effects.size())
      basic::Raise(basic::err::InvalidCall, "The effect count doesn't match the descriptors");
    resultCodes.assign(effectsCount, DSFXR_LOCSOFTWARE);
    std::vector<std::pair<const EffectClass*, std::shared_ptr<SoundEffect>>> chain;
    for (int32_t i = 0; i < effectsCount; ++i) {
      const EffectClass* c = FindEffectClass(effects[i].guidDSFXClass);
      if (!c) {
        resultCodes[i] = DSFXR_UNKNOWN;
        basic::Raise(basic::err::InvalidCall, "Unknown effect class: " + effects[i].guidDSFXClass);
      }
      chain.emplace_back(c, MakeEffect(state_, *c));
    }
    chain_ = std::move(chain);
  }

  std::shared_ptr<SoundEffect> GetObjectInPath(const std::string& guidObject, int32_t index,
                                               const std::string& iidInterface) override {
    state_->Record(Call("buffer", "GetObjectInPath", guidObject, index, iidInterface));
    int32_t seen = 0;
    for (const auto& [c, effect] : chain_) {
      if (c->classGuid != guidObject || seen++ != index) continue;
      if (c->interfaceName != iidInterface)
        basic::Raise(basic::err::InvalidCall, "The effect has no interface " + iidInterface);
      return effect;
    }
    basic::Raise(basic::err::InvalidCall, "No effect " + guidObject + " in the chain");
  }

 private:
  std::shared_ptr<State> state_;
  std::vector<std::pair<const EffectClass*, std::shared_ptr<SoundEffect>>> chain_;
};

class RecordingAudioPath final : public DirectMusicAudioPath8 {
 public:
  explicit RecordingAudioPath(std::shared_ptr<State> state)
      : state_(state), buffer_(std::make_shared<RecordingBuffer>(state)) {}

  void Activate(bool active) override { state_->Record(Call("audiopath", "Activate", active)); }

  std::shared_ptr<DirectSoundSecondaryBuffer8> GetObjectInPath(int32_t pChannel, int32_t stage, int32_t buffer,
                                                               const std::string& guidObject, int32_t index,
                                                               const std::string& iidInterface) override {
    state_->Record(Call("audiopath", "GetObjectInPath", pChannel, stage, buffer, guidObject, index, iidInterface));
    CheckBufferRequest(pChannel, stage, buffer, guidObject, index, iidInterface);
    return buffer_;
  }

 private:
  std::shared_ptr<State> state_;
  std::shared_ptr<RecordingBuffer> buffer_;
};

class RecordingSegment final : public DirectMusicSegment8 {
 public:
  RecordingSegment(std::shared_ptr<State> state, std::string name) : name(std::move(name)), state_(std::move(state)) {}
  void SetStandardMidiFile() override { state_->Record(Call(name, "SetStandardMidiFile")); }
  void SetRepeats(int32_t repeats) override {
    state_->Record(Call(name, "SetRepeats", repeats));
    if (repeats < -1) basic::Raise(basic::err::InvalidCall, "A repeat count below -1");
  }

  const std::string name;

 private:
  std::shared_ptr<State> state_;
};

std::string Name(const std::shared_ptr<DirectMusicSegment8>& segment) {
  if (!segment) return "none";
  auto* s = dynamic_cast<RecordingSegment*>(segment.get());
  return s ? s->name : "foreign";
}

class RecordingLoader final : public DirectMusicLoader8 {
 public:
  explicit RecordingLoader(std::shared_ptr<State> state) : state_(std::move(state)) {}
  std::shared_ptr<DirectMusicSegment8> LoadSegment(const std::string& fileName) override {
    state_->Record(Call("loader", "LoadSegment", fileName));
    auto bytes = ReadFileBytes(fileName);
    ReadMidiFile(bytes.data(), bytes.size());
    state_->loaded.push_back({fileName, std::move(bytes)});
    return std::make_shared<RecordingSegment>(state_, "segment" + std::to_string(++state_->segments));
  }

 private:
  std::shared_ptr<State> state_;
};

class RecordingPerformance final : public DirectMusicPerformance8 {
 public:
  explicit RecordingPerformance(std::shared_ptr<State> state)
      : state_(std::move(state)), self_(std::make_shared<State::PerformanceState>()) {
    state_->performances.push_back(self_);
  }

  void InitAudio(int64_t, int32_t flags, DMUS_AUDIOPARAMS& audioParams, void*, int32_t defaultPathType,
                 int32_t channelCount) override {
    state_->Record(Call("performance", "InitAudio", flags, defaultPathType, channelCount));
    path_ = std::make_shared<RecordingAudioPath>(state_);
    audioParams.lSampleRate = kSampleRate;
  }
  void SetMasterAutoDownload(bool enable) override {
    state_->Record(Call("performance", "SetMasterAutoDownload", enable));
  }
  void AddNotificationType(int32_t type) override {
    state_->Record(Call("performance", "AddNotificationType", type));
    if (type == DMUS_NOTIFY_ON_SEGMENT) self_->segmentNotify = true;
  }
  void RemoveNotificationType(int32_t type) override {
    state_->Record(Call("performance", "RemoveNotificationType", type));
    if (type == DMUS_NOTIFY_ON_SEGMENT) self_->segmentNotify = false;
  }
  void SetNotificationHandle(int32_t eventHandle) override {
    state_->Record(Call("performance", "SetNotificationHandle", eventHandle));
    self_->eventHandle = eventHandle;
  }
  bool GetNotificationPMSG(DMUS_NOTIFICATION_PMSG& message) override {
    state_->Record(Call("performance", "GetNotificationPMSG"));
    if (self_->queued == 0) return false;
    --self_->queued;
    message.guidNotificationType = "GUID_NOTIFICATION_SEGMENT";
    message.lNotificationOption = DMUS_NOTIFICATION_SEGSTART;
    message.ctTime = static_cast<int32_t>(static_cast<uint32_t>(state_->clock.NowMs()));
    return true;
  }
  void SetMasterVolume(int32_t volume) override { state_->Record(Call("performance", "SetMasterVolume", volume)); }
  void StopEx(const std::shared_ptr<DirectMusicSegment8>& segment, int64_t stopTime, int32_t flags) override {
    state_->Record(Call("performance", "StopEx", Name(segment), stopTime, flags));
  }
  void PlaySegmentEx(const std::shared_ptr<DirectMusicSegment8>& segment, int32_t flags, int64_t startTime,
                     const std::shared_ptr<DirectMusicSegment8>& from,
                     const std::shared_ptr<DirectMusicAudioPath8>& audioPath) override {
    state_->Record(Call("performance", "PlaySegmentEx", Name(segment), flags, startTime, Name(from),
                        std::string(audioPath ? "audiopath" : "none")));
    if (!segment) basic::Raise(basic::err::InvalidCall, "No segment to play");
    if (self_->segmentNotify) {
      ++self_->queued;
      if (self_->eventHandle != 0) state_->hub->Signal(self_->eventHandle);
    }
  }
  std::shared_ptr<DirectMusicAudioPath8> GetDefaultAudioPath() override {
    state_->Record(Call("performance", "GetDefaultAudioPath"));
    if (!path_) basic::Raise(basic::err::InvalidCall, "The performance isn't initialised");
    return path_;
  }
  int32_t GetClockTime() override {
    state_->Record(Call("performance", "GetClockTime"));
    return static_cast<int32_t>(static_cast<uint32_t>(state_->clock.NowMs()));
  }

 private:
  std::shared_ptr<State> state_;
  std::shared_ptr<State::PerformanceState> self_;
  std::shared_ptr<RecordingAudioPath> path_;
};

class RecordingDirectX final : public DirectX8 {
 public:
  explicit RecordingDirectX(std::shared_ptr<State> state) : state_(std::move(state)) {}
  std::shared_ptr<DirectMusicPerformance8> DirectMusicPerformanceCreate() override {
    state_->Record(Call("dx", "DirectMusicPerformanceCreate"));
    return std::make_shared<RecordingPerformance>(state_);
  }
  std::shared_ptr<DirectMusicLoader8> DirectMusicLoaderCreate() override {
    state_->Record(Call("dx", "DirectMusicLoaderCreate"));
    return std::make_shared<RecordingLoader>(state_);
  }
  int32_t CreateEvent(DirectXEvent8& handler) override {
    state_->Record(Call("dx", "CreateEvent"));
    return state_->hub->Create(handler);
  }
  void DestroyEvent(int32_t eventHandle) override {
    state_->Record(Call("dx", "DestroyEvent", eventHandle));
    state_->hub->Destroy(eventHandle);
  }
  void DispatchEvents() override { state_->hub->Dispatch(); }
  void SetEventWakeup(std::function<void()> wake) override { state_->hub->SetWakeup(std::move(wake)); }

 private:
  std::shared_ptr<State> state_;
};

}  // namespace

MusicRecorder::MusicRecorder(const basic::Clock& clock) : state_(std::make_shared<State>(clock)) {}
MusicRecorder::~MusicRecorder() = default;

std::shared_ptr<DirectX8> MusicRecorder::CreateDirectX8() { return std::make_shared<RecordingDirectX>(state_); }

const std::vector<std::string>& MusicRecorder::Calls() const { return state_->calls; }
void MusicRecorder::ClearCalls() { state_->calls.clear(); }

void MusicRecorder::FailOn(const std::string& callPrefix, int number) { state_->failures.emplace_back(callPrefix, number); }
void MusicRecorder::ClearFailures() { state_->failures.clear(); }

const std::vector<MusicRecorder::LoadedFile>& MusicRecorder::LoadedFiles() const { return state_->loaded; }

void MusicRecorder::SignalNotification(bool queue) {
  for (const auto& weak : state_->performances)
    if (auto p = weak.lock()) {
      if (queue) ++p->queued;
      if (p->eventHandle != 0) state_->hub->Signal(p->eventHandle);
    }
}

}  // namespace music

// The real platform objects, on SynthEngine.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/basic/basic.h"
#include "platform/basic/clock.h"
#include "platform/music/dsp.h"
#include "platform/music/music.h"
#include "platform/music/synth_engine.h"

namespace music {

namespace {

[[noreturn]] void Invalid(const std::string& why) { basic::Raise(basic::err::InvalidCall, why); }

// --- Effects ------------------------------------------------------------------------------

// Parameters pass from the window thread to the audio thread through a slot; the audio thread
// takes them at the start of a block, or a block later if the window thread holds the slot.
template <class Interface, class Record, class Processor>
class SynthEffect final : public Interface, public ChainEffect {
 public:
  template <class... Args>
  SynthEffect(const EffectClass& c, const Record& initial, Args&&... args)
      : ChainEffect(c), processor_(std::forward<Args>(args)...), current_(initial) {
    processor_.Configure(initial);
  }

  void SetAllParameters(const Record& params) override {
    Validate(params);
    std::lock_guard lock(mutex_);
    // The same parameters again change nothing: the effect sounds on as it was.
    if (std::memcmp(&params, &current_, sizeof params) == 0 && !dirty_.load(std::memory_order_relaxed)) return;
    pending_ = params;
    current_ = params;
    dirty_.store(true, std::memory_order_release);
  }

  void Process(float* left, float* right, int frames) override {
    if (dirty_.load(std::memory_order_acquire)) {
      std::unique_lock lock(mutex_, std::try_to_lock);
      if (lock.owns_lock()) {
        Record params = pending_;
        dirty_.store(false, std::memory_order_relaxed);
        lock.unlock();
        processor_.Configure(params);
      }
    }
    processor_.Process(left, right, frames);
  }

  bool Silent() const override { return processor_.Silent(); }

 private:
  Processor processor_;
  std::mutex mutex_;
  Record current_{};  // the parameters last handed over
  Record pending_{};
  std::atomic<bool> dirty_{false};
};

std::shared_ptr<ChainEffect> MakeEffect(const EffectClass& c) {
  switch (c.kind) {
    case EffectKind::Distortion:
      return std::make_shared<SynthEffect<DirectSoundFXDistortion8, DSFXDISTORTION, dsp::Distortion>>(
          c, InitialDistortion());
    case EffectKind::Echo:
      return std::make_shared<SynthEffect<DirectSoundFXEcho8, DSFXECHO, dsp::Echo>>(c, InitialEcho());
    case EffectKind::Chorus:
      return std::make_shared<SynthEffect<DirectSoundFXChorus8, DSFXCHORUS, dsp::ModulatedDelay>>(
          c, InitialChorus(), 20.0);
    case EffectKind::Flanger:
      return std::make_shared<SynthEffect<DirectSoundFXFlanger8, DSFXFLANGER, dsp::ModulatedDelay>>(
          c, InitialFlanger(), 4.0);
    case EffectKind::Compressor:
      return std::make_shared<SynthEffect<DirectSoundFXCompressor8, DSFXCOMPRESSOR, dsp::Compressor>>(
          c, InitialCompressor());
    case EffectKind::Gargle:
      return std::make_shared<SynthEffect<DirectSoundFXGargle8, DSFXGARGLE, dsp::Gargle>>(c, InitialGargle());
    case EffectKind::ParamEq:
      return std::make_shared<SynthEffect<DirectSoundFXParamEq8, DSFXPARAMEQ, dsp::ParamEq>>(c, InitialParamEq());
    case EffectKind::WavesReverb:
      return std::make_shared<SynthEffect<DirectSoundFXWavesReverb8, DSFXWAVESREVERB, dsp::WavesReverb>>(
          c, InitialWavesReverb());
  }
  Invalid("Unknown effect");
}

// --- Buffer and audio path ----------------------------------------------------------------

class SynthBuffer final : public DirectSoundSecondaryBuffer8 {
 public:
  explicit SynthBuffer(std::shared_ptr<SynthEngine> engine) : engine_(std::move(engine)) {}

  void SetFX(int32_t effectsCount, const std::vector<DSEFFECTDESC>& effects,
             std::vector<int32_t>& resultCodes) override {
    if (effectsCount < 0 || static_cast<size_t>(effectsCount) > effects.size())
      Invalid("The effect count doesn't match the descriptors");
    resultCodes.assign(effectsCount, DSFXR_LOCSOFTWARE);
    std::vector<const EffectClass*> classes;
    std::string unknown;
    for (int32_t i = 0; i < effectsCount; ++i) {
      const EffectClass* c = FindEffectClass(effects[i].guidDSFXClass);
      if (!c) {
        resultCodes[i] = DSFXR_UNKNOWN;
        if (unknown.empty()) unknown = effects[i].guidDSFXClass;
      }
      classes.push_back(c);
    }
    if (!unknown.empty()) Invalid("Unknown effect class: " + unknown);
    // A chain is emptied and set again before every play and key. An effect that was in the
    // last chain set (and in the chain of the last play) is kept, with its delay lines and its
    // tail, rather than made anew.
    std::vector<std::shared_ptr<ChainEffect>> chain;
    for (const EffectClass* c : classes) {
      auto reused = std::find_if(sounding_.begin(), sounding_.end(),
                                 [c](const auto& e) { return e && &e->effectClass == c; });
      if (reused != sounding_.end()) {
        chain.push_back(std::move(*reused));
      } else {
        chain.push_back(MakeEffect(*c));
      }
    }
    if (!chain.empty()) sounding_ = chain;
    chain_ = chain;
    auto old = engine_->SwapChain(std::move(chain));  // released here, off the audio thread
  }

  std::shared_ptr<SoundEffect> GetObjectInPath(const std::string& guidObject, int32_t index,
                                               const std::string& iidInterface) override {
    int32_t seen = 0;
    for (const auto& effect : chain_) {
      if (effect->effectClass.classGuid != guidObject) continue;
      if (seen++ != index) continue;
      if (effect->effectClass.interfaceName != iidInterface) Invalid("The effect has no interface " + iidInterface);
      return effect;
    }
    Invalid("No effect " + guidObject + " in the chain");
  }

  // A play starts with the chain set last: an effect that plays without it comes back new,
  // from silence, rather than with the tail it had before.
  void Started() { sounding_ = chain_; }

 private:
  std::shared_ptr<SynthEngine> engine_;
  std::vector<std::shared_ptr<ChainEffect>> chain_;     // the window thread's view of the chain
  // The last chain that was not empty, less what the last play went without.
  std::vector<std::shared_ptr<ChainEffect>> sounding_;
};

class SynthAudioPath final : public DirectMusicAudioPath8 {
 public:
  explicit SynthAudioPath(std::shared_ptr<SynthEngine> engine)
      : engine_(engine), buffer_(std::make_shared<SynthBuffer>(engine)) {}

  void Activate(bool active) override { engine_->SetActive(active); }

  std::shared_ptr<DirectSoundSecondaryBuffer8> GetObjectInPath(int32_t pChannel, int32_t stage, int32_t buffer,
                                                               const std::string& guidObject, int32_t index,
                                                               const std::string& iidInterface) override {
    CheckBufferRequest(pChannel, stage, buffer, guidObject, index, iidInterface);
    return buffer_;
  }

  SynthBuffer& Buffer() { return *buffer_; }

 private:
  std::shared_ptr<SynthEngine> engine_;
  std::shared_ptr<SynthBuffer> buffer_;
};

// --- Segment and loader -------------------------------------------------------------------

class SynthSegment final : public DirectMusicSegment8 {
 public:
  explicit SynthSegment(std::shared_ptr<const MidiSong> song) : song(std::move(song)) {}
  void SetStandardMidiFile() override { standardMidi = true; }
  void SetRepeats(int32_t repeats) override {
    if (repeats < -1) Invalid("A repeat count below -1");
    this->repeats = repeats;
  }

  std::shared_ptr<const MidiSong> song;
  bool standardMidi = false;
  int32_t repeats = 0;
};

class SynthLoader final : public DirectMusicLoader8 {
 public:
  std::shared_ptr<DirectMusicSegment8> LoadSegment(const std::string& fileName) override {
    return std::make_shared<SynthSegment>(std::make_shared<const MidiSong>(LoadMidiFile(fileName)));
  }
};

SynthSegment& Ours(const std::shared_ptr<DirectMusicSegment8>& segment) {
  auto* s = dynamic_cast<SynthSegment*>(segment.get());
  if (!s) Invalid("Not a segment of this loader");
  return *s;
}

// --- Performance --------------------------------------------------------------------------

class SynthPerformance final : public DirectMusicPerformance8 {
 public:
  SynthPerformance(const basic::Clock& clock, std::shared_ptr<EventHub> hub, MusicOptions options)
      : clock_(clock), hub_(std::move(hub)), options_(std::move(options)) {}

  void InitAudio(int64_t, int32_t, DMUS_AUDIOPARAMS& audioParams, void* directSound, int32_t defaultPathType,
                 int32_t channelCount) override {
    if (engine_) Invalid("The performance is already initialised");
    if (directSound) Invalid("No sound object of another kind can be used");
    if (defaultPathType != DMUS_APATH_SHARED_STEREOPLUSREVERB && defaultPathType != DMUS_APATH_DYNAMIC_STEREO)
      Invalid("Unsupported audio path type");
    if (channelCount < 0) Invalid("A negative channel count");
    SynthEngine::Config config;
    config.soundFont = FindSoundFont(options_.soundFonts);
    config.output = options_.output;
    config.reverb = defaultPathType == DMUS_APATH_SHARED_STEREOPLUSREVERB;
    // A failed load wakes the dispatching thread, which asks SoundFontFailure why.
    config.loadFailed = [hub = hub_] { hub->Wake(); };
    engine_ = std::make_shared<SynthEngine>(config);
    engine_->SetVolume(volume_);
    UpdateNotifications();
    path_ = std::make_shared<SynthAudioPath>(engine_);
    audioParams.lValidData = 7;  // features, voices and sample rate are filled in
    audioParams.lSampleRate = kSampleRate;
    audioParams.lVoices = 256;
  }

  void SetMasterAutoDownload(bool enable) override { autoDownload_ = enable; }

  void AddNotificationType(int32_t type) override {
    if (type < 1 || type > DMUS_NOTIFY_ON_SEGMENT) Invalid("Unknown notification type");
    if (type == DMUS_NOTIFY_ON_SEGMENT) segmentNotify_ = true;
    UpdateNotifications();
  }

  void RemoveNotificationType(int32_t type) override {
    if (type == DMUS_NOTIFY_ON_SEGMENT) segmentNotify_ = false;
    UpdateNotifications();
  }

  void SetNotificationHandle(int32_t eventHandle) override {
    eventHandle_ = eventHandle;
    UpdateNotifications();
  }

  bool GetNotificationPMSG(DMUS_NOTIFICATION_PMSG& message) override {
    int32_t option;
    int64_t framesAgo;
    if (!engine_ || !engine_->PopNotification(option, framesAgo)) return false;
    message.guidNotificationType = "GUID_NOTIFICATION_SEGMENT";
    message.lNotificationOption = option;
    message.ctTime = static_cast<int32_t>(static_cast<uint32_t>(clock_.NowMs() - framesAgo * 1000 / kSampleRate));
    return true;
  }

  void SetMasterVolume(int32_t volume) override {
    volume_ = std::pow(10.0, std::clamp(volume, -10000, 0) / 2000.0);
    if (engine_) engine_->SetVolume(volume_);
  }

  void StopEx(const std::shared_ptr<DirectMusicSegment8>& segment, int64_t stopTime, int32_t flags) override {
    Engine();
    if (stopTime != 0 || flags != 0) Invalid("Only an immediate stop is supported");
    engine_->Stop(segment ? Ours(segment).song.get() : nullptr);
  }

  void PlaySegmentEx(const std::shared_ptr<DirectMusicSegment8>& segment, int32_t flags, int64_t startTime,
                     const std::shared_ptr<DirectMusicSegment8>& from,
                     const std::shared_ptr<DirectMusicAudioPath8>& audioPath) override {
    Engine();
    if (!segment) Invalid("No segment to play");
    SynthSegment& s = Ours(segment);
    if (flags != 0 && flags != DMUS_SEGF_DEFAULT) Invalid("Unsupported segment flags");
    if (startTime != 0) Invalid("Only an immediate start is supported");
    if (audioPath && audioPath != path_) Invalid("Only the default audio path plays");
    if (from) engine_->Stop(Ours(from).song.get());
    path_->Buffer().Started();
    engine_->Play(s.song, s.repeats, s.standardMidi);
  }

  std::shared_ptr<DirectMusicAudioPath8> GetDefaultAudioPath() override {
    Engine();
    return path_;
  }

  int32_t GetClockTime() override { return static_cast<int32_t>(static_cast<uint32_t>(clock_.NowMs())); }

  SynthEngine& Engine() {
    if (!engine_) Invalid("The performance isn't initialised");
    return *engine_;
  }
  SynthEngine* EngineOrNull() { return engine_.get(); }

 private:
  void UpdateNotifications() {
    if (engine_) engine_->SetNotifications(segmentNotify_, hub_, eventHandle_);
  }

  const basic::Clock& clock_;
  std::shared_ptr<EventHub> hub_;
  MusicOptions options_;
  std::shared_ptr<SynthEngine> engine_;
  std::shared_ptr<SynthAudioPath> path_;
  double volume_ = 1;
  bool autoDownload_ = false;
  bool segmentNotify_ = false;
  int32_t eventHandle_ = 0;
};

// --- Root ---------------------------------------------------------------------------------

class SynthDirectX final : public DirectX8 {
 public:
  SynthDirectX(const basic::Clock& clock, MusicOptions options) : clock_(clock), options_(std::move(options)) {}

  std::shared_ptr<DirectMusicPerformance8> DirectMusicPerformanceCreate() override {
    return std::make_shared<SynthPerformance>(clock_, hub_, options_);
  }
  std::shared_ptr<DirectMusicLoader8> DirectMusicLoaderCreate() override { return std::make_shared<SynthLoader>(); }
  int32_t CreateEvent(DirectXEvent8& handler) override { return hub_->Create(handler); }
  void SetEventWakeup(std::function<void()> wake) override { hub_->SetWakeup(std::move(wake)); }
  void DestroyEvent(int32_t eventHandle) override { hub_->Destroy(eventHandle); }
  void DispatchEvents() override { hub_->Dispatch(); }

 private:
  const basic::Clock& clock_;
  MusicOptions options_;
  std::shared_ptr<EventHub> hub_ = std::make_shared<EventHub>();
};

}  // namespace

std::shared_ptr<DirectX8> CreateDirectX8(const basic::Clock& clock, MusicOptions options) {
  return std::make_shared<SynthDirectX>(clock, std::move(options));
}

std::vector<float> RenderOffline(DirectMusicPerformance8& performance, int frames) {
  auto* p = dynamic_cast<SynthPerformance*>(&performance);
  if (!p || !p->EngineOrNull() || !p->EngineOrNull()->Offline())
    Invalid("Only an initialised offline performance renders on request");
  if (frames < 0) Invalid("A negative frame count");
  std::vector<float> left(frames), right(frames), out(2 * static_cast<size_t>(frames));
  p->Engine().Render(left.data(), right.data(), frames);
  for (int i = 0; i < frames; ++i) {
    out[2 * i] = left[i];
    out[2 * i + 1] = right[i];
  }
  return out;
}

std::string OutputName(DirectMusicPerformance8& performance) {
  auto* p = dynamic_cast<SynthPerformance*>(&performance);
  return p && p->EngineOrNull() ? p->EngineOrNull()->OutputName() : std::string();
}

std::optional<SoundFontError> SoundFontFailure(DirectMusicPerformance8& performance) {
  auto* p = dynamic_cast<SynthPerformance*>(&performance);
  if (!p || !p->EngineOrNull()) return std::nullopt;
  std::string reason = p->EngineOrNull()->LoadFailure();
  if (reason.empty()) return std::nullopt;
  return SoundFontError{p->EngineOrNull()->SoundFontPath(), std::move(reason)};
}

int64_t RenderedFrames(DirectMusicPerformance8& performance) {
  auto* p = dynamic_cast<SynthPerformance*>(&performance);
  return p && p->EngineOrNull() ? p->EngineOrNull()->RenderedFrames() : 0;
}

}  // namespace music

// The FluidSynth side of the platform: one synthesizer with a General MIDI SoundFont, a player
// of loaded songs on the synthesizer's 64-frame grid, the effect chain, master volume and the
// output (a sound device, a silent real-time thread, or offline rendering on request).
//
// The SoundFont loads on a thread of its own, so the window need not wait for it: what needs
// the synthesizer (a play, the output's name, offline rendering) waits for the load instead.
// Control calls come from the window thread and only take a short lock; Render runs on the
// output's thread under the same lock, never allocates and never releases the last reference
// to anything (songs and chains are swapped and released on the window thread). Nothing
// renders while nothing sounds: the output rests until the next play.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/music/effect_params.h"
#include "platform/music/event_hub.h"
#include "platform/music/midi_file.h"
#include "platform/music/music.h"
#include "platform/music/output.h"

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;

namespace music {

// An effect as the chain holds it: parameters come from the window thread, processing runs
// on the audio thread.
class ChainEffect : public virtual SoundEffect {
 public:
  explicit ChainEffect(const EffectClass& c) : effectClass(c) {}
  const EffectClass& effectClass;
  virtual void Process(float* left, float* right, int frames) = 0;
  // Audio thread: the effect's delay lines and filters hold nothing audible any more.
  virtual bool Silent() const = 0;
};

// The SoundFonts to try when the options name none.
std::vector<std::string> DefaultSoundFonts();
// The first of `candidates` that is a whole SoundFont file (its RIFF sizes agree with the file);
// raises (file not found) with every place looked at, and what is wrong with those that are
// there, in its description when there is none.
std::string FindSoundFont(const std::vector<std::string>& candidates);

class SynthEngine final : public OutputSource {
 public:
  static constexpr int kBlock = 64;  // the synthesizer's own block; events start on its edges
  static constexpr int kChannels = 16;

  struct Config {
    std::string soundFont;  // an existing file (FindSoundFont)
    OutputMode output = OutputMode::Device;
    bool reverb = true;
    // Called on the loading thread when the SoundFont could not be loaded (LoadFailure says why).
    std::function<void()> loadFailed;
  };
  // Starts making the synthesizer, loading the SoundFont and opening the output; returns at
  // once. A synthesizer or SoundFont that fails there leaves everything silent.
  explicit SynthEngine(const Config& config);
  ~SynthEngine() override;
  SynthEngine(const SynthEngine&) = delete;
  SynthEngine& operator=(const SynthEngine&) = delete;

  // Waits for the load and the output; "" for a SoundFont that could not be loaded (everything
  // is silent then).
  const std::string& OutputName();
  // Why the SoundFont could not be loaded; "" while it loads and once it has loaded. Doesn't wait.
  std::string LoadFailure();
  const std::string& SoundFontPath() const { return soundFontPath_; }
  bool Offline() const { return offline_; }
  // Frames the synthesizer has rendered so far.
  int64_t RenderedFrames() const { return rendered_.load(std::memory_order_relaxed); }

  // Audio thread (or the caller, offline: it waits for the load first).
  void Render(float* left, float* right, int frames) override;
  void RenderUnscaled(float* left, float* right, int frames) override;
  float MasterGain() const override { return static_cast<float>(volumeTarget_.load(std::memory_order_relaxed)); }
  bool Idle() const override { return idle_.load(std::memory_order_acquire); }
  void BeginNewSound() override;

  // Window thread. Play waits for the SoundFont (not for the output), and for the samples of
  // the song's instruments.
  void Play(std::shared_ptr<const MidiSong> song, int32_t repeats, bool standardMidi);
  void Stop(const MidiSong* song);  // nullptr stops whatever plays
  void SetVolume(double gain);
  void SetActive(bool active);
  // Puts `chain` in place and hands back the old one, to be released by the caller.
  std::vector<std::shared_ptr<ChainEffect>> SwapChain(std::vector<std::shared_ptr<ChainEffect>> chain);
  void SetNotifications(bool segment, std::shared_ptr<EventHub> hub, int32_t handle);
  // The oldest queued notification and how many frames ago it was queued.
  bool PopNotification(int32_t& option, int64_t& framesAgo);

 private:
  struct Pending {
    std::shared_ptr<const MidiSong> song;
    int32_t repeats = 0;
    bool standardMidi = false;
    bool valid = false;
    bool held = false;  // until the output begins the new sound
  };
  struct Player {
    std::shared_ptr<const MidiSong> song;
    bool playing = false;
    int64_t position = 0;  // frames into the current pass at the start of the next block
    size_t next = 0;
    int32_t repeatsLeft = 0;
  };
  struct Notification {
    int32_t option;
    int64_t frame;
  };

  bool MakeSynth(const Config& config);
  void Load(const Config& config);
  void OpenOutput(const Config& config);
  void WaitReady();
  void WaitLoaded();
  template <bool kScaled>
  void RenderFrames(float* left, float* right, int frames);
  void WakeOutput(bool replace);
  void PinInstruments(const MidiSong& song);
  void Pin(int bank, int program);
  void RenderBlock();
  void Advance();
  void Send(const MidiEvent& e);
  void ReleaseAll();
  void ResetChannels();
  void Notify(int32_t option);

  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  int soundFontId_ = -1;  // -1 until loaded (or when the load failed)
  std::unique_ptr<Output> output_;
  std::string outputName_;
  std::string soundFontPath_;
  bool reverb_;
  bool offline_;

  // The load: the thread, whether the synthesizer and its SoundFont are in (then everything above
  // but the output is set for good), and whether the output is open too.
  std::thread loader_;
  std::mutex loadMutex_;
  std::condition_variable loadDone_;
  bool synthReady_ = false;
  bool loaded_ = false;
  std::string loadFailure_;
  std::atomic<bool> ready_{false};
  std::mutex outputMutex_;  // output_ while the loader may still be opening it

  std::set<int> pinned_;  // bank * 128 + program, window thread

  std::mutex mutex_;  // everything below, except the atomics
  Pending pending_;
  Player player_;
  bool stopRequested_ = false;
  std::vector<std::shared_ptr<ChainEffect>> chain_;
  std::array<float, kBlock> blockLeft_{}, blockRight_{};    // after the chain
  std::array<float, kBlock> scaledLeft_{}, scaledRight_{};  // after the master volume and the clip
  int blockPos_ = kBlock;  // frames of the current block already handed out
  int64_t frame_ = 0;      // frames rendered by the synthesizer
  int64_t quietFrames_ = 0;
  double volume_ = 1;      // gain reached at the end of the last block
  std::array<Notification, 64> notes_{};
  size_t noteHead_ = 0, noteCount_ = 0;
  bool segmentNotify_ = false;
  std::shared_ptr<EventHub> hub_;
  int32_t eventHandle_ = 0;

  std::atomic<double> volumeTarget_{1.0};
  std::atomic<bool> active_{true};
  std::atomic<bool> idle_{true};
  std::atomic<bool> holdPlays_{false};  // the output writes new sounds over its queue
  std::atomic<int64_t> rendered_{0};
};

}  // namespace music

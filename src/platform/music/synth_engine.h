// The FluidSynth side of the platform: one synthesizer with a General MIDI SoundFont, a player
// of loaded songs on the synthesizer's 64-frame grid, the effect chain, master volume and the
// output (a sound device, a silent real-time thread, or offline rendering on request).
//
// Control calls come from the window thread and only take a short lock; Render runs on the
// output's thread under the same lock, never allocates and never releases the last reference
// to anything (songs and chains are swapped and released on the window thread).
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/music/effect_params.h"
#include "platform/music/event_hub.h"
#include "platform/music/midi_file.h"
#include "platform/music/music.h"

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_audio_driver_t fluid_audio_driver_t;

namespace music {

// An effect as the chain holds it: parameters come from the window thread, processing runs
// on the audio thread.
class ChainEffect : public virtual SoundEffect {
 public:
  explicit ChainEffect(const EffectClass& c) : effectClass(c) {}
  const EffectClass& effectClass;
  virtual void Process(float* left, float* right, int frames) = 0;
};

// The SoundFonts to try when the options name none.
std::vector<std::string> DefaultSoundFonts();

class SynthEngine {
 public:
  static constexpr int kBlock = 64;  // the synthesizer's own block; events start on its edges
  static constexpr int kChannels = 16;

  struct Config {
    std::vector<std::string> soundFonts;
    OutputMode output = OutputMode::Device;
    bool reverb = true;
  };
  // Raises when no SoundFont loads or the synthesizer can't be made.
  explicit SynthEngine(const Config& config);
  ~SynthEngine();
  SynthEngine(const SynthEngine&) = delete;
  SynthEngine& operator=(const SynthEngine&) = delete;

  const std::string& OutputName() const { return outputName_; }
  bool Offline() const { return outputName_ == "offline"; }

  // Audio thread (or the caller, offline).
  void Render(float* left, float* right, int frames);

  // Window thread.
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

  void StartOutput(OutputMode mode);
  void StopOutput();
  void SilentLoop();
  void RenderBlock();
  void Advance();
  void Send(const MidiEvent& e);
  void ReleaseAll();
  void ResetChannels();
  void Notify(int32_t option);
  static int DriverCallback(void* data, int len, int nfx, float* fx[], int nout, float* out[]);

  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  fluid_audio_driver_t* driver_ = nullptr;
  std::string outputName_;
  bool reverb_;

  std::mutex mutex_;  // everything below, except the atomics
  Pending pending_;
  Player player_;
  bool stopRequested_ = false;
  std::vector<std::shared_ptr<ChainEffect>> chain_;
  std::array<float, kBlock> blockLeft_{}, blockRight_{};
  int blockPos_ = kBlock;  // frames of the current block already handed out
  int64_t frame_ = 0;      // frames rendered by the synthesizer
  double volume_ = 1;      // gain reached at the end of the last block
  std::array<Notification, 64> notes_{};
  size_t noteHead_ = 0, noteCount_ = 0;
  bool segmentNotify_ = false;
  std::shared_ptr<EventHub> hub_;
  int32_t eventHandle_ = 0;

  std::atomic<double> volumeTarget_{1.0};
  std::atomic<bool> active_{true};

  // The silent output.
  std::thread silent_;
  std::mutex silentMutex_;
  std::condition_variable silentWake_;
  bool silentStop_ = false;
};

}  // namespace music

#include "platform/music/synth_engine.h"

#include <dlfcn.h>
#include <fluidsynth.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#define STAVELARK_HAS_MXCSR 1
#endif

#include "platform/basic/basic.h"

namespace music {

namespace {

constexpr int kPeriodFrames = 256;
constexpr int kPeriods = 3;
constexpr int kReverbSend = 40;  // every channel's reverb send on the path with reverb

// Denormal numbers in decaying feedback loops cost a lot of time; flush them to zero while
// rendering and restore the caller's mode afterwards.
class DenormalsOff {
 public:
#ifdef STAVELARK_HAS_MXCSR
  DenormalsOff() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | 0x8040); }
  ~DenormalsOff() { _mm_setcsr(saved_); }

 private:
  unsigned saved_;
#endif
};

// FluidSynth reports through process-wide log functions; the platform reports failures as
// errors of its own, so the library's messages stay off the terminal.
void QuietFluidSynth() {
  for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level) fluid_set_log_function(level, nullptr, nullptr);
}

// ALSA prints its own complaints (no card, bad configuration) unless given a handler. The
// library is only there as FluidSynth's dependency, so it is reached through the loader.
extern "C" void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

void QuietAlsa() {
  using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
  using SetHandler = int (*)(Handler);
  if (auto set = reinterpret_cast<SetHandler>(dlsym(RTLD_DEFAULT, "snd_lib_error_set_handler"))) set(IgnoreAlsaError);
}

// Connecting to a PulseAudio server that isn't there can start one or wait; only try when its
// socket (or an explicit server) exists.
bool PulseServerPresent() {
  if (const char* server = std::getenv("PULSE_SERVER"); server && *server) return true;
  std::string dir;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
    dir = runtime;
  else
    dir = "/run/user/" + std::to_string(getuid());
  struct stat st;
  return stat((dir + "/pulse/native").c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

bool AlsaDevicesPresent() {
  std::error_code ec;
  return std::filesystem::is_directory("/dev/snd", ec);
}

}  // namespace

std::vector<std::string> DefaultSoundFonts() {
  std::vector<std::string> paths;
  if (const char* env = std::getenv("STAVELARK_SOUNDFONT"); env && *env) paths.emplace_back(env);
  paths.emplace_back("/usr/share/sounds/sf2/default-GM.sf2");
  paths.emplace_back("/usr/share/sounds/sf2/TimGM6mb.sf2");
  return paths;
}

SynthEngine::SynthEngine(const Config& config) : reverb_(config.reverb) {
  QuietFluidSynth();
  settings_ = new_fluid_settings();
  if (!settings_) basic::Raise(basic::err::InvalidCall, "The synthesizer can't be set up");
  fluid_settings_setnum(settings_, "synth.sample-rate", kSampleRate);
  fluid_settings_setint(settings_, "synth.reverb.active", config.reverb ? 1 : 0);
  fluid_settings_setint(settings_, "synth.chorus.active", 1);
  fluid_settings_setint(settings_, "synth.midi-channels", kChannels);
  fluid_settings_setint(settings_, "synth.threadsafe-api", 0);  // only ever called under mutex_
  fluid_settings_setint(settings_, "synth.lock-memory", 0);
  fluid_settings_setint(settings_, "audio.period-size", kPeriodFrames);
  fluid_settings_setint(settings_, "audio.periods", kPeriods);
  fluid_settings_setstr(settings_, "audio.sample-format", "float");
  fluid_settings_setstr(settings_, "audio.pulseaudio.media-role", "");  // else it sets an environment variable

  synth_ = new_fluid_synth(settings_);
  if (!synth_) {
    delete_fluid_settings(settings_);
    basic::Raise(basic::err::InvalidCall, "The synthesizer can't be set up");
  }
  bool loaded = false;
  for (const auto& path : config.soundFonts.empty() ? DefaultSoundFonts() : config.soundFonts) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) continue;
    if (fluid_synth_sfload(synth_, path.c_str(), 1) != FLUID_FAILED) {
      loaded = true;
      break;
    }
  }
  if (!loaded) {
    delete_fluid_synth(synth_);
    delete_fluid_settings(settings_);
    basic::Raise(basic::err::FileNotFound, "No General MIDI SoundFont found");
  }
  ResetChannels();
  StartOutput(config.output);
}

SynthEngine::~SynthEngine() {
  StopOutput();
  delete_fluid_synth(synth_);
  delete_fluid_settings(settings_);
}

// --- Output -------------------------------------------------------------------------------

void SynthEngine::StartOutput(OutputMode mode) {
  if (mode == OutputMode::Offline) {
    outputName_ = "offline";
    return;
  }
  if (mode == OutputMode::Device) {
    QuietAlsa();
    std::vector<const char*> drivers;
    if (PulseServerPresent()) drivers.push_back("pulseaudio");
    if (AlsaDevicesPresent()) drivers.push_back("alsa");
    for (const char* name : drivers) {
      if (fluid_settings_setstr(settings_, "audio.driver", name) != FLUID_OK) continue;
      driver_ = new_fluid_audio_driver2(settings_, &SynthEngine::DriverCallback, this);
      if (driver_) {
        outputName_ = name;
        return;
      }
    }
  }
  outputName_ = "silent";
  silent_ = std::thread([this] { SilentLoop(); });
}

void SynthEngine::StopOutput() {
  if (driver_) {
    delete_fluid_audio_driver(driver_);
    driver_ = nullptr;
  }
  if (silent_.joinable()) {
    {
      std::lock_guard lock(silentMutex_);
      silentStop_ = true;
    }
    silentWake_.notify_all();
    silent_.join();
  }
}

int SynthEngine::DriverCallback(void* data, int len, int, float*[], int nout, float* out[]) {
  if (nout < 2 || len <= 0) return FLUID_OK;
  static_cast<SynthEngine*>(data)->Render(out[0], out[1], len);
  return FLUID_OK;
}

// Renders a period at a time, paced by the steady clock, and throws the sound away.
void SynthEngine::SilentLoop() {
  using Clock = std::chrono::steady_clock;
  const auto period = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(static_cast<double>(kPeriodFrames) / kSampleRate));
  std::array<float, kPeriodFrames> left, right;
  auto due = Clock::now();
  for (;;) {
    {
      std::unique_lock lock(silentMutex_);
      if (silentWake_.wait_until(lock, due, [this] { return silentStop_; })) return;
    }
    Render(left.data(), right.data(), kPeriodFrames);
    // Like a device, make up at most a buffer's worth of lateness; beyond that the sound
    // would have dropped out, so time goes on from now.
    due += period;
    auto now = Clock::now();
    if (now - due > kPeriods * period) due = now;
  }
}

// --- Rendering (audio thread) -------------------------------------------------------------

void SynthEngine::Render(float* left, float* right, int frames) {
  std::lock_guard lock(mutex_);
  DenormalsOff denormalsOff;
  int done = 0;
  while (done < frames) {
    if (blockPos_ == kBlock) {
      RenderBlock();
      blockPos_ = 0;
    }
    int n = std::min(frames - done, kBlock - blockPos_);
    std::copy_n(blockLeft_.data() + blockPos_, n, left + done);
    std::copy_n(blockRight_.data() + blockPos_, n, right + done);
    blockPos_ += n;
    done += n;
  }
}

void SynthEngine::RenderBlock() {
  if (stopRequested_) {
    stopRequested_ = false;
    if (player_.playing) {
      ReleaseAll();
      player_.playing = false;
      Notify(DMUS_NOTIFICATION_SEGABORT);
    }
  }
  if (pending_.valid) {
    pending_.valid = false;
    if (player_.playing) {
      ReleaseAll();
      Notify(DMUS_NOTIFICATION_SEGABORT);
    }
    // The song that played stays in pending_ until the window thread replaces it there.
    std::swap(player_.song, pending_.song);
    player_.playing = true;
    player_.position = 0;
    player_.next = 0;
    player_.repeatsLeft = pending_.repeats;
    if (pending_.standardMidi) ResetChannels();
    Notify(DMUS_NOTIFICATION_SEGSTART);
  }
  if (player_.playing) Advance();

  fluid_synth_write_float(synth_, kBlock, blockLeft_.data(), 0, 1, blockRight_.data(), 0, 1);
  frame_ += kBlock;

  if (active_.load(std::memory_order_acquire)) {
    for (auto& effect : chain_) effect->Process(blockLeft_.data(), blockRight_.data(), kBlock);
  } else {
    blockLeft_.fill(0);
    blockRight_.fill(0);
  }

  // Master volume, ramped over the block so a change doesn't click, then kept inside full scale.
  double target = volumeTarget_.load(std::memory_order_relaxed);
  double step = (target - volume_) / kBlock;
  for (int i = 0; i < kBlock; ++i) {
    float gain = static_cast<float>(volume_ + step * (i + 1));
    blockLeft_[i] = std::clamp(blockLeft_[i] * gain, -1.0f, 1.0f);
    blockRight_[i] = std::clamp(blockRight_[i] * gain, -1.0f, 1.0f);
  }
  volume_ = target;
}

// Sends the events that fall into the coming block; each starts on the block's first frame.
void SynthEngine::Advance() {
  const MidiSong& song = *player_.song;
  const auto& events = song.events;
  const int64_t length = song.lengthFrames;
  int64_t end = player_.position + kBlock;
  bool wrapped = false;
  for (;;) {
    while (player_.next < events.size() && events[player_.next].frame < end) Send(events[player_.next++]);
    if (player_.next < events.size() || length > end) break;
    bool again = player_.repeatsLeft != 0 && length > 0;
    if (again && wrapped) break;  // a song shorter than a block starts at most one pass per block
    if (!again) {
      ReleaseAll();
      player_.playing = false;
      Notify(DMUS_NOTIFICATION_SEGEND);
      return;
    }
    if (player_.repeatsLeft > 0) --player_.repeatsLeft;
    player_.next = 0;
    end -= length;
    wrapped = true;
    Notify(DMUS_NOTIFICATION_SEGLOOP);
  }
  player_.position = end;
}

void SynthEngine::Send(const MidiEvent& e) {
  int channel = e.status & 0x0F;
  switch (e.status & 0xF0) {
    case 0x80: fluid_synth_noteoff(synth_, channel, e.data1); break;
    case 0x90: fluid_synth_noteon(synth_, channel, e.data1, e.data2); break;
    case 0xA0: fluid_synth_key_pressure(synth_, channel, e.data1, e.data2); break;
    case 0xB0: fluid_synth_cc(synth_, channel, e.data1, e.data2); break;
    case 0xC0: fluid_synth_program_change(synth_, channel, e.data1); break;
    case 0xD0: fluid_synth_channel_pressure(synth_, channel, e.data1); break;
    case 0xE0: fluid_synth_pitch_bend(synth_, channel, e.data1 | (e.data2 << 7)); break;
    case 0xF0:
      if (e.sysexSize > 0)
        fluid_synth_sysex(synth_, reinterpret_cast<const char*>(player_.song->sysex.data() + e.sysexBegin),
                          static_cast<int>(e.sysexSize), nullptr, nullptr, nullptr, 0);
      break;
  }
}

// Every sounding note goes into its release, pedals or not.
void SynthEngine::ReleaseAll() {
  for (int ch = 0; ch < kChannels; ++ch) {
    fluid_synth_cc(synth_, ch, 64, 0);
    fluid_synth_cc(synth_, ch, 66, 0);
    fluid_synth_all_notes_off(synth_, ch);
  }
}

// General MIDI defaults on every channel: controllers reset, bank 0 program 0, volume 100,
// centred pan, and the path's reverb send.
void SynthEngine::ResetChannels() {
  for (int ch = 0; ch < kChannels; ++ch) {
    fluid_synth_cc(synth_, ch, 121, 0);
    fluid_synth_cc(synth_, ch, 0, 0);
    fluid_synth_cc(synth_, ch, 32, 0);
    fluid_synth_program_change(synth_, ch, 0);
    fluid_synth_cc(synth_, ch, 7, 100);
    fluid_synth_cc(synth_, ch, 10, 64);
    fluid_synth_cc(synth_, ch, 11, 127);
    fluid_synth_cc(synth_, ch, 91, reverb_ ? kReverbSend : 0);
    fluid_synth_cc(synth_, ch, 93, 0);
    fluid_synth_pitch_bend(synth_, ch, 8192);
  }
}

void SynthEngine::Notify(int32_t option) {
  if (!segmentNotify_) return;
  if (noteCount_ == notes_.size()) {  // full: the oldest goes
    noteHead_ = (noteHead_ + 1) % notes_.size();
    --noteCount_;
  }
  notes_[(noteHead_ + noteCount_) % notes_.size()] = {option, frame_};
  ++noteCount_;
  if (hub_ && eventHandle_ != 0) hub_->Signal(eventHandle_);
}

// --- Control (window thread) --------------------------------------------------------------

void SynthEngine::Play(std::shared_ptr<const MidiSong> song, int32_t repeats, bool standardMidi) {
  std::shared_ptr<const MidiSong> released;
  {
    std::lock_guard lock(mutex_);
    released = std::move(pending_.song);
    pending_.song = std::move(song);
    pending_.repeats = repeats;
    pending_.standardMidi = standardMidi;
    pending_.valid = true;
  }
}

void SynthEngine::Stop(const MidiSong* song) {
  std::lock_guard lock(mutex_);
  if (pending_.valid && (!song || pending_.song.get() == song)) pending_.valid = false;
  if (player_.playing && (!song || player_.song.get() == song)) stopRequested_ = true;
}

void SynthEngine::SetVolume(double gain) { volumeTarget_.store(gain, std::memory_order_relaxed); }

void SynthEngine::SetActive(bool active) { active_.store(active, std::memory_order_release); }

std::vector<std::shared_ptr<ChainEffect>> SynthEngine::SwapChain(std::vector<std::shared_ptr<ChainEffect>> chain) {
  std::lock_guard lock(mutex_);
  chain_.swap(chain);
  return chain;
}

void SynthEngine::SetNotifications(bool segment, std::shared_ptr<EventHub> hub, int32_t handle) {
  std::shared_ptr<EventHub> released;
  std::lock_guard lock(mutex_);
  segmentNotify_ = segment;
  released = std::move(hub_);
  hub_ = std::move(hub);
  eventHandle_ = handle;
  if (!segment) noteCount_ = 0;
}

bool SynthEngine::PopNotification(int32_t& option, int64_t& framesAgo) {
  std::lock_guard lock(mutex_);
  if (noteCount_ == 0) return false;
  const auto& n = notes_[noteHead_];
  option = n.option;
  framesAgo = frame_ - n.frame;
  noteHead_ = (noteHead_ + 1) % notes_.size();
  --noteCount_;
  return true;
}

}  // namespace music

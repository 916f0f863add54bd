#include "platform/music/synth_engine.h"

#include <dlfcn.h>
#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#define STAVELARK_HAS_MXCSR 1
#endif

#include "platform/basic/basic.h"
#include "platform/music/output_buffering.h"

namespace music {

namespace {

constexpr int kReverbSend = 40;  // every channel's reverb send on the path with reverb
constexpr int kDrumChannel = 9;
constexpr int kDrumBank = 128;
constexpr int64_t kIdleAfterFrames = static_cast<int64_t>(kIdleAfterSeconds * kSampleRate);

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

// FluidSynth reads samples with OpenMP tasks on every core; one thread for the calling thread's
// loads keeps a start-up from taking the whole machine. (The runtime is FluidSynth's, reached
// through the loader.)
void OneSampleThread() {
  using SetThreads = void (*)(int);
  if (auto set = reinterpret_cast<SetThreads>(dlsym(RTLD_DEFAULT, "omp_set_num_threads"))) set(1);
}

constexpr const char* kNotAFile = "not a file";

uint32_t LittleEndian32(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

// Why `path` is no whole SoundFont ("" when it is one): its RIFF "sfbk" header, and its three
// parts (INFO, sdta, pdta) within the size the header gives and the file holds. Only the chunk
// headers are read, so a file cut short (an interrupted copy or download) is told at once
// rather than by the background load failing.
std::string SoundFontDamage(const std::string& path) {
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return kNotAFile;
  const uintmax_t fileSize = std::filesystem::file_size(path, ec);
  std::ifstream in(path, std::ios::binary);
  char head[12] = {};
  if (ec || !in.read(head, sizeof head)) return "not a SoundFont";
  if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "sfbk", 4) != 0) return "not a SoundFont";
  const uintmax_t riffEnd = uintmax_t{8} + LittleEndian32(head + 4);
  if (riffEnd > fileSize)
    return "cut short: it should be " + std::to_string(riffEnd) + " bytes long, it is " + std::to_string(fileSize);
  std::set<std::string> parts;
  for (uintmax_t at = 12; at + 12 <= riffEnd;) {
    char chunk[12] = {};
    if (!in.seekg(static_cast<std::streamoff>(at)) || !in.read(chunk, sizeof chunk)) return "unreadable";
    const uintmax_t end = at + 8 + LittleEndian32(chunk + 4);
    if (end > riffEnd) return "damaged: a part runs past its end";
    if (std::memcmp(chunk, "LIST", 4) == 0) parts.emplace(chunk + 8, 4);
    at = end + (end & 1);
  }
  for (const char* part : {"INFO", "sdta", "pdta"})
    if (!parts.count(part)) return std::string("damaged: its ") + part + " part is missing";
  return {};
}

}  // namespace

std::vector<std::string> DefaultSoundFonts() {
  std::vector<std::string> paths;
  if (const char* env = std::getenv("STAVELARK_SOUNDFONT"); env && *env) paths.emplace_back(env);
  paths.emplace_back("/usr/share/sounds/sf2/default-GM.sf2");
  paths.emplace_back("/usr/share/sounds/sf2/TimGM6mb.sf2");
  return paths;
}

std::string FindSoundFont(const std::vector<std::string>& candidates) {
  const std::vector<std::string> paths = candidates.empty() ? DefaultSoundFonts() : candidates;
  std::string looked, damaged;
  for (const auto& path : paths) {
    const std::string damage = SoundFontDamage(path);
    if (damage.empty()) {
      if (!damaged.empty())
        std::fprintf(stderr, "stavelark: the SoundFont %s; using %s\n", damaged.c_str(), path.c_str());
      return path;
    }
    looked += (looked.empty() ? "" : ", ") + (path.empty() ? std::string("\"\"") : path);
    // A file that is there but broken is named with what is wrong with it.
    if (damage != kNotAFile) {
      looked += " (" + damage + ")";
      if (damaged.empty()) damaged = path + " is " + damage;
    }
  }
  if (candidates.empty()) {
    const char* env = std::getenv("STAVELARK_SOUNDFONT");
    if (!env || !*env) looked += " ($STAVELARK_SOUNDFONT is not set)";
  }
  basic::Raise(basic::err::FileNotFound, "No General MIDI SoundFont found; looked at " + looked);
}

SynthEngine::SynthEngine(const Config& config)
    : soundFontPath_(config.soundFont), reverb_(config.reverb), offline_(config.output == OutputMode::Offline) {
  QuietFluidSynth();
  OneSampleThread();
  loader_ = std::thread([this, config] { Load(config); });
}

// The synthesizer is made on the loading thread too: making its settings probes the sound
// cards, which the window need not wait for either.
bool SynthEngine::MakeSynth(const Config& config) {
  settings_ = new_fluid_settings();
  if (!settings_) return false;
  fluid_settings_setnum(settings_, "synth.sample-rate", kSampleRate);
  fluid_settings_setint(settings_, "synth.reverb.active", config.reverb ? 1 : 0);
  fluid_settings_setint(settings_, "synth.chorus.active", 1);
  fluid_settings_setint(settings_, "synth.midi-channels", kChannels);
  fluid_settings_setint(settings_, "synth.threadsafe-api", 0);  // only ever called under mutex_
  fluid_settings_setint(settings_, "synth.lock-memory", 0);
  // Samples are read for the instruments in use only (pinned before a song plays), so a large
  // SoundFont costs the memory of what is played, not of all it holds.
  fluid_settings_setint(settings_, "synth.dynamic-sample-loading", 1);
  fluid_settings_setstr(settings_, "audio.sample-format", "float");
  fluid_settings_setstr(settings_, "audio.pulseaudio.media-role", "");  // else it sets an environment variable
  synth_ = new_fluid_synth(settings_);
  return synth_ != nullptr;
}

SynthEngine::~SynthEngine() {
  if (loader_.joinable()) loader_.join();
  std::unique_ptr<Output> output;
  {
    std::lock_guard lock(outputMutex_);
    output = std::move(output_);
  }
  output.reset();
  if (synth_) delete_fluid_synth(synth_);
  if (settings_) delete_fluid_settings(settings_);
}

// --- Loading (its own thread) -------------------------------------------------------------

void SynthEngine::Load(const Config& config) {
  OneSampleThread();
  const bool made = MakeSynth(config);
  const int id = made ? fluid_synth_sfload(synth_, config.soundFont.c_str(), 1) : FLUID_FAILED;
  std::string failure;
  if (id != FLUID_FAILED) {
    soundFontId_ = id;
    ResetChannels();
    Pin(0, 0);
    Pin(kDrumBank, 0);
  } else {
    // FluidSynth says only that it failed; what the file looks like now tells more.
    failure = !made ? "the synthesizer could not be made" : SoundFontDamage(config.soundFont);
    if (failure.empty()) failure = "its instruments or samples could not be read";
    std::fprintf(stderr, "stavelark: the SoundFont %s could not be loaded (%s); there will be no sound\n",
                 config.soundFont.c_str(), failure.c_str());
  }
  {
    std::lock_guard lock(loadMutex_);
    synthReady_ = true;
  }
  ready_.store(true, std::memory_order_release);
  loadDone_.notify_all();
  // A play need not wait for the output: what it starts is rendered once the output pulls.
  OpenOutput(config);
  {
    std::lock_guard lock(loadMutex_);
    loaded_ = true;
    loadFailure_ = failure;
  }
  loadDone_.notify_all();
  if (!failure.empty() && config.loadFailed) config.loadFailed();
}

std::string SynthEngine::LoadFailure() {
  std::lock_guard lock(loadMutex_);
  return loadFailure_;
}

void SynthEngine::OpenOutput(const Config& config) {
  if (config.output == OutputMode::Offline) {
    outputName_ = "offline";
    return;
  }
  std::unique_ptr<Output> output;
  std::string name;
  if (config.output == OutputMode::Device && settings_) {
    for (const OutputDriver& driver : DeviceDrivers()) {
      if (!driver.present()) continue;
      output = driver.open(*this, settings_);
      if (output) {
        name = driver.name;
        break;
      }
    }
  }
  if (!output) {
    output = OpenSilentOutput(*this);
    name = "silent";
  }
  std::lock_guard lock(outputMutex_);
  holdPlays_.store(output->WritesOverQueue(), std::memory_order_relaxed);
  output_ = std::move(output);
  outputName_ = name;
  // Something started while the output was opening.
  if (!Idle()) output_->Wake(true);
}

void SynthEngine::WaitReady() {
  if (ready_.load(std::memory_order_acquire)) return;
  std::unique_lock lock(loadMutex_);
  loadDone_.wait(lock, [this] { return synthReady_; });
}

void SynthEngine::WaitLoaded() {
  std::unique_lock lock(loadMutex_);
  loadDone_.wait(lock, [this] { return loaded_; });
}

void SynthEngine::WakeOutput(bool replace) {
  std::lock_guard lock(outputMutex_);
  if (output_) output_->Wake(replace);
}

const std::string& SynthEngine::OutputName() {
  WaitLoaded();
  return outputName_;
}

// The instruments a song selects, read in before it plays, so that no sample is read from the
// SoundFont on the audio thread.
void SynthEngine::PinInstruments(const MidiSong& song) {
  std::array<int, kChannels> bank{};
  bank[kDrumChannel] = kDrumBank;
  for (const MidiEvent& e : song.events) {
    const int channel = e.status & 0x0F;
    if ((e.status & 0xF0) == 0xB0 && e.data1 == 0 && channel != kDrumChannel) bank[channel] = e.data2;
    if ((e.status & 0xF0) == 0xC0) Pin(bank[channel], e.data1);
  }
}

void SynthEngine::Pin(int bank, int program) {
  if (soundFontId_ < 0 || !pinned_.insert(bank * 128 + program).second) return;
  // A bank the SoundFont lacks plays from bank 0 (or the standard drum kit).
  if (fluid_synth_pin_preset(synth_, soundFontId_, bank, program) == FLUID_FAILED)
    fluid_synth_pin_preset(synth_, soundFontId_, bank >= kDrumBank ? kDrumBank : 0, program);
}

// --- Rendering (audio thread) -------------------------------------------------------------

void SynthEngine::Render(float* left, float* right, int frames) { RenderFrames<true>(left, right, frames); }

void SynthEngine::RenderUnscaled(float* left, float* right, int frames) { RenderFrames<false>(left, right, frames); }

template <bool kScaled>
void SynthEngine::RenderFrames(float* left, float* right, int frames) {
  if (offline_) WaitReady();
  if (!ready_.load(std::memory_order_acquire) || soundFontId_ < 0) {
    std::fill_n(left, frames, 0.0f);
    std::fill_n(right, frames, 0.0f);
    return;
  }
  DenormalsOff denormalsOff;
  const float* fromLeft = kScaled ? scaledLeft_.data() : blockLeft_.data();
  const float* fromRight = kScaled ? scaledRight_.data() : blockRight_.data();
  int done = 0;
  while (done < frames) {
    // The lock is taken a block at a time: a play, a stop or a new chain from the window waits
    // for one block, not for all that an output asks for at once (with every effect checked, a
    // 1024-frame request renders for about 2 ms, longer when the machine is busy).
    std::lock_guard lock(mutex_);
    if (blockPos_ == kBlock) {
      RenderBlock();
      blockPos_ = 0;
    }
    int n = std::min(frames - done, kBlock - blockPos_);
    std::copy_n(fromLeft + blockPos_, n, left + done);
    std::copy_n(fromRight + blockPos_, n, right + done);
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
  if (pending_.valid && !pending_.held) {
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
  float peak = 0;
  for (int i = 0; i < kBlock; ++i) {
    float gain = static_cast<float>(volume_ + step * (i + 1));
    scaledLeft_[i] = std::clamp(blockLeft_[i] * gain, -1.0f, 1.0f);
    scaledRight_[i] = std::clamp(blockRight_[i] * gain, -1.0f, 1.0f);
    peak = std::max({peak, std::fabs(scaledLeft_[i]), std::fabs(scaledRight_[i])});
  }
  volume_ = target;
  rendered_.fetch_add(kBlock, std::memory_order_relaxed);

  // Once nothing plays, the output has been quiet for a while and the effects hold nothing
  // more (an echo may be quiet between its repeats), the output may rest until the next play:
  // what rings on would otherwise come back at the start of the next one.
  if (player_.playing || pending_.valid || peak >= kQuietLevel)
    quietFrames_ = 0;
  else
    quietFrames_ += kBlock;
  if (quietFrames_ >= kIdleAfterFrames &&
      std::all_of(chain_.begin(), chain_.end(), [](const auto& effect) { return effect->Silent(); }))
    idle_.store(true, std::memory_order_release);
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
  // One signal per queued notification, so every callback finds one to fetch. When the queue
  // is full (a song far shorter than the time between two fetches) the oldest goes and the new
  // one takes over its signal.
  if (noteCount_ == notes_.size()) {
    notes_[noteHead_] = {option, frame_};
    noteHead_ = (noteHead_ + 1) % notes_.size();
    return;
  }
  notes_[(noteHead_ + noteCount_) % notes_.size()] = {option, frame_};
  ++noteCount_;
  if (hub_ && eventHandle_ != 0) hub_->Signal(eventHandle_);
}

// --- Control (window thread) --------------------------------------------------------------

void SynthEngine::Play(std::shared_ptr<const MidiSong> song, int32_t repeats, bool standardMidi) {
  WaitReady();
  std::shared_ptr<const MidiSong> released;
  {
    std::lock_guard lock(mutex_);
    PinInstruments(*song);
    released = std::move(pending_.song);
    pending_.song = std::move(song);
    pending_.repeats = repeats;
    pending_.standardMidi = standardMidi;
    pending_.valid = true;
    pending_.held = holdPlays_.load(std::memory_order_relaxed);
    quietFrames_ = 0;
    idle_.store(false, std::memory_order_release);
  }
  // A new song replaces what plays: it need not wait behind the sound already queued.
  WakeOutput(true);
}

void SynthEngine::BeginNewSound() {
  std::lock_guard lock(mutex_);
  pending_.held = false;
}

void SynthEngine::Stop(const MidiSong* song) {
  bool stopping = false;
  {
    std::lock_guard lock(mutex_);
    if (pending_.valid && (!song || pending_.song.get() == song)) pending_.valid = false;
    if (player_.playing && (!song || player_.song.get() == song)) stopping = stopRequested_ = true;
  }
  // Stop is heard at once, not after the sound already queued.
  if (stopping) WakeOutput(true);
}

void SynthEngine::SetVolume(double gain) {
  if (volumeTarget_.exchange(gain, std::memory_order_relaxed) == gain) return;
  // Heard at once, not after the sound already queued.
  std::lock_guard lock(outputMutex_);
  if (output_ && !Idle()) output_->GainChanged();
}

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

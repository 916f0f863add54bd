// The sound platform: a performance that plays Standard MIDI Files through a General MIDI
// synthesizer, a loader, segments, the default audio path with its sound buffer and an
// effect chain of eight standard effects on it.
//
// Every object is reached through an abstract class so that a program's tests can put a
// recording fake (recording_music.h) where the real synthesizer (CreateDirectX8) would be.
// All operations are called from one thread (the program's window thread); audio runs on a
// thread of its own. Failures are reported as basic::RuntimeError.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace basic {
class Clock;
}

namespace music {

// Numbers the program passes as arguments.
inline constexpr int32_t DMUS_AUDIOF_ALL = 63;                      // every audio feature
inline constexpr int32_t DMUS_APATH_SHARED_STEREOPLUSREVERB = 1;   // shared stereo path with reverb
inline constexpr int32_t DMUS_APATH_DYNAMIC_STEREO = 8;            // stereo path without reverb
inline constexpr int32_t DMUS_NOTIFY_ON_SEGMENT = 5;               // segment notifications
inline constexpr int32_t DMUS_SEGF_DEFAULT = 16384;                // start on the default boundary
inline constexpr int32_t DMUS_PCHANNEL_ALL = -5;                   // every performance channel
inline constexpr int32_t DMUS_PATH_BUFFER = 0x6000;                // the buffer stage of an audio path

// What a segment notification reports (DMUS_NOTIFICATION_PMSG::lNotificationOption).
inline constexpr int32_t DMUS_NOTIFICATION_SEGSTART = 0;
inline constexpr int32_t DMUS_NOTIFICATION_SEGEND = 1;
inline constexpr int32_t DMUS_NOTIFICATION_SEGLOOP = 3;
inline constexpr int32_t DMUS_NOTIFICATION_SEGABORT = 4;

// Result codes SetFX writes, one per descriptor.
inline constexpr int32_t DSFXR_LOCSOFTWARE = 2;  // the effect runs in software
inline constexpr int32_t DSFXR_UNKNOWN = 5;      // no effect of that class

// The sample rate of everything the platform renders: the rate most devices and sound servers
// run at, so nothing is resampled on the way, and three times the highest equaliser centre the
// effects dialog offers (16 kHz).
inline constexpr int kSampleRate = 48000;

// Audio set-up record of InitAudio: the caller passes it zeroed; InitAudio fills in what it chose.
struct DMUS_AUDIOPARAMS {
  bool fInitNow = false;
  int32_t lValidData = 0;
  int32_t lFeatures = 0;
  int32_t lVoices = 0;
  int32_t lSampleRate = 0;
  std::string clsidDefaultSynth;
};

// A fetched notification.
struct DMUS_NOTIFICATION_PMSG {
  std::string guidNotificationType;  // "GUID_NOTIFICATION_SEGMENT"
  int32_t lNotificationOption = 0;   // DMUS_NOTIFICATION_SEG...
  int32_t ctTime = 0;                // performance clock (milliseconds) when it was queued
};

// One entry of an effect chain: the effect's class-name text, e.g. "GUID_DSFX_STANDARD_ECHO".
struct DSEFFECTDESC {
  int32_t lFlags = 0;
  std::string guidDSFXClass;
  int32_t lReserved1 = 0;
  int32_t lReserved2 = 0;
};

// Parameter records of the eight effects, zeroed like any platform record. SetAllParameters
// refuses a record with any field outside the ranges noted here (or not a number) and keeps
// the effect's previous parameters.
struct DSFXDISTORTION {
  float fGain = 0;                   // -60..0 dB, output gain
  float fEdge = 0;                   // 0..100 %, hardness of the waveshaper
  float fPostEQCenterFrequency = 0;  // 100..8000 Hz
  float fPostEQBandwidth = 0;        // 100..8000 Hz
  float fPreLowpassCutoff = 0;       // 100..8000 Hz
};
struct DSFXECHO {
  float fWetDryMix = 0;   // 0..100 % wet
  float fFeedback = 0;    // 0..100 %
  float fLeftDelay = 0;   // 1..2000 ms
  float fRightDelay = 0;  // 1..2000 ms
  int32_t lPanDelay = 0;  // 0 or 1: successive echoes swap sides
};
struct DSFXCHORUS {
  float fWetDryMix = 0;   // 0..100 % wet
  float fDepth = 0;       // 0..100 %, how far the delay swings
  float fFeedback = 0;    // -99..99 %
  float fFrequency = 0;   // 0..10 Hz, the modulation rate
  int32_t lWaveform = 0;  // 0 triangle, 1 sine
  float fDelay = 0;       // 0..20 ms, the centre delay
  int32_t lPhase = 0;     // 0..4: right channel's modulation phase -180, -90, 0, 90, 180 degrees
};
struct DSFXFLANGER {
  float fWetDryMix = 0;   // 0..100 % wet
  float fDepth = 0;       // 0..100 %
  float fFeedback = 0;    // -99..99 %
  float fFrequency = 0;   // 0..10 Hz
  int32_t lWaveform = 0;  // 0 triangle, 1 sine
  float fDelay = 0;       // 0..4 ms
  int32_t lPhase = 0;     // 0..4 as for the chorus
};
struct DSFXCOMPRESSOR {
  float fGain = 0;       // -60..60 dB, output gain
  float fAttack = 0;     // 0.01..500 ms
  float fRelease = 0;    // 50..3000 ms
  float fThreshold = 0;  // -60..0 dB
  float fRatio = 0;      // 1..100
  float fPredelay = 0;   // 0..4 ms, from the threshold to the attack
};
struct DSFXGARGLE {
  int32_t lRateHz = 0;     // 1..1000 Hz
  int32_t lWaveShape = 0;  // 0 triangle, 1 square
};
struct DSFXPARAMEQ {
  float fCenter = 0;     // 80..16000 Hz, and at most a third of the sample rate
  float fBandwidth = 0;  // 1..36 semitones
  float fGain = 0;       // -15..15 dB
};
struct DSFXWAVESREVERB {
  float fInGain = 0;           // -96..0 dB
  float fReverbMix = 0;        // -96..0 dB, level of the reverberated signal
  float fReverbTime = 0;       // 0.001..3000 ms
  float fHighFreqRTRatio = 0;  // 0.001..0.999, high-frequency reverb time / reverb time
};

// Any effect object of a chain; cast it to the interface it was asked for.
class SoundEffect {
 public:
  virtual ~SoundEffect() = default;
};
class DirectSoundFXDistortion8 : public virtual SoundEffect {
 public:
  virtual void SetAllParameters(const DSFXDISTORTION& params) = 0;
};
class DirectSoundFXEcho8 : public virtual SoundEffect {
 public:
  virtual void SetAllParameters(const DSFXECHO& params) = 0;
};
class DirectSoundFXChorus8 : public virtual SoundEffect {
 public:
  virtual void SetAllParameters(const DSFXCHORUS& params) = 0;
};
class DirectSoundFXFlanger8 : public virtual SoundEffect {
 public:
  virtual void SetAllParameters(const DSFXFLANGER& params) = 0;
};
class DirectSoundFXCompressor8 : public virtual SoundEffect {
 public:
  virtual void SetAllParameters(const DSFXCOMPRESSOR& params) = 0;
};
class DirectSoundFXGargle8 : public virtual SoundEffect {
 public:
  virtual void SetAllParameters(const DSFXGARGLE& params) = 0;
};
class DirectSoundFXParamEq8 : public virtual SoundEffect {
 public:
  virtual void SetAllParameters(const DSFXPARAMEQ& params) = 0;
};
class DirectSoundFXWavesReverb8 : public virtual SoundEffect {
 public:
  virtual void SetAllParameters(const DSFXWAVESREVERB& params) = 0;
};

// The sound buffer at the end of the default audio path; it carries the effect chain.
class DirectSoundSecondaryBuffer8 {
 public:
  virtual ~DirectSoundSecondaryBuffer8() = default;
  // Replaces the whole chain by the first `effectsCount` descriptors, in their order (0 empties
  // it). `resultCodes` gets one code per descriptor. An unknown class name raises and leaves the
  // chain as it was.
  virtual void SetFX(int32_t effectsCount, const std::vector<DSEFFECTDESC>& effects,
                     std::vector<int32_t>& resultCodes) = 0;
  // The `index`-th effect of class `guidObject` in the chain set last, which implements the
  // interface named `iidInterface` (e.g. "IID_DirectSoundFXEcho"). Raises when there is none.
  virtual std::shared_ptr<SoundEffect> GetObjectInPath(const std::string& guidObject, int32_t index,
                                                       const std::string& iidInterface) = 0;
};

// The performance's default audio path.
class DirectMusicAudioPath8 {
 public:
  virtual ~DirectMusicAudioPath8() = default;
  // An inactive path is silent; the synthesizer behind it keeps playing, so players and the
  // clock go on.
  virtual void Activate(bool active) = 0;
  // The path's sound buffer: pChannel DMUS_PCHANNEL_ALL, stage DMUS_PATH_BUFFER, buffer 0,
  // "GUID_ALL_OBJECTS", index 0, "IID_IDirectSoundBuffer8". Anything else raises.
  virtual std::shared_ptr<DirectSoundSecondaryBuffer8> GetObjectInPath(
      int32_t pChannel, int32_t stage, int32_t buffer, const std::string& guidObject, int32_t index,
      const std::string& iidInterface) = 0;
};

// A loaded Standard MIDI File.
class DirectMusicSegment8 {
 public:
  virtual ~DirectMusicSegment8() = default;
  // Plays the data as a Standard MIDI File: every channel starts from General MIDI defaults
  // (program 0, controllers reset) when the segment starts.
  virtual void SetStandardMidiFile() = 0;
  // The repeat count of the next play: -1 repeats without end, 0 plays once, n plays n + 1 times.
  virtual void SetRepeats(int32_t repeats) = 0;
};

class DirectMusicLoader8 {
 public:
  virtual ~DirectMusicLoader8() = default;
  // Reads a Standard MIDI File (format 0 or 1). Raises for a file that can't be read, is empty
  // or isn't a well-formed MIDI file.
  virtual std::shared_ptr<DirectMusicSegment8> LoadSegment(const std::string& fileName) = 0;
};

class DirectMusicPerformance8 {
 public:
  virtual ~DirectMusicPerformance8() = default;
  // Starts the synthesizer and the sound output. `directSound` must be null; the path type is
  // DMUS_APATH_SHARED_STEREOPLUSREVERB or DMUS_APATH_DYNAMIC_STEREO. Raises when no SoundFont is
  // found (naming the places looked at) or the synthesizer can't start; without a sound device
  // the output is silent but runs in real time. The SoundFont loads in the background: the
  // first play waits for it.
  virtual void InitAudio(int64_t hWnd, int32_t flags, DMUS_AUDIOPARAMS& audioParams,
                         void* directSound, int32_t defaultPathType, int32_t channelCount) = 0;
  // Instruments always come from the SoundFont; the setting is kept.
  virtual void SetMasterAutoDownload(bool enable) = 0;
  virtual void AddNotificationType(int32_t type) = 0;
  virtual void RemoveNotificationType(int32_t type) = 0;
  // Queued notifications signal this event (see DirectX8::CreateEvent).
  virtual void SetNotificationHandle(int32_t eventHandle) = 0;
  // Takes the oldest queued notification; false when there is none.
  virtual bool GetNotificationPMSG(DMUS_NOTIFICATION_PMSG& message) = 0;
  // Hundredths of a decibel, -10000..0 (values outside are clamped): output * 10^(v / 2000).
  virtual void SetMasterVolume(int32_t volume) = 0;
  // Stops `segment` at once (every note released) when it is playing; stopTime and flags 0.
  virtual void StopEx(const std::shared_ptr<DirectMusicSegment8>& segment, int64_t stopTime,
                      int32_t flags) = 0;
  // Starts `segment` from its beginning on the default audio path, replacing what plays.
  // flags 0 or DMUS_SEGF_DEFAULT, startTime 0; `from` (stopped first) and `audioPath` (must be
  // the default path) may be null.
  virtual void PlaySegmentEx(const std::shared_ptr<DirectMusicSegment8>& segment, int32_t flags,
                             int64_t startTime, const std::shared_ptr<DirectMusicSegment8>& from,
                             const std::shared_ptr<DirectMusicAudioPath8>& audioPath) = 0;
  virtual std::shared_ptr<DirectMusicAudioPath8> GetDefaultAudioPath() = 0;
  // The platform clock in milliseconds, as a 32-bit count.
  virtual int32_t GetClockTime() = 0;
};

// Receives the callback of an event made by DirectX8::CreateEvent.
class DirectXEvent8 {
 public:
  virtual ~DirectXEvent8() = default;
  virtual void DXCallback(int32_t eventId) = 0;
};

// The root object: creates the performance, the loader and event handles.
class DirectX8 {
 public:
  virtual ~DirectX8() = default;
  virtual std::shared_ptr<DirectMusicPerformance8> DirectMusicPerformanceCreate() = 0;
  virtual std::shared_ptr<DirectMusicLoader8> DirectMusicLoaderCreate() = 0;
  // A new event handle (never 0) whose signal calls `handler.DXCallback(handle)`. The handler
  // must stay alive until DestroyEvent.
  virtual int32_t CreateEvent(DirectXEvent8& handler) = 0;
  virtual void DestroyEvent(int32_t eventHandle) = 0;
  // Runs the callbacks of signalled events on the calling thread, once per signal. The window
  // system calls this from its event loop; callbacks never run anywhere else.
  virtual void DispatchEvents() = 0;
  // `wake` is called (from any thread, without allocating) when an event is signalled after the
  // last DispatchEvents began, so that the window thread can dispatch at once instead of
  // polling; nullptr stops the calls. Not an operation of the program's: nothing records it.
  virtual void SetEventWakeup(std::function<void()> wake) = 0;
};

// Where the real platform sends its sound.
enum class OutputMode {
  Device,   // PulseAudio, then ALSA; a silent real-time output when no device opens
  Silent,   // the silent real-time output: renders in real time and discards
  Offline,  // nothing runs by itself: RenderOffline renders on request (tests)
};

struct MusicOptions {
  OutputMode output = OutputMode::Device;
  // SoundFonts tried in order; empty means $STAVELARK_SOUNDFONT,
  // /usr/share/sounds/sf2/default-GM.sf2, /usr/share/sounds/sf2/TimGM6mb.sf2.
  std::vector<std::string> soundFonts;
};

// The real platform on FluidSynth. `clock` is the performance's clock and must outlive every
// object made from the root.
std::shared_ptr<DirectX8> CreateDirectX8(const basic::Clock& clock, MusicOptions options = {});

// Renders `frames` frames of a performance made with OutputMode::Offline and returns them
// interleaved left/right. Raises for any other performance or before InitAudio.
std::vector<float> RenderOffline(DirectMusicPerformance8& performance, int frames);

// Which output a real performance opened: "pulseaudio", "alsa", "silent" or "offline"
// ("" before InitAudio or for a performance that isn't the real one). Waits for the start-up
// of the synthesizer, which InitAudio leaves running in the background.
std::string OutputName(DirectMusicPerformance8& performance);

// A SoundFont that could not be loaded, and why.
struct SoundFontError {
  std::string path;
  std::string reason;
};
// The SoundFont a real performance could not load in the background; nothing while it loads,
// once it has loaded, and for any other performance. Doesn't wait. A failed load wakes the
// thread that dispatches events (DirectX8::SetEventWakeup), so that it can say so at once;
// everything is silent then.
std::optional<SoundFontError> SoundFontFailure(DirectMusicPerformance8& performance);

// Frames a real performance's synthesizer has rendered (0 for any other performance): nothing
// renders while nothing sounds.
int64_t RenderedFrames(DirectMusicPerformance8& performance);

}  // namespace music

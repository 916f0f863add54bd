// How much sound each output keeps queued, declared here once with the reasons; the drivers
// read only their own lines. The figures come from tools/sound_check (private PulseAudio
// server, null sink, every core busy with a spinning loop); docs/design.md has the runs.
#pragma once

namespace music {

// PulseAudio: the latency asked of the server (our queue plus the sink's; with 5 ms requests the
// sink keeps about 5 ms of it). 20 ms answers a key from a corked stream in about 17 ms (median,
// quiet machine); 40 ms cost 8 ms more per key and dropped out under eight busy loops all the
// same, and 80 ms with early requests was worse on both counts, so the queue length is not what
// the dropouts depend on (see docs/design.md).
inline constexpr int kPulseLatencyUs = 20000;
// How much the server asks for at a time: small requests keep the queue full under load.
inline constexpr int kPulseRequestUs = 5000;

// ALSA straight to the device: 3 periods of 128 frames at 48 kHz is 8 ms of queue, plus the
// period being rendered (2.7 ms), within 15 ms from a key to the speaker.
inline constexpr int kAlsaPeriodFrames = 128;
inline constexpr int kAlsaPeriods = 3;

// The silent output renders a period at a time, paced by the steady clock.
inline constexpr int kSilentPeriodFrames = 256;

// After this long with nothing playing and the output quieter than kQuietLevel, the source is
// idle: effect and reverb tails have died away, and nothing renders until the next sound.
inline constexpr double kIdleAfterSeconds = 0.25;
inline constexpr float kQuietLevel = 1.0f / 65536;  // below a 16-bit step

}  // namespace music

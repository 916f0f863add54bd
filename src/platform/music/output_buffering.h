// How much sound each output keeps queued, declared here once with the reasons; the drivers
// read only their own lines. The figures come from tools/sound_check (private PulseAudio
// server, null sink, every core busy with a spinning loop); docs/design.md has the runs.
#pragma once

namespace music {

// PulseAudio: the latency asked of the server (our queue plus the sink's). On this kind of
// machine, with every core busy, a thread of the program or of the server now and then gets no
// processor for up to 100 ms whatever its priority (the host takes the core), so the queue has
// to outlast that: 20 ms dropped out about 45 times a minute under eight busy loops, 200 ms
// once, for 2 ms; 250 ms not at all (docs/design.md has the runs).
inline constexpr int kPulseLatencyUs = 250000;
// How much the server asks for at a time: small requests keep the queue full under load.
inline constexpr int kPulseRequestUs = 5000;
// A new sound does not wait behind the queue: what is queued is written over from this far
// ahead of the playing position (time for the server to take the rewrite in), fading from the
// old sound into the new one over kPulseFadeUs so that the seam does not click. A new master
// volume is written over the queue the same way, ramping over the same time. The new sound is
// rendered before the position is read, so the lead covers only the way to the server.
inline constexpr int kPulseRewriteAheadUs = 4000;
inline constexpr int kPulseFadeUs = 5000;
// The old sound dies away under the new over this long (see RewriteQueue): longer than the
// window takes, under load, from a key's stop of the note before to its own play.
inline constexpr int kPulseReleaseUs = 30000;
// A new sound's first piece goes to the server alone, so that its onset is on its way before
// the rest is rendered (with every effect checked, 1024 frames take about 2 ms); the rest
// follows at once, while the lead and the piece play.
inline constexpr int kPulseFirstPieceUs = 10000;
// How long the server may take to answer a connection, a new stream, or (with a stream playing)
// a new sound with its next request, before the sound goes to the silent output (a stopped or
// hung server must not hold up the program); the next sound tries the server again.
inline constexpr int kPulseAnswerUs = 400000;

// ALSA straight to the device: 3 periods of 128 frames at 48 kHz is 8 ms of queue, plus the
// period being rendered (2.7 ms), within 15 ms from a key to the speaker.
inline constexpr int kAlsaPeriodFrames = 128;
inline constexpr int kAlsaPeriods = 3;

// The silent output renders a period at a time, paced by the steady clock.
inline constexpr int kSilentPeriodFrames = 256;

// After this long with nothing playing and the output quieter than kQuietLevel, the source is
// idle: effect and reverb tails have died away, and nothing renders until the next sound. It
// is longer than the deepest queue, so an output that drops its queue on resting drops quiet.
inline constexpr double kIdleAfterSeconds = 0.35;
static_assert(kIdleAfterSeconds * 1000000 > kPulseLatencyUs);
inline constexpr float kQuietLevel = 1.0f / 65536;  // below a 16-bit step

}  // namespace music

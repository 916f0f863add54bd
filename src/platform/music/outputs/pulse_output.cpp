// PulseAudio through its asynchronous API: a stream that the server pulls from in small
// requests while something sounds, and no stream at all while the source is idle, so that
// neither the program nor the server runs for silence (a corked stream still keeps its sink
// ticking at the stream's latency).
//
// The queue is deep, so that the sound goes on while the machine stalls the program or the
// server for a while; a new sound does not wait behind it: what is queued and not yet heard
// is written over from just ahead of the playing position (the server takes such a rewrite
// back into its sink), fading from the old sound into the new one. A new master volume is
// written over the queue the same way, from what was queued before the volume.
//
// Everything that touches the server runs on the main loop's thread; the window thread only
// leaves a note and wakes it, so it never waits for the server. A server that does not answer
// in time, or goes away, leaves the sound to the silent output until the next sound finds it
// again.
#include <pthread.h>
#include <pulse/pulseaudio.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/music/music.h"
#include "platform/music/output.h"
#include "platform/music/output_buffering.h"
#include "platform/music/outputs/rewrite_queue.h"

namespace music {

namespace {

constexpr int64_t kHistoryFrames = 1 << 15;  // what was written, for the fade: above the queue
static_assert(kHistoryFrames > static_cast<int64_t>(kPulseLatencyUs) * kSampleRate / 1000000 * 2);
constexpr int64_t kRewriteAheadFrames = static_cast<int64_t>(kPulseRewriteAheadUs) * kSampleRate / 1000000;
constexpr int kFadeFrames = static_cast<int>(static_cast<int64_t>(kPulseFadeUs) * kSampleRate / 1000000);
constexpr int kReleaseFrames = static_cast<int>(static_cast<int64_t>(kPulseReleaseUs) * kSampleRate / 1000000);
constexpr int kFirstPieceFrames = static_cast<int>(static_cast<int64_t>(kPulseFirstPieceUs) * kSampleRate / 1000000);
static_assert(kFirstPieceFrames >= kFadeFrames && kFirstPieceFrames <= RewriteQueue::kChunkFrames);
constexpr int64_t kFrameBytes = 2 * sizeof(float);

constexpr pa_usec_t kGraceUs = 50000;

int64_t FramesOf(pa_usec_t usec) { return static_cast<int64_t>(usec) * kSampleRate / 1000000; }

class PulseOutput final : public Output, private RewriteQueue::Sink {
 public:
  explicit PulseOutput(OutputSource& source) : source_(source), queue_(source, kHistoryFrames, kFadeFrames, kReleaseFrames) {}

  ~PulseOutput() override {
    if (!loop_) return;
    pa_threaded_mainloop_stop(loop_);
    silent_.reset();
    DropStream();
    DropContext();
    if (kick_) api_->defer_free(kick_);
    if (pump_) api_->defer_free(pump_);
    if (timer_) api_->time_free(timer_);
    pa_threaded_mainloop_free(loop_);
  }

  // False when no server takes the connection. A server that is there but does not answer in
  // time is no reason to try another output (a sound card may well be its own): the output
  // then plays silently and tries again at the next sound.
  bool Open() {
    loop_ = pa_threaded_mainloop_new();
    if (!loop_) return false;
    api_ = pa_threaded_mainloop_get_api(loop_);
    kick_ = api_->defer_new(api_, &PulseOutput::Kicked, this);
    pump_ = api_->defer_new(api_, &PulseOutput::Pumped, this);
    timer_ = api_->time_new(api_, nullptr, &PulseOutput::TimedOut, this);
    if (!kick_ || !pump_ || !timer_) return false;
    api_->defer_enable(kick_, 0);
    api_->defer_enable(pump_, 0);
    if (pa_threaded_mainloop_start(loop_) < 0) return false;
    pa_threaded_mainloop_lock(loop_);
    opening_ = true;
    Connect();
    while (mode_ == Mode::Connecting) pa_threaded_mainloop_wait(loop_);
    opening_ = false;
    const bool ok = mode_ != Mode::Refused;
    pa_threaded_mainloop_unlock(loop_);
    return ok;
  }

  void Wake(bool replace) override {
    pa_threaded_mainloop_lock(loop_);
    wanted_ = true;
    if (replace) rewrite_ = true;
    api_->defer_enable(kick_, 1);
    pa_threaded_mainloop_unlock(loop_);
  }

  bool WritesOverQueue() const override { return true; }

  void GainChanged() override {
    pa_threaded_mainloop_lock(loop_);
    regain_ = true;
    api_->defer_enable(kick_, 1);
    pa_threaded_mainloop_unlock(loop_);
  }

 private:
  enum class Mode {
    Resting,     // no stream (the connection may be there or not)
    Connecting,  // waiting for the server to take the connection
    Starting,    // waiting for the new stream
    Playing,     // the server pulls
    Silent,      // the server did not answer or went away: the silent output pulls
    Refused,     // no server took the first connection
  };

  // --- Main loop callbacks (the loop's thread, its lock held) ------------------------------

  static void Kicked(pa_mainloop_api*, pa_defer_event*, void* data) { static_cast<PulseOutput*>(data)->Kick(); }
  static void Pumped(pa_mainloop_api*, pa_defer_event*, void* data) { static_cast<PulseOutput*>(data)->Pump(); }
  static void TimedOut(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* data) {
    static_cast<PulseOutput*>(data)->TimedOut();
  }
  static void ContextState(pa_context* context, void* data) {
    static_cast<PulseOutput*>(data)->ContextChanged(context);
  }
  static void StreamState(pa_stream* stream, void* data) { static_cast<PulseOutput*>(data)->StreamChanged(stream); }
  // The server asks for what its queue lacks, a write over the queue counting as a write at the
  // end on both sides: what the library counts as writable is what is owed.
  static void Requested(pa_stream*, size_t, void* data) {
    auto* self = static_cast<PulseOutput*>(data);
    if (self->watching_) {
      self->watching_ = self->grace_ = false;
      self->DisarmTimer();
    }
    self->Pump();
  }

  // The server did not answer in time. A playing stream gets a moment's grace first: after a
  // stall of the loop's own thread the timer may come before the requests already waiting.
  void TimedOut() {
    if (mode_ == Mode::Connecting || mode_ == Mode::Starting) return FallBack();
    if (mode_ != Mode::Playing || !watching_) return;
    if (!grace_) {
      grace_ = true;
      ArmTimer(kGraceUs);
      return;
    }
    FallBack();
  }

  // What the window thread asked for.
  void Kick() {
    api_->defer_enable(kick_, 0);
    switch (mode_) {
      case Mode::Playing:
        if (rewrite_) {
          Rewrite();
        } else if (regain_) {
          Regain();
        }
        // A server that has stopped reading (stopped, hung) asks for nothing more: if no request
        // comes in time, the sound goes to the silent output until the next sound.
        if ((wanted_ || rewrite_ || regain_) && !watching_) {
          watching_ = true;
          grace_ = false;
          ArmTimer();
        }
        wanted_ = rewrite_ = regain_ = false;
        break;
      case Mode::Resting:
        if (!wanted_) break;
        if (contextReady_)
          StartStream();
        else
          Connect();
        break;
      case Mode::Silent:
        // The next sound tries the server again; the silent output gives way meanwhile, so that
        // what it would render unheard waits for the server instead.
        if (!wanted_) break;
        silent_.reset();
        Connect();
        break;
      case Mode::Connecting:
      case Mode::Starting:
      case Mode::Refused:
        break;
    }
  }

  void Connect() {
    DropStream();
    DropContext();
    mode_ = Mode::Connecting;
    watching_ = grace_ = false;
    ArmTimer();
    context_ = pa_context_new(api_, "Stavelark");
    if (!context_) return ContextFailed();
    pa_context_set_state_callback(context_, &PulseOutput::ContextState, this);
    // Never start a server of our own: the user's one is there or the sound goes elsewhere.
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) ContextFailed();
  }

  void ContextChanged(pa_context* context) {
    if (context != context_) return;
    const pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_READY) {
      contextReady_ = true;
      if (mode_ != Mode::Connecting) return;
      DisarmTimer();
      if (opening_) {
        mode_ = Mode::Resting;
        pa_threaded_mainloop_signal(loop_, 0);
      } else {
        StartStream();
      }
    } else if (!PA_CONTEXT_IS_GOOD(state)) {
      ContextFailed();
    }
  }

  void ContextFailed() {
    DropStream();
    DropContext();
    if (opening_) {
      DisarmTimer();
      mode_ = Mode::Refused;
      pa_threaded_mainloop_signal(loop_, 0);
    } else if (mode_ == Mode::Connecting || mode_ == Mode::Starting || mode_ == Mode::Playing) {
      FallBack();  // what sounds now goes on unheard; the next sound connects again
    }
  }

  void StartStream() {
    DropStream();
    mode_ = Mode::Starting;
    watching_ = grace_ = false;
    ArmTimer();
    const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, static_cast<uint32_t>(kSampleRate), 2};
    stream_ = pa_stream_new(context_, "Stavelark", &format, nullptr);
    if (!stream_) return FallBack();
    pa_stream_set_state_callback(stream_, &PulseOutput::StreamState, this);
    pa_stream_set_write_callback(stream_, &PulseOutput::Requested, this);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(kPulseLatencyUs, &format));
    // No prebuffering: the stream plays from the first frame written, and a queue that the
    // server has read up to (a rewrite that came late) plays on rather than stopping until a
    // whole queue has come in again.
    attr.prebuf = 0;
    attr.minreq = static_cast<uint32_t>(pa_usec_to_bytes(kPulseRequestUs, &format));
    attr.fragsize = static_cast<uint32_t>(-1);
    // The queue is the stream's own, in the server; early requests keep the sink's part of the
    // way short (a request's worth), so a new sound written ahead of the playing position is
    // heard within milliseconds, also on a sink that can't take back what it has rendered.
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_EARLY_REQUESTS | PA_STREAM_INTERPOLATE_TIMING |
                                                      PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0) FallBack();
  }

  void StreamChanged(pa_stream* stream) {
    if (stream != stream_) return;
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_READY && mode_ == Mode::Starting) {
      DisarmTimer();
      mode_ = Mode::Playing;
      wanted_ = rewrite_ = regain_ = false;
      queue_.Reset();
      started_ = std::chrono::steady_clock::now();
      source_.BeginNewSound();
      Pump();
    } else if (!PA_STREAM_IS_GOOD(state)) {
      FallBack();
    }
  }

  // The server did not answer in time or went away.
  void FallBack() {
    DisarmTimer();
    watching_ = grace_ = false;
    DropStream();
    DropContext();
    mode_ = Mode::Silent;
    wanted_ = rewrite_ = regain_ = false;
    if (!toldSilent_) {
      toldSilent_ = true;
      std::fprintf(stderr, "stavelark: the sound server is not answering; the sound is silent until it does\n");
    }
    source_.BeginNewSound();
    silent_ = OpenSilentOutput(source_);
    silent_->Wake(true);
    if (opening_) pa_threaded_mainloop_signal(loop_, 0);
  }

  // Renders and writes what the server asked for, a chunk per pass of the loop, so that each chunk is on its
  // way to the server before the next is rendered. Once the source is idle the stream goes.
  void Pump() {
    api_->defer_enable(pump_, 0);
    if (mode_ != Mode::Playing) return;
    if (!realtimeTried_) TryRealtime();
    if (source_.Idle()) {
      DropStream();
      mode_ = Mode::Resting;
      if (watching_) DisarmTimer();
      watching_ = grace_ = false;
      return;
    }
    const auto owed = static_cast<int64_t>(pa_stream_writable_size(stream_)) / kFrameBytes;
    if (owed <= 0) return;
    const int n = static_cast<int>(std::min<int64_t>(owed, RewriteQueue::kChunkFrames));
    if (!queue_.Append(n, *this)) return;
    if (owed > n) api_->defer_enable(pump_, 1);
  }

  bool Write(const float* frames, int count, int64_t back) override {
    return pa_stream_write(stream_, frames, kFrameBytes * count, nullptr, -back * kFrameBytes, PA_SEEK_RELATIVE) == 0;
  }

  // The frames written that are not heard yet, as the server's timing says (or, before it has
  // said anything, as the clock says since the stream started).
  int64_t Queued() {
    pa_usec_t latency = 0;
    int negative = 0;
    if (pa_stream_get_latency(stream_, &latency, &negative) == 0) return negative ? 0 : FramesOf(latency);
    const auto since = std::chrono::steady_clock::now() - started_;
    const int64_t heard = FramesOf(std::chrono::duration_cast<std::chrono::microseconds>(since).count());
    return std::max<int64_t>(0, queue_.Written() - heard);
  }

  // A new sound: its first piece is rendered, then written over the queue from a little ahead
  // of the playing position (read only now, so the render does not eat into the lead). The
  // server, its queue now shorter, asks for the rest, which is written over what was queued
  // after it, a chunk per pass of the loop, beginning with the next pass: the piece is sent
  // first.
  void Rewrite() {
    source_.BeginNewSound();
    queue_.Prepare(kFirstPieceFrames);
    if (queue_.Put(std::max<int64_t>(0, Queued() - kRewriteAheadFrames), *this)) api_->defer_enable(pump_, 1);
  }

  // A new master volume on what is queued and not yet heard.
  void Regain() { queue_.Regain(std::max<int64_t>(0, Queued() - kRewriteAheadFrames), *this); }

  void ArmTimer(pa_usec_t after = kPulseAnswerUs) {
    timeval at;
    pa_gettimeofday(&at);
    pa_timeval_add(&at, after);
    api_->time_restart(timer_, &at);
  }
  void DisarmTimer() { api_->time_restart(timer_, nullptr); }

  void DropStream() {
    if (!stream_) return;
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_set_write_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
  }

  void DropContext() {
    contextReady_ = false;
    if (!context_) return;
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
  }

  // The server's requests come on the main loop's thread: at a real-time priority it keeps
  // its deadlines whatever else the machine runs. Where that is not allowed the queue's
  // length alone has to do.
  void TryRealtime() {
    realtimeTried_ = true;
    sched_param param{};
    param.sched_priority = std::min(10, sched_get_priority_max(SCHED_FIFO));
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
  }

  OutputSource& source_;
  pa_threaded_mainloop* loop_ = nullptr;
  pa_mainloop_api* api_ = nullptr;
  pa_defer_event* kick_ = nullptr;
  pa_defer_event* pump_ = nullptr;
  pa_time_event* timer_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  std::unique_ptr<Output> silent_;

  // Under the loop's lock.
  Mode mode_ = Mode::Resting;
  bool opening_ = false;
  bool contextReady_ = false;
  bool wanted_ = false;   // something is to sound
  bool rewrite_ = false;  // ... and replaces what is queued
  bool regain_ = false;   // the master volume changed
  bool watching_ = false;  // a sound was handed over while playing: a request must follow
  bool grace_ = false;
  bool toldSilent_ = false;
  bool realtimeTried_ = false;
  RewriteQueue queue_;
  std::chrono::steady_clock::time_point started_;
};

}  // namespace

// Connecting to a server that isn't there can start one or wait: only try when its socket
// (or an explicit server) exists.
bool PulsePresent() {
  if (const char* server = std::getenv("PULSE_SERVER"); server && *server) return true;
  std::string dir;
  if (const char* runtime = std::getenv("PULSE_RUNTIME_PATH"); runtime && *runtime) {
    dir = runtime;
  } else {
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg)
      dir = xdg;
    else
      dir = "/run/user/" + std::to_string(getuid());
    dir += "/pulse";
  }
  struct stat st;
  return stat((dir + "/native").c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

std::unique_ptr<Output> OpenPulseOutput(OutputSource& source, fluid_settings_t*) {
  auto output = std::make_unique<PulseOutput>(source);
  if (!output->Open()) return nullptr;
  return output;
}

}  // namespace music

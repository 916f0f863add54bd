// PulseAudio through its asynchronous API: a stream that the server pulls from in small
// requests, corked while the source is idle so that neither the program nor the server runs
// for silence, and uncorked by the next sound.
//
// The queue is deep, so that the sound goes on while the machine stalls the program or the
// server for a while; a new sound does not wait behind it: what is queued and not yet heard
// is written over from just ahead of the playing position (the server takes such a rewrite
// back into its sink), fading from the old sound into the new one.
#include <pthread.h>
#include <pulse/pulseaudio.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
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

int64_t FramesOf(pa_usec_t usec) { return static_cast<int64_t>(usec) * kSampleRate / 1000000; }

class PulseOutput final : public Output, private RewriteQueue::Sink {
 public:
  explicit PulseOutput(OutputSource& source) : source_(source), queue_(source, kHistoryFrames, kFadeFrames) {}

  ~PulseOutput() override {
    if (!loop_) return;
    pa_threaded_mainloop_stop(loop_);
    if (stream_) {
      pa_stream_disconnect(stream_);
      pa_stream_unref(stream_);
    }
    if (context_) {
      pa_context_disconnect(context_);
      pa_context_unref(context_);
    }
    pa_threaded_mainloop_free(loop_);
  }

  bool Open() {
    loop_ = pa_threaded_mainloop_new();
    if (!loop_) return false;
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "Stavelark");
    if (!context_) return false;
    pa_context_set_state_callback(context_, &PulseOutput::ContextState, this);
    // Never start a server of our own: the user's one is there or the next output is tried.
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return false;
    if (pa_threaded_mainloop_start(loop_) < 0) return false;

    pa_threaded_mainloop_lock(loop_);
    bool ok = WaitContext() && Connect() && WaitStream();
    pa_threaded_mainloop_unlock(loop_);
    return ok;
  }

  void Wake(bool replace) override {
    pa_threaded_mainloop_lock(loop_);
    if (stream_) {
      if (corked_) {
        corked_ = false;
        uncorkedAt_ = queue_.Written();
        uncorkTime_ = std::chrono::steady_clock::now();
        if (pa_operation* o = pa_stream_cork(stream_, 0, nullptr, nullptr)) pa_operation_unref(o);
        if (pa_operation* o = pa_stream_update_timing_info(stream_, nullptr, nullptr)) pa_operation_unref(o);
        // The queue was emptied at the cork: fill it now rather than a round trip later.
        Fill(pa_stream_writable_size(stream_));
      } else if (replace) {
        Rewrite();
      }
    }
    pa_threaded_mainloop_unlock(loop_);
  }

 private:
  static void ContextState(pa_context*, void* data) {
    pa_threaded_mainloop_signal(static_cast<PulseOutput*>(data)->loop_, 0);
  }
  static void StreamState(pa_stream*, void* data) {
    pa_threaded_mainloop_signal(static_cast<PulseOutput*>(data)->loop_, 0);
  }
  static void Requested(pa_stream*, size_t bytes, void* data) { static_cast<PulseOutput*>(data)->Fill(bytes); }

  bool WaitContext() {
    for (;;) {
      pa_context_state_t state = pa_context_get_state(context_);
      if (state == PA_CONTEXT_READY) return true;
      if (!PA_CONTEXT_IS_GOOD(state)) return false;
      pa_threaded_mainloop_wait(loop_);
    }
  }

  bool Connect() {
    const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, static_cast<uint32_t>(kSampleRate), 2};
    stream_ = pa_stream_new(context_, "Stavelark", &format, nullptr);
    if (!stream_) return false;
    pa_stream_set_state_callback(stream_, &PulseOutput::StreamState, this);
    pa_stream_set_write_callback(stream_, &PulseOutput::Requested, this);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(kPulseLatencyUs, &format));
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = static_cast<uint32_t>(pa_usec_to_bytes(kPulseRequestUs, &format));
    attr.fragsize = static_cast<uint32_t>(-1);
    // The queue is the stream's own, in the server; early requests keep the sink's part of the
    // way short (a request's worth), so a new sound written ahead of the playing position is
    // heard within milliseconds, also on a sink that can't take back what it has rendered. The
    // stream starts at rest.
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_EARLY_REQUESTS | PA_STREAM_START_CORKED |
                                                      PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
    corked_ = true;
    return pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) == 0;
  }

  bool WaitStream() {
    for (;;) {
      pa_stream_state_t state = pa_stream_get_state(stream_);
      if (state == PA_STREAM_READY) return true;
      if (!PA_STREAM_IS_GOOD(state)) return false;
      pa_threaded_mainloop_wait(loop_);
    }
  }

  // With the main loop's lock held (its own thread, or Wake): renders what the server asked
  // for; once the source is idle the stream is corked and its queue of silence dropped.
  void Fill(size_t bytes) {
    if (corked_) return;
    if (!realtimeTried_ && pa_threaded_mainloop_in_thread(loop_)) TryRealtime();
    size_t frames = bytes / (2 * sizeof(float));
    while (frames > 0) {
      if (source_.Idle()) {
        corked_ = true;
        if (pa_operation* o = pa_stream_cork(stream_, 1, nullptr, nullptr)) pa_operation_unref(o);
        if (pa_operation* o = pa_stream_flush(stream_, nullptr, nullptr)) pa_operation_unref(o);
        return;
      }
      const int n = static_cast<int>(std::min<size_t>(frames, RewriteQueue::kChunkFrames));
      if (!queue_.Append(n, *this)) return;
      frames -= n;
    }
  }

  bool Write(const float* frames, int count, int64_t back) override {
    const auto bytes = static_cast<int64_t>(2 * sizeof(float));
    return pa_stream_write(stream_, frames, bytes * count, nullptr, -back * bytes, PA_SEEK_RELATIVE) == 0;
  }

  // The frames written that are not heard yet, as the server's timing says (or, before it has
  // said anything since the stream started again, as the clock says).
  int64_t Queued() {
    pa_usec_t latency = 0;
    int negative = 0;
    if (pa_stream_get_latency(stream_, &latency, &negative) == 0) return negative ? 0 : FramesOf(latency);
    const auto since = std::chrono::steady_clock::now() - uncorkTime_;
    const int64_t heard = uncorkedAt_ + FramesOf(std::chrono::duration_cast<std::chrono::microseconds>(since).count());
    return std::max<int64_t>(0, queue_.Written() - heard);
  }

  // A new sound: what is queued beyond a little ahead of the playing position gives way to it.
  // The whole of it is written again at once, so nothing of the old sound is left behind it.
  void Rewrite() { queue_.Replace(Queued() - kRewriteAheadFrames, *this); }

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
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  bool corked_ = true;
  bool realtimeTried_ = false;
  RewriteQueue queue_;
  int64_t uncorkedAt_ = 0;
  std::chrono::steady_clock::time_point uncorkTime_;
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

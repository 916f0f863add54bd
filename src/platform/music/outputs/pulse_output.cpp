// PulseAudio through its asynchronous API: a stream that the server pulls from in small
// requests, corked while the source is idle so that neither the program nor the server runs
// for silence, and uncorked by the next sound.
#include <pthread.h>
#include <pulse/pulseaudio.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

#include "platform/music/music.h"
#include "platform/music/output.h"
#include "platform/music/output_buffering.h"

namespace music {

namespace {

constexpr int kChunkFrames = 1024;  // rendered at a time into the scratch sides

class PulseOutput final : public Output {
 public:
  explicit PulseOutput(OutputSource& source) : source_(source) {}

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

  void Wake() override {
    pa_threaded_mainloop_lock(loop_);
    if (corked_ && stream_) {
      corked_ = false;
      if (pa_operation* o = pa_stream_cork(stream_, 0, nullptr, nullptr)) pa_operation_unref(o);
      // The queue was emptied at the cork: fill it now rather than a round trip later.
      Fill(pa_stream_writable_size(stream_));
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
  static void Write(pa_stream*, size_t bytes, void* data) { static_cast<PulseOutput*>(data)->Fill(bytes); }

  bool WaitContext() {
    for (;;) {
      pa_context_state_t state = pa_context_get_state(context_);
      if (state == PA_CONTEXT_READY) return true;
      if (!PA_CONTEXT_IS_GOOD(state)) return false;
      pa_threaded_mainloop_wait(loop_);
    }
  }

  bool Connect() {
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, static_cast<uint32_t>(kSampleRate), 2};
    stream_ = pa_stream_new(context_, "Stavelark", &spec, nullptr);
    if (!stream_) return false;
    pa_stream_set_state_callback(stream_, &PulseOutput::StreamState, this);
    pa_stream_set_write_callback(stream_, &PulseOutput::Write, this);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(kPulseLatencyUs, &spec));
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = static_cast<uint32_t>(pa_usec_to_bytes(kPulseRequestUs, &spec));
    attr.fragsize = static_cast<uint32_t>(-1);
    // The latency asked for is the whole way to the sink; the stream starts at rest.
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED);
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
      const int n = static_cast<int>(std::min<size_t>(frames, kChunkFrames));
      source_.Render(left_.data(), right_.data(), n);
      for (int i = 0; i < n; ++i) {
        interleaved_[2 * i] = left_[i];
        interleaved_[2 * i + 1] = right_[i];
      }
      if (pa_stream_write(stream_, interleaved_.data(), 2 * sizeof(float) * n, nullptr, 0, PA_SEEK_RELATIVE) < 0)
        return;
      frames -= n;
    }
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
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  bool corked_ = true;
  bool realtimeTried_ = false;
  std::array<float, kChunkFrames> left_{}, right_{};
  std::array<float, 2 * kChunkFrames> interleaved_{};
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

// The measuring half of tools/sound_check: records the private server's monitor with a time
// stamp on every sample, presses keys in the program's window through XTest, and reads the
// recording back.
//
//   sound_probe keys WINDOW PRESSES           piano key "1" PRESSES times, 0.9..1.6 s apart:
//                                              key-press to first audible sample, per press
//   sound_probe play WINDOW SECONDS EXPECTED   Play (Alt+P, Y), record SECONDS: zero runs
//                                              inside the sound, and the time between the
//                                              marker strikes against EXPECTED seconds
//   sound_probe startup TITLE SECONDS PROGRAM...  ms until a window named TITLE is mapped,
//                                              and the resident MB after SECONDS more
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <pulse/error.h>
#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kRate = 48000;
constexpr int kChunk = 96;  // 2 ms per read
using Clock = std::chrono::steady_clock;

double Now() { return std::chrono::duration<double>(Clock::now().time_since_epoch()).count(); }

// The left channel of the monitor, and the clock time at which its first sample is heard. A
// monitor hands over what its sink renders, and a sink renders ahead of what it plays by its
// own latency (with a deep queue a hundred milliseconds and more): the record stream's latency
// says by how much (for a monitor it is negative). Every chunk read gives an estimate of when
// sample 0 is heard; the median of them is taken.
class Recorder {
 public:
  Recorder() {
    loop_ = pa_threaded_mainloop_new();
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "sound_probe");
    pa_context_set_state_callback(context_, &Recorder::Signal, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(loop_) < 0)
      Fail("cannot connect");
    pa_threaded_mainloop_lock(loop_);
    while (pa_context_get_state(context_) != PA_CONTEXT_READY) {
      if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) Fail("cannot connect");
      pa_threaded_mainloop_wait(loop_);
    }
    const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, kRate, 2};
    stream_ = pa_stream_new(context_, "probe", &format, nullptr);
    pa_stream_set_state_callback(stream_, &Recorder::StreamSignal, this);
    pa_stream_set_read_callback(stream_, &Recorder::Read, this);
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.fragsize = kChunk * 8;
    // No latency adjustment: the monitor must not change how far ahead the sink renders.
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_record(stream_, std::getenv("PROBE_SOURCE"), &attr, flags) < 0) Fail("cannot record");
    while (pa_stream_get_state(stream_) != PA_STREAM_READY) {
      if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) Fail("cannot record");
      pa_threaded_mainloop_wait(loop_);
    }
    pa_threaded_mainloop_unlock(loop_);
  }
  ~Recorder() { Stop(); }
  void Stop() {
    if (!loop_) return;
    pa_threaded_mainloop_lock(loop_);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    pa_threaded_mainloop_free(loop_);
    loop_ = nullptr;
    std::sort(starts_.begin(), starts_.end());
    if (!starts_.empty()) start = starts_[starts_.size() / 2];
  }
  std::vector<float> samples;
  double start = 0;  // clock time at which samples[0] is heard

 private:
  [[noreturn]] static void Fail(const char* what) {
    std::fprintf(stderr, "sound_probe: %s\n", what);
    std::exit(2);
  }
  static void Signal(pa_context*, void* data) { pa_threaded_mainloop_signal(static_cast<Recorder*>(data)->loop_, 0); }
  static void StreamSignal(pa_stream*, void* data) {
    pa_threaded_mainloop_signal(static_cast<Recorder*>(data)->loop_, 0);
  }
  static void Read(pa_stream* stream, size_t, void* data) {
    auto* self = static_cast<Recorder*>(data);
    const void* bytes = nullptr;
    size_t n = 0;
    while (pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &bytes, &n) == 0 && n > 0) {
      const size_t frames = n / (2 * sizeof(float));
      const auto* f = static_cast<const float*>(bytes);
      for (size_t i = 0; i < frames; ++i) self->samples.push_back(f ? f[2 * i] : 0.0f);  // a hole is silence
      pa_stream_drop(stream);
    }
    pa_usec_t latency = 0;
    int negative = 0;
    if (self->samples.empty() || pa_stream_get_latency(stream, &latency, &negative) != 0) return;
    // The last sample read is heard `latency` before now (after now, for a monitor).
    const double heard = Now() - (negative ? -1.0 : 1.0) * static_cast<double>(latency) / 1e6;
    self->starts_.push_back(heard - static_cast<double>(self->samples.size() - 1) / kRate);
  }
  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  std::vector<double> starts_;
};

class Keyboard {
 public:
  explicit Keyboard(unsigned long window) : window_(window) {
    dpy_ = XOpenDisplay(nullptr);
    if (!dpy_) {
      std::fprintf(stderr, "sound_probe: no display\n");
      std::exit(2);
    }
    XRaiseWindow(dpy_, window_);
    XSetInputFocus(dpy_, window_, RevertToParent, CurrentTime);
    XSync(dpy_, False);
  }
  ~Keyboard() { XCloseDisplay(dpy_); }
  // Presses (down, or up) a key; returns the clock time right after the server has it.
  double Key(KeySym sym, bool down) {
    XTestFakeKeyEvent(dpy_, XKeysymToKeycode(dpy_, sym), down ? True : False, CurrentTime);
    XSync(dpy_, False);
    return Now();
  }

 private:
  Display* dpy_;
  unsigned long window_;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

void Summary(const char* what, const std::vector<double>& v, const char* unit) {
  if (v.empty()) {
    std::printf("%s: no values\n", what);
    return;
  }
  std::printf("%s: n=%zu min=%.2f median=%.2f max=%.2f %s\n", what, v.size(), *std::min_element(v.begin(), v.end()),
              Median(v), *std::max_element(v.begin(), v.end()), unit);
}

int Keys(unsigned long window, int presses) {
  Recorder rec;
  Keyboard kb(window);
  std::mt19937 random(13);
  std::uniform_real_distribution<double> gap(0.9, 1.6);
  std::vector<double> pressed;
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  for (int i = 0; i < presses; ++i) {
    pressed.push_back(kb.Key(XK_1, true));
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    kb.Key(XK_1, false);
    std::this_thread::sleep_for(std::chrono::duration<double>(gap(random)));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  rec.Stop();
  const auto& s = rec.samples;
  std::vector<double> delays;
  for (size_t k = 0; k < pressed.size(); ++k) {
    const auto from = static_cast<long>((pressed[k] - rec.start) * kRate);
    const long to = std::min<long>(static_cast<long>(s.size()), from + kRate / 2);
    long hit = -1;
    for (long i = std::max(0L, from); i < to; ++i)
      if (std::fabs(s[i]) > 0.01f) {
        hit = i;
        break;
      }
    if (hit < 0) {
      std::printf("press %2zu: no sound within 0.5 s\n", k + 1);
      continue;
    }
    const double ms = (static_cast<double>(hit - from)) * 1000.0 / kRate;
    std::printf("press %2zu: %.2f ms\n", k + 1, ms);
    delays.push_back(ms);
  }
  Summary("key -> first audible sample", delays, "ms");
  return delays.size() == pressed.size() ? 0 : 1;
}

int Play(unsigned long window, double seconds, double expected) {
  Recorder rec;
  {
    Keyboard kb(window);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    kb.Key(XK_Alt_L, true);
    kb.Key(XK_p, true);
    kb.Key(XK_p, false);
    kb.Key(XK_Alt_L, false);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kb.Key(XK_y, true);
    kb.Key(XK_y, false);
  }
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  rec.Stop();
  const auto& s = rec.samples;
  // Where the sound lies: from the first to the last sample above -60 dBFS.
  long first = -1, last = -1;
  for (long i = 0; i < static_cast<long>(s.size()); ++i)
    if (std::fabs(s[i]) > 1e-3f) {
      if (first < 0) first = i;
      last = i;
    }
  if (first < 0) {
    std::printf("no sound recorded\n");
    return 1;
  }
  // Dropouts: runs of 32 or more exact zeros inside the sound.
  int dropouts = 0;
  long run = 0, longest = 0;
  std::string where;
  for (long i = first; i <= last; ++i) {
    if (s[i] == 0.0f) {
      if (++run == 32 && ++dropouts <= 10)
        where += " " + std::to_string((i - 31 - first) / double(kRate)).substr(0, 6) + "s";
      longest = std::max(longest, run);
    } else {
      run = 0;
    }
  }
  // The marker strikes: the first and the last 2 ms window whose sample-to-sample change
  // carries ten times the energy of the median window (sustained low notes change slowly).
  const long window2 = kRate / 500;
  std::vector<double> energy;
  for (long i = first + 1; i + window2 <= last; i += window2) {
    double e = 0;
    for (long j = i; j < i + window2; ++j) e += double(s[j] - s[j - 1]) * (s[j] - s[j - 1]);
    energy.push_back(e);
  }
  const double median = Median(energy);
  long strikeA = -1, strikeB = -1;
  for (size_t k = 0; k < energy.size(); ++k)
    if (energy[k] > 10 * median) {
      if (strikeA < 0) strikeA = static_cast<long>(k);
      strikeB = static_cast<long>(k);
    }
  // The last strike's own onset: walk back over the windows of that strike.
  while (strikeB > 0 && energy[strikeB - 1] > 10 * median) --strikeB;
  std::printf("sound: %.3f s recorded, %.3f s of sound\n", s.size() / double(kRate), (last - first) / double(kRate));
  std::printf("dropouts (runs of >= 32 zero samples inside the sound): %d, longest zero run %ld samples\n", dropouts,
              longest);
  if (dropouts > 0) std::printf("first dropouts at:%s\n", where.c_str());
  if (strikeA >= 0 && strikeB > strikeA) {
    const double between = (strikeB - strikeA) * window2 / double(kRate);
    std::printf("first to last marker: %.4f s, expected %.4f s: %+.3f %%\n", between, expected,
                100 * (between - expected) / expected);
  } else {
    std::printf("markers not found\n");
  }
  return dropouts == 0 ? 0 : 1;
}

}  // namespace

// Starts PROGRAM and waits for the X server to map a top-level window whose name contains
// `title` (a window may be named just after it is mapped): the time from the start to then is
// what a user waits for. X events, not polling, so nothing of the wait is the probe's own.
// Then lets the program run for `settle` seconds and prints its resident memory.
int Startup(const char* title, double settle, char** program) {
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) {
    std::fprintf(stderr, "sound_probe: no display\n");
    return 2;
  }
  XSelectInput(dpy, DefaultRootWindow(dpy), SubstructureNotifyMask);
  XSync(dpy, False);
  const double t0 = Now();
  const pid_t pid = fork();
  if (pid == 0) {
    execvp(program[0], program);
    _exit(127);
  }
  auto named = [&](Window w) {
    char* name = nullptr;
    bool ok = XFetchName(dpy, w, &name) && name && std::strstr(name, title);
    if (name) XFree(name);
    return ok;
  };
  std::vector<Window> mapped;
  double ms = -1;
  while (ms < 0) {
    XEvent e;
    XNextEvent(dpy, &e);
    Window w = 0;
    if (e.type == CreateNotify) XSelectInput(dpy, e.xcreatewindow.window, PropertyChangeMask);
    if (e.type == MapNotify) mapped.push_back(w = e.xmap.window);
    if (e.type == PropertyNotify && std::find(mapped.begin(), mapped.end(), e.xproperty.window) != mapped.end())
      w = e.xproperty.window;
    if (w && named(w)) ms = (Now() - t0) * 1000;
  }
  XCloseDisplay(dpy);
  std::this_thread::sleep_for(std::chrono::duration<double>(settle));
  long rss = 0;
  if (FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, f))
      if (std::sscanf(line, "VmRSS: %ld", &rss) == 1) break;
    std::fclose(f);
  }
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  std::printf("%.0f %ld\n", ms, rss / 1024);
  return 0;
}

int main(int argc, char** argv) {
  if (argc >= 5 && std::string(argv[1]) == "startup") return Startup(argv[2], std::atof(argv[3]), argv + 4);
  if (argc >= 4 && std::string(argv[1]) == "keys") return Keys(std::stoul(argv[2]), std::atoi(argv[3]));
  if (argc >= 5 && std::string(argv[1]) == "play")
    return Play(std::stoul(argv[2]), std::atof(argv[3]), std::atof(argv[4]));
  std::fprintf(stderr,
               "usage: sound_probe keys WINDOW PRESSES | play WINDOW SECONDS EXPECTED | startup TITLE SECONDS "
               "PROGRAM [ARGS]\n");
  return 2;
}

// The measuring half of tools/sound_check: records the private server's monitor with a time
// stamp on every sample, presses keys in the program's window through XTest, and reads the
// recording back.
//
//   sound_probe keys WINDOW PRESSES           piano key "1" PRESSES times, 0.9..1.6 s apart:
//                                              key-press to first audible sample, per press
//   sound_probe play WINDOW SECONDS EXPECTED   Play (Alt+P, Y), record SECONDS: zero runs
//                                              inside the sound, and the time between the
//                                              marker strikes against EXPECTED seconds
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kRate = 48000;
constexpr int kChunk = 96;  // 2 ms per read
using Clock = std::chrono::steady_clock;

double Now() { return std::chrono::duration<double>(Clock::now().time_since_epoch()).count(); }

// The left channel of the monitor, and the clock time of its first sample.
class Recorder {
 public:
  Recorder() {
    pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, kRate, 2};
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.fragsize = kChunk * 8;
    int err = 0;
    const char* source = std::getenv("PROBE_SOURCE");
    pa_ = pa_simple_new(nullptr, "sound_probe", PA_STREAM_RECORD, source, "probe", &spec, nullptr, &attr, &err);
    if (!pa_) {
      std::fprintf(stderr, "sound_probe: cannot record: %s\n", pa_strerror(err));
      std::exit(2);
    }
    thread_ = std::thread([this] { Run(); });
  }
  ~Recorder() { Stop(); }
  void Stop() {
    if (!thread_.joinable()) return;
    stop_ = true;
    thread_.join();
    pa_simple_free(pa_);
  }
  std::vector<float> samples;
  double start = 0;  // clock time of samples[0]

 private:
  void Run() {
    float buf[2 * kChunk];
    while (!stop_) {
      int err = 0;
      if (pa_simple_read(pa_, buf, sizeof buf, &err) < 0) break;
      const double t = Now();
      const pa_usec_t latency = pa_simple_get_latency(pa_, &err);
      std::lock_guard lock(mutex_);
      for (int i = 0; i < kChunk; ++i) samples.push_back(buf[2 * i]);
      // The chunk's last sample reached the monitor `latency` before the read returned.
      if (start == 0) start = t - latency / 1e6 - static_cast<double>(kChunk - 1) / kRate;
    }
  }
  pa_simple* pa_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::thread thread_;
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

int main(int argc, char** argv) {
  if (argc >= 4 && std::string(argv[1]) == "keys") return Keys(std::stoul(argv[2]), std::atoi(argv[3]));
  if (argc >= 5 && std::string(argv[1]) == "play")
    return Play(std::stoul(argv[2]), std::atof(argv[3]), std::atof(argv[4]));
  std::fprintf(stderr, "usage: sound_probe keys WINDOW PRESSES | play WINDOW SECONDS EXPECTED\n");
  return 2;
}

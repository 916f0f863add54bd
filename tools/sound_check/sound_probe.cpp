// The measuring half of tools/sound_check: records the private server's monitor with a time
// stamp on every sample, presses keys in the program's window through XTest, and reads the
// recording back.
//
//   sound_probe keys WINDOW PRESSES [MIN MAX]  piano key "1" PRESSES times, MIN..MAX s apart
//                                              (0.9..1.6): key-press to the note's onset, per
//                                              press (also over a note still sounding), and
//                                              holes of digital silence inside the sound
//   sound_probe volume WINDOW X Y CHANGES      Play, then CHANGES times the master volume typed
//                                              into the box at X,Y (0, 100, 0, ...): Enter to
//                                              the level's change in the monitor
//   sound_probe tails WINDOW GAP ONSET         Play, and Play again GAP s later: the level of
//                                              the second play before its first note (ONSET s
//                                              in) and how long the first play's sound lasted
//   sound_probe answer WINDOW SECONDS X Y [KEYS]  presses KEYS ("1", "play"), then key "1"
//                                              every 200 ms: how long until its key (pixel X,Y
//                                              of the window) lights, i.e. the window answers
//   sound_probe play WINDOW SECONDS EXPECTED   Play (Alt+P, Y), record SECONDS: zero runs
//                                              inside the sound, and the time between the
//                                              marker strikes against EXPECTED seconds
//   sound_probe startup TITLE SECONDS PROGRAM...  ms until a window named TITLE is mapped,
//                                              and the resident MB after SECONDS more
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <X11/Xutil.h>
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
constexpr int kSinkLatencyUs = 5000;
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
    attr.fragsize = kSinkLatencyUs / 1000000.0 * kRate * 8 / 4;
    // No latency adjustment: the monitor must not change how far ahead the sink renders.
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_record(stream_, std::getenv("PROBE_SOURCE"), &attr, flags) < 0) Fail("cannot record");
    while (pa_stream_get_state(stream_) != PA_STREAM_READY) {
      if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) Fail("cannot record");
      pa_threaded_mainloop_wait(loop_);
    }
    // A stream of silence, as the program's sounding stream asks (5 ms requests, early), keeps the
    // sink rendering in real time and that little ahead also while the program has no stream
    // (it has one only while it sounds): a null sink with no stream playing renders up to two
    // seconds ahead, takes it back when a stream comes and feeds its monitor in fits, and the
    // recording would no longer follow the clock. It is on a connection of its own.
    holderContext_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "sound_probe silence");
    pa_context_set_state_callback(holderContext_, &Recorder::Signal, this);
    if (pa_context_connect(holderContext_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) Fail("cannot connect");
    while (pa_context_get_state(holderContext_) != PA_CONTEXT_READY) {
      if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(holderContext_))) Fail("cannot connect");
      pa_threaded_mainloop_wait(loop_);
    }
    holder_ = pa_stream_new(holderContext_, "probe latency", &format, nullptr);
    pa_stream_set_state_callback(holder_, &Recorder::StreamSignal, this);
    pa_stream_set_write_callback(holder_, &Recorder::Silence, this);
    pa_buffer_attr hold{};
    hold.maxlength = static_cast<uint32_t>(-1);
    hold.tlength = static_cast<uint32_t>(pa_usec_to_bytes(50 * kSinkLatencyUs, &format));
    hold.prebuf = 0;
    hold.minreq = static_cast<uint32_t>(pa_usec_to_bytes(kSinkLatencyUs, &format));
    hold.fragsize = static_cast<uint32_t>(-1);
    const auto holdFlags = static_cast<pa_stream_flags_t>(PA_STREAM_EARLY_REQUESTS);
    if (pa_stream_connect_playback(holder_, nullptr, &hold, holdFlags, nullptr, nullptr) < 0) Fail("cannot play");
    while (pa_stream_get_state(holder_) != PA_STREAM_READY) {
      if (!PA_STREAM_IS_GOOD(pa_stream_get_state(holder_))) Fail("cannot play");
      pa_threaded_mainloop_wait(loop_);
    }
    pa_threaded_mainloop_unlock(loop_);
    // What comes before the sink runs steadily with the stream of silence is thrown away.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    pa_threaded_mainloop_lock(loop_);
    samples.clear();
    gaps.clear();
    starts_.clear();
    pa_threaded_mainloop_unlock(loop_);
  }
  ~Recorder() { Stop(); }
  void Stop() {
    if (!loop_) return;
    pa_threaded_mainloop_lock(loop_);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    pa_stream_disconnect(holder_);
    pa_stream_unref(holder_);
    pa_context_disconnect(holderContext_);
    pa_context_unref(holderContext_);

    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    pa_threaded_mainloop_free(loop_);
    loop_ = nullptr;
    std::vector<double> all;
    for (const auto& [at, estimate] : starts_) all.push_back(estimate);
    std::sort(all.begin(), all.end());
    if (!all.empty()) start = all[all.size() / 2];
  }
  std::vector<float> samples;
  // Where the server had no data for the recording (peek gave no pointer): first sample, count.
  std::vector<std::pair<long, long>> gaps;
  double start = 0;  // clock time at which samples[0] is heard
  // The sample heard at clock time `t`, by the estimates of the second after it: should the
  // server have held back the recording for a while (a program connecting to it as it starts
  // can), what was recorded before and after then is still placed right around `t`.
  long SampleAt(double t) const {
    std::vector<double> near;
    for (const auto& [at, estimate] : starts_)
      if (at >= t && at <= t + 1) near.push_back(estimate);
    std::sort(near.begin(), near.end());
    const double from = near.empty() ? start : near[near.size() / 2];
    return static_cast<long>((t - from) * kRate);
  }

 private:
  [[noreturn]] static void Fail(const char* what) {
    std::fprintf(stderr, "sound_probe: %s\n", what);
    std::exit(2);
  }
  static void Signal(pa_context*, void* data) { pa_threaded_mainloop_signal(static_cast<Recorder*>(data)->loop_, 0); }
  static void StreamSignal(pa_stream*, void* data) {
    pa_threaded_mainloop_signal(static_cast<Recorder*>(data)->loop_, 0);
  }
  static void Silence(pa_stream* stream, size_t bytes, void*) {
    static const std::vector<float> zeros(2 * kRate / 10, 0.0f);
    while (bytes > 0) {
      const size_t n = std::min(bytes, zeros.size() * sizeof(float));
      pa_stream_write(stream, zeros.data(), n, nullptr, 0, PA_SEEK_RELATIVE);
      bytes -= n;
    }
  }
  static void Read(pa_stream* stream, size_t, void* data) {
    auto* self = static_cast<Recorder*>(data);
    const void* bytes = nullptr;
    size_t n = 0;
    while (pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &bytes, &n) == 0 && n > 0) {
      const size_t frames = n / (2 * sizeof(float));
      const auto* f = static_cast<const float*>(bytes);
      if (!f) self->gaps.emplace_back(static_cast<long>(self->samples.size()), static_cast<long>(frames));
      for (size_t i = 0; i < frames; ++i) self->samples.push_back(f ? f[2 * i] : 0.0f);  // a hole is silence
      pa_stream_drop(stream);
    }
    pa_usec_t latency = 0;
    int negative = 0;
    if (self->samples.empty() || pa_stream_get_latency(stream, &latency, &negative) != 0) return;
    // The last sample read is heard `latency` before now (after now, for a monitor).
    const double heard = Now() - (negative ? -1.0 : 1.0) * static_cast<double>(latency) / 1e6;
    self->starts_.emplace_back(Now(), heard - static_cast<double>(self->samples.size() - 1) / kRate);
  }
  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  pa_context* holderContext_ = nullptr;
  pa_stream* holder_ = nullptr;
  std::vector<std::pair<double, double>> starts_;  // when read, and the estimate of `start`
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
  double Tap(KeySym sym) {
    const double t = Key(sym, true);
    Key(sym, false);
    return t;
  }
  // The Play menu's "Pla&y" (or another item of it, by its access key).
  void PlayMenu(KeySym item) {
    Key(XK_Alt_L, true);
    Tap(XK_p);
    Key(XK_Alt_L, false);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Tap(item);
  }
  // A left click at X,Y of the window.
  void Click(int x, int y) {
    Window child;
    int rx = 0, ry = 0;
    XTranslateCoordinates(dpy_, window_, DefaultRootWindow(dpy_), x, y, &rx, &ry, &child);
    XTestFakeMotionEvent(dpy_, -1, rx, ry, CurrentTime);
    XTestFakeButtonEvent(dpy_, 1, True, CurrentTime);
    XTestFakeButtonEvent(dpy_, 1, False, CurrentTime);
    XSync(dpy_, False);
  }
  Display* display() { return dpy_; }

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

// The onset of a note struck at sample `from`, within half a second: on silence (below -66 dBFS)
// the first sample above ten times what sounded in the 50 ms before (a note at this program's
// levels takes tens of milliseconds of its attack to pass -40 dBFS); over a note still sounding, the first millisecond whose change from sample
// to sample carries four times the energy it had just before the press (an attack; the note
// before dies away under it over 30 ms, so the attack must be told while that one still sounds)
// or less than a fifth of it (the note before gives way to a quieter one).
// -1 when nothing is found.
long Onset(const std::vector<float>& s, long from) {
  const long to = std::min<long>(static_cast<long>(s.size()), from + kRate / 2);
  if (from < kRate / 20 || from >= to) return -1;
  float before = 0;
  for (long i = from - kRate / 200; i < from; ++i) before = std::max(before, std::fabs(s[i]));
  if (before < 0.0005f) {
    // Ten times what was there before, at least -94 dBFS: a chain of effects may keep a key far
    // below -60 dBFS (the distortion's default gain is -41 dB).
    float rest = 0;
    for (long i = from - kRate / 20; i < from; ++i) rest = std::max(rest, std::fabs(s[i]));
    const float threshold = std::max(10 * rest, 2e-5f);
    for (long i = from; i < to; ++i)
      if (std::fabs(s[i]) > threshold) return i;
    return -1;
  }
  const long ms = kRate / 1000;
  auto energy = [&](long at) {
    double e = 0;
    for (long j = at; j < at + ms; ++j) e += double(s[j] - s[j - 1]) * (s[j] - s[j - 1]);
    return e;
  };
  std::vector<double> quiet;
  for (long at = from - kRate / 20; at + ms <= from; at += ms) quiet.push_back(energy(at));
  const double base = std::max(Median(quiet), 1e-12);
  for (long at = from; at + ms <= to; at += ms)
    if (energy(at) > 4 * base || energy(at) < base / 5) return at;
  return -1;
}

// Stretches the server sent no sound for (the recording fell behind): zeros there are not in the sound.
void RecordingGaps(const Recorder& rec) {
  long frames = 0;
  for (const auto& gap : rec.gaps) frames += gap.second;
  std::printf("gaps in the recording (no data from the server): %zu, %ld samples\n", rec.gaps.size(), frames);
}

// Runs of 32 or more exact zeros between `first` and `last` that cut into sound (above -60 dBFS
// in the 10 ms before them): holes in the sound, not the quiet after a tail.
int Holes(const std::vector<float>& s, long first, long last, long* longest, std::string* where,
          std::vector<long>* starts = nullptr) {
  int holes = 0;
  long run = 0;
  auto audibleBefore = [&](long at) {
    for (long i = std::max(0L, at - kRate / 100); i < at; ++i)
      if (std::fabs(s[i]) > 1e-3f) return true;
    return false;
  };
  for (long i = std::max(0L, first); i <= last && i < static_cast<long>(s.size()); ++i) {
    if (s[i] == 0.0f) {
      if (++run == 32 && audibleBefore(i - 31)) {
        if (++holes <= 10 && where) *where += " " + std::to_string((i - 31) / double(kRate)).substr(0, 6) + "s";
        if (starts) starts->push_back(i - 31);
        *longest = std::max(*longest, run);
      }
      if (run > 32 && *longest >= run - 1) *longest = run;
    } else {
      run = 0;
    }
  }
  return holes;
}

int Keys(unsigned long window, int presses, double gapMin, double gapMax) {
  Recorder rec;
  Keyboard kb(window);
  std::mt19937 random(13);
  std::uniform_real_distribution<double> gap(gapMin, gapMax);
  std::vector<double> pressed;
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  for (int i = 0; i < presses; ++i) {
    pressed.push_back(kb.Key(XK_1, true));
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    kb.Key(XK_1, false);
    std::this_thread::sleep_for(std::chrono::duration<double>(gap(random)));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  rec.Stop();
  const auto& s = rec.samples;
  std::vector<double> delays;
  int over = 0;
  for (size_t k = 0; k < pressed.size(); ++k) {
    const long from = rec.SampleAt(pressed[k]);
    float before = 0;
    for (long i = std::max(0L, from - kRate / 200); i < from && i < static_cast<long>(s.size()); ++i)
      before = std::max(before, std::fabs(s[i]));
    const long hit = Onset(s, from);
    if (hit < 0) {
      std::printf("press %2zu: no onset within 0.5 s\n", k + 1);
      continue;
    }
    const double ms = (static_cast<double>(hit - from)) * 1000.0 / kRate;
    over += before >= 0.0005f;
    std::printf("press %2zu: %.2f ms%s\n", k + 1, ms, before >= 0.0005f ? " (over a sounding note)" : "");
    delays.push_back(ms);
  }
  Summary("key -> onset", delays, "ms");
  std::printf("presses over a sounding note: %d of %zu\n", over, pressed.size());
  long first = rec.SampleAt(pressed.front()), last = first;
  for (long i = first; i < static_cast<long>(s.size()); ++i)
    if (std::fabs(s[i]) > 1e-3f) last = i;
  long longest = 0;
  std::string where;
  std::vector<long> starts;
  const int holes = Holes(s, Onset(s, first), last, &longest, &where, &starts);
  std::printf("holes (runs of >= 32 zero samples inside the sound): %d, longest zero run %ld samples%s%s\n", holes,
              longest, holes ? ", at" : "", where.c_str());
  // Where a hole falls against the presses tells a late refill (anywhere) from a new sound's
  // seam (just after a press).
  for (const long at : starts) {
    size_t k = 0;
    while (k + 1 < pressed.size() && rec.SampleAt(pressed[k + 1]) <= at) ++k;
    std::printf("   hole at %.3fs: %.1f ms after press %zu\n", at / double(kRate),
                (at - rec.SampleAt(pressed[k])) * 1000.0 / kRate, k + 1);
  }
  RecordingGaps(rec);
  return delays.size() == pressed.size() && holes == 0 ? 0 : 1;
}

// Level in dBFS of s[begin, end).
double LevelDb(const std::vector<float>& s, long begin, long end) {
  double sum = 0;
  begin = std::max(0L, begin);
  end = std::min<long>(end, static_cast<long>(s.size()));
  if (end <= begin) return -200;
  for (long i = begin; i < end; ++i) sum += double(s[i]) * s[i];
  return 10 * std::log10(std::max(sum / (end - begin), 1e-20));
}

int Volume(unsigned long window, int x, int y, int changes) {
  Recorder rec;
  Keyboard kb(window);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  kb.PlayMenu(XK_y);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  std::vector<double> entered;
  std::vector<int> values;
  for (int i = 0; i < changes; ++i) {
    const int value = i % 2 == 0 ? 0 : 100;
    kb.Click(x, y);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    kb.Tap(XK_End);
    for (int k = 0; k < 4; ++k) kb.Tap(XK_BackSpace);
    for (char c : std::to_string(value)) kb.Tap(XK_0 + (c - '0'));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    entered.push_back(kb.Tap(XK_Return));
    values.push_back(value);
    std::this_thread::sleep_for(std::chrono::milliseconds(1400));
  }
  kb.PlayMenu(XK_o);  // St&op
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  rec.Stop();
  const auto& s = rec.samples;
  const long ms2 = kRate / 500;
  std::vector<double> delays;
  for (size_t k = 0; k < entered.size(); ++k) {
    const auto at = static_cast<long>((entered[k] - rec.start) * kRate);
    // The level before the change and well after it; the change is heard where the level in
    // 2 ms windows first crosses the middle of the two (in dB).
    const double before = LevelDb(s, at - kRate / 5, at - kRate / 50);
    const double after = LevelDb(s, at + kRate * 6 / 10, at + kRate * 9 / 10);
    if (std::fabs(after - before) < 15) {
      std::printf("change %2zu to %3d: level %.1f -> %.1f dBFS, no clear change\n", k + 1, values[k], before, after);
      continue;
    }
    const double middle = (before + after) / 2;
    long hit = -1;
    for (long w = at; w + ms2 < at + kRate / 2; w += ms2 / 4)
      if ((after < before) == (LevelDb(s, w, w + ms2) < middle)) {
        hit = w;
        break;
      }
    // The largest step from one sample to the next around the change, against the largest
    // before it: a jump of the volume clicks.
    float stepBefore = 0, stepAt = 0;
    for (long i = at - kRate / 5; i < at; ++i) stepBefore = std::max(stepBefore, std::fabs(s[i] - s[i - 1]));
    for (long i = at; i < at + kRate / 2 && i < static_cast<long>(s.size()); ++i)
      stepAt = std::max(stepAt, std::fabs(s[i] - s[i - 1]));
    if (hit < 0) {
      std::printf("change %2zu to %3d: not heard within 0.5 s\n", k + 1, values[k]);
      continue;
    }
    const double delay = (hit - at) * 1000.0 / kRate;
    std::printf("change %2zu to %3d: %.1f -> %.1f dBFS after %.2f ms (largest sample step %.4f, before %.4f)\n", k + 1,
                values[k], before, after, delay, stepAt, stepBefore);
    delays.push_back(delay);
  }
  Summary("volume typed -> heard", delays, "ms");
  return delays.size() == entered.size() ? 0 : 1;
}

int Tails(unsigned long window, double gap, double onset) {
  Recorder rec;
  Keyboard kb(window);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const double first = Now();
  kb.PlayMenu(XK_y);
  std::this_thread::sleep_for(std::chrono::duration<double>(gap));
  const double second = Now();
  kb.PlayMenu(XK_y);
  // A play writes its file about a second after the command, then plays.
  std::this_thread::sleep_for(std::chrono::duration<double>(onset + 2.5));
  rec.Stop();
  const auto& s = rec.samples;
  const long size = static_cast<long>(s.size());
  const long a = rec.SampleAt(first), b = rec.SampleAt(second);
  auto firstAbove = [&](long from, float level) {
    for (long i = std::max(0L, from); i < size; ++i)
      if (std::fabs(s[i]) > level) return i;
    return -1L;
  };
  const float step = 1.0f / 32768;
  long last = -1;
  for (long i = std::max(0L, a); i < b && i < size; ++i)
    if (std::fabs(s[i]) > step) last = i;
  const long note1 = firstAbove(a, 0.01f);
  std::printf("first play: its note's sound lasted %.2f s (to the last sample above a 16-bit step)\n",
              note1 >= 0 && last > note1 ? (last - note1) / double(kRate) : 0.0);
  // The second play opens with its rests: whatever sounds well before its note is left over.
  const long sound = firstAbove(b, step), note = firstAbove(b, 0.01f);
  if (note < 0) {
    std::printf("second play: its note not found\n");
    return 1;
  }
  float ghost = 0;
  for (long i = std::max(0L, sound); i >= 0 && i < note - kRate / 20; ++i) ghost = std::max(ghost, std::fabs(s[i]));
  std::printf("second play: first sound %.3f s before its note; peak before the note %.1f dBFS\n",
              (note - sound) / double(kRate), 20 * std::log10(std::max(ghost, 1e-10f)));
  return ghost < step ? 0 : 1;
}

// How long the window thread takes to answer: after pressing `keys` ("1" or "play"), presses
// the piano key "1" every 200 ms for `seconds` and times how long its key on the screen (window
// pixel X,Y) takes to turn blue, as a key played on the keyboard does.
int Answer(unsigned long window, double seconds, int x, int y, const std::string& keys) {
  Keyboard kb(window);
  Display* dpy = kb.display();
  auto blue = [&] {
    XImage* image = XGetImage(dpy, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return false;
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return (pixel & 0xFF) > 0xC0 && ((pixel >> 8) & 0xFF) < 0x40 && ((pixel >> 16) & 0xFF) < 0x40;
  };
  if (keys == "1") kb.Tap(XK_1);
  if (keys == "play") kb.PlayMenu(XK_y);
  std::vector<double> answers;
  const double end = Now() + seconds;
  while (Now() < end) {
    const double pressed = kb.Key(XK_1, true);
    double lit = -1;
    while (lit < 0 && Now() < pressed + 60) {
      if (blue()) lit = Now();
      else std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    kb.Key(XK_1, false);
    if (lit < 0) {
      std::printf("the key did not light within 60 s\n");
      return 1;
    }
    answers.push_back((lit - pressed) * 1000);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  Summary("window lights a key", answers, "ms");
  return 0;
}

int Play(unsigned long window, double seconds, double expected) {
  Recorder rec;
  {
    Keyboard kb(window);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    kb.PlayMenu(XK_y);
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

// Waits for the X server to map a top-level window whose name contains `title` (a window may be
// named just after it is mapped): X events, not polling. 0 after `seconds` without one.
Window WaitForWindow(Display* dpy, const char* title, double seconds) {
  auto named = [&](Window w) {
    char* name = nullptr;
    bool ok = XFetchName(dpy, w, &name) && name && std::strstr(name, title);
    if (name) XFree(name);
    return ok;
  };
  std::vector<Window> mapped;
  const double end = Now() + seconds;
  while (Now() < end) {
    if (XPending(dpy) == 0) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      continue;
    }
    XEvent e;
    XNextEvent(dpy, &e);
    Window w = 0;
    if (e.type == CreateNotify) XSelectInput(dpy, e.xcreatewindow.window, PropertyChangeMask);
    if (e.type == MapNotify) mapped.push_back(w = e.xmap.window);
    if (e.type == PropertyNotify && std::find(mapped.begin(), mapped.end(), e.xproperty.window) != mapped.end())
      w = e.xproperty.window;
    if (w && named(w)) return w;
  }
  return 0;
}

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
  const Window w = WaitForWindow(dpy, title, 60);
  const double ms = w ? (Now() - t0) * 1000 : -1;
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
  if (argc >= 4 && std::string(argv[1]) == "keys")
    return Keys(std::stoul(argv[2]), std::atoi(argv[3]), argc >= 6 ? std::atof(argv[4]) : 0.9,
                argc >= 6 ? std::atof(argv[5]) : 1.6);
  if (argc >= 6 && std::string(argv[1]) == "volume")
    return Volume(std::stoul(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
  if (argc >= 5 && std::string(argv[1]) == "tails")
    return Tails(std::stoul(argv[2]), std::atof(argv[3]), std::atof(argv[4]));
  if (argc >= 6 && std::string(argv[1]) == "answer")
    return Answer(std::stoul(argv[2]), std::atof(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]),
                  argc >= 7 ? argv[6] : "");
  if (argc >= 5 && std::string(argv[1]) == "play")
    return Play(std::stoul(argv[2]), std::atof(argv[3]), std::atof(argv[4]));
  std::fprintf(stderr,
               "usage: sound_probe keys WINDOW PRESSES [MIN MAX] | play WINDOW SECONDS EXPECTED | volume WINDOW X Y "
               "CHANGES | tails WINDOW GAP ONSET | answer WINDOW SECONDS X Y [1|play] | startup TITLE SECONDS PROGRAM [ARGS]\n");
  return 2;
}

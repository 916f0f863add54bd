// The measuring half of tools/display_sync/display_check: how far the displays that follow a
// play (player piano, teacher key, karaoke ball) are from the notes they stand for, on the
// real program.
//
//   display_probe WINDOW SECONDS POSITIONS PASSES [loop]
//
// WINDOW is the main window of a program that has a composition of POSITIONS notes open (one
// note a position, each on the white key after the one before, so that every position lights
// a new key) and the three modes on. With "loop" it checks Play > Loop first. It plays the
// composition once to find where the displays are on the screen, stops, then plays it again
// while it records the sound server's monitor (a time on every sample) and reads the three
// displays' rows of pixels straight from the X server every millisecond or so (a time on every
// read). Each note's onset in the recording is paired with the moment each display first
// showed that note's position; it prints, per display, lit time minus onset: min, median, max,
// the positions a display passed over (a tick more than a position late) and any move to a
// place no note near it shows.
//
// The recorder and the key presses are sound_probe's (tools/sound_check), compiled in here so
// that there is one of each.
#define main sound_probe_main
#include "../sound_check/sound_probe.cpp"
#undef main

#include <X11/Xutil.h>

#include "../../tests/support/onsets.h"

#include <atomic>
#include <pthread.h>
#include <sched.h>
#include <map>
#include <optional>

namespace display_probe {

constexpr double kLyricStep = 500 / 15.0;  // px between two lyric boxes
constexpr double kBallStep = 1800 / 15.0;  // px between two karaoke ball places
constexpr double kKeyStep = 720 / 15.0;    // px between two white keys

struct Rgb {
  int r, g, b;
};
constexpr Rgb kYellow{255, 255, 0};
constexpr Rgb kRed{255, 0, 0};

// A rectangle of the screen, read from the X server.
class Grab {
 public:
  Grab(Display* dpy, int x, int y, int width, int height) {
    image_ = XGetImage(dpy, DefaultRootWindow(dpy), x, y, width, height, AllPlanes, ZPixmap);
  }
  ~Grab() {
    if (image_) XDestroyImage(image_);
  }
  Grab(const Grab&) = delete;
  Grab& operator=(const Grab&) = delete;
  bool Ok() const { return image_ != nullptr; }
  int Width() const { return image_->width; }
  int Height() const { return image_->height; }
  bool Is(int x, int y, Rgb c) const {
    const unsigned long p = XGetPixel(image_, x, y);
    return static_cast<int>((p >> 16) & 0xFF) == c.r && static_cast<int>((p >> 8) & 0xFF) == c.g &&
           static_cast<int>(p & 0xFF) == c.b;
  }
  // The middle of the pixels of colour `c` in row `y`, and their count.
  std::pair<double, int> Middle(int y, Rgb c) const {
    double sum = 0;
    int n = 0;
    for (int x = 0; x < Width(); ++x)
      if (Is(x, y, c)) sum += x, ++n;
    return {n ? sum / n : -1, n};
  }

 private:
  XImage* image_ = nullptr;
};

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
};

Rect WindowRect(Display* dpy, Window w) {
  XWindowAttributes a{};
  XGetWindowAttributes(dpy, w, &a);
  int x = 0, y = 0;
  Window child;
  XTranslateCoordinates(dpy, w, DefaultRootWindow(dpy), 0, 0, &x, &y, &child);
  return {x, y, a.width, a.height};
}

// A viewable window under `under` whose name starts with `name`.
std::optional<Window> FindWindowNamed(Display* dpy, Window under, const std::string& name) {
  Window root, parent, *children = nullptr;
  unsigned int n = 0;
  if (!XQueryTree(dpy, under, &root, &parent, &children, &n)) return std::nullopt;
  std::optional<Window> found;
  for (unsigned int i = 0; i < n && !found; ++i) {
    char* title = nullptr;
    XWindowAttributes a{};
    XGetWindowAttributes(dpy, children[i], &a);
    if (a.map_state == IsViewable && XFetchName(dpy, children[i], &title) && title &&
        std::string(title).rfind(name, 0) == 0)
      found = children[i];
    if (title) XFree(title);
    if (!found) found = FindWindowNamed(dpy, children[i], name);
  }
  if (children) XFree(children);
  return found;
}

// One row of pixels a display is read from: where it is on the screen, the colour that marks
// what it shows, and where the mark is for the first position.
struct Row {
  const char* name;
  int x = 0, y = 0, width = 0;
  Rgb colour{};
  double step = 1;    // px from one shown place to the next
  double origin = 0;  // the mark's middle (screen x) for the first position
  // The place (counted from the first position's) that shows position p.
  int (*place)(int p) = nullptr;
  int before = -1;  // the place shown before the first note (-1: none)
};

// Where the three displays are: found on the screen while the first position is lit.
std::optional<std::vector<Row>> FindRows(Display* dpy, Window main) {
  const Rect m = WindowRect(dpy, main);
  Grab g(dpy, m.x, m.y, m.width, m.height);
  if (!g.Ok()) return std::nullopt;
  std::vector<Row> rows;
  // The highlighted lyric box: yellow in the top quarter (the duration palette's yellow frame
  // is further down).
  double ySum = 0;
  int yCount = 0;
  for (int y = 0; y < m.height / 4; ++y)
    if (g.Middle(y, kYellow).second > 10) ySum += y, ++yCount;
  if (yCount == 0) return std::nullopt;
  const int lyricY = static_cast<int>(ySum / yCount);
  rows.push_back({"player piano", m.x, m.y + lyricY, m.width, kYellow, kLyricStep, m.x + g.Middle(lyricY, kYellow).first,
                  [](int p) { return p % 20; }});
  // The lit key: the longest red run in the bottom third (the time display's digits are red
  // too, but thin); read near its lower end, below the black keys.
  int best = 0, keyBottom = -1;
  for (int y = m.height * 2 / 3; y < m.height; ++y) {
    const int n = g.Middle(y, kRed).second;
    if (n > best + 5) best = n, keyBottom = y;
    else if (n >= best - 2 && n > 20) keyBottom = y;
  }
  if (keyBottom < 0) return std::nullopt;
  // Position p plays white key (p + 1) % 15.
  rows.push_back({"teacher key", m.x, m.y + keyBottom - 6, m.width, kRed, kKeyStep,
                  m.x + g.Middle(keyBottom - 6, kRed).first, [](int p) { return (p + 1) % 15 - 1; }});
  // The karaoke ball: the red circle in its window.
  const std::optional<Window> karaoke = FindWindowNamed(dpy, DefaultRootWindow(dpy), "Karaoke");
  if (!karaoke) return std::nullopt;
  const Rect k = WindowRect(dpy, *karaoke);
  Grab kg(dpy, k.x, k.y, k.width, k.height);
  ySum = 0, yCount = 0;
  for (int y = 0; y < k.height; ++y)
    if (kg.Ok() && kg.Middle(y, kRed).second > 4) ySum += y, ++yCount;
  if (yCount == 0) return std::nullopt;
  const int ballY = static_cast<int>(ySum / yCount);
  // The play start puts the ball over the first lyric before the first note sounds.
  rows.push_back({"karaoke ball", k.x, k.y + ballY, k.width, kRed, kBallStep, k.x + kg.Middle(ballY, kRed).first,
                  [](int p) { return p % 5; }, 0});
  return rows;
}

// What a display showed from a time on: the middle of its mark (-1: nothing shown).
struct Change {
  double time;
  double x;
};

// Reads the rows over and over on a connection of its own until stopped; keeps the changes.
class Watcher {
 public:
  explicit Watcher(std::vector<Row> rows) : rows_(std::move(rows)), changes_(rows_.size()) {
    thread_ = std::thread([this] { Run(); });
  }
  ~Watcher() { Stop(); }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  const std::vector<Row>& Rows() const { return rows_; }
  const std::vector<std::vector<Change>>& Changes() const { return changes_; }
  double MeanInterval() const { return reads_ > 1 ? (last_ - first_) / (reads_ - 1) : 0; }
  double LastRead() const { return last_; }

 private:
  void Run() {
    // Read on time even with every core busy, so that what is measured is the program's delay
    // and not the probe's (where the system allows it).
    sched_param realtime{};
    realtime.sched_priority = 20;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &realtime);
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) return;
    std::vector<double> shown(rows_.size(), -2);
    while (!stop_) {
      const double before = Now();
      std::vector<double> xs;
      for (const Row& r : rows_) {
        Grab g(dpy, r.x, r.y, r.width, 1);
        xs.push_back(g.Ok() ? g.Middle(0, r.colour).first : -1);
      }
      // The read happened between the request and the reply.
      const double at = (before + Now()) / 2;
      if (reads_++ == 0) first_ = at;
      last_ = at;
      for (size_t i = 0; i < rows_.size(); ++i)
        if (std::fabs(xs[i] - shown[i]) > 1) {
          shown[i] = xs[i];
          changes_[i].push_back({at, xs[i] < 0 ? -1 : rows_[i].x + xs[i]});
        }
      std::this_thread::sleep_for(std::chrono::microseconds(800));
    }
    XCloseDisplay(dpy);
  }
  std::vector<Row> rows_;
  std::vector<std::vector<Change>> changes_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  long reads_ = 0;
  double first_ = 0, last_ = 0;
};

// Note onsets, as clock times; the tails' noise below -60 dB starts nothing.
std::vector<double> Onsets(const std::vector<float>& s, double start) {
  std::vector<double> times;
  for (size_t i : sound_onsets::Onsets(s, 1e-6)) times.push_back(start + static_cast<double>(i) / kRate);
  return times;
}

// The program's main window, looked up afresh each time: the window system may have made it
// anew since.
unsigned long MainWindow(unsigned long fallback) {
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) return fallback;
  const std::optional<Window> w = FindWindowNamed(dpy, DefaultRootWindow(dpy), "Stavelark - ");
  XCloseDisplay(dpy);
  return w ? *w : fallback;
}

// Alt+P, then `item`'s access key, with the main window focused.
void PlayMenu(unsigned long window, KeySym item) {
  Keyboard kb(MainWindow(window));
  kb.Key(XK_Alt_L, true);
  kb.Key(XK_p, true);
  kb.Key(XK_p, false);
  kb.Key(XK_Alt_L, false);
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  kb.Key(item, true);
  kb.Key(item, false);
}

int Measure(unsigned long window, double seconds, int positions, int passes, bool loop) {
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) return 2;
  if (loop) {
    PlayMenu(window, XK_l);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  // A first play shows where the displays are.
  PlayMenu(window, XK_y);
  std::optional<std::vector<Row>> rows;
  for (int i = 0; i < 250 && !rows; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    rows = FindRows(dpy, MainWindow(window));
  }
  PlayMenu(window, XK_o);  // Stop
  XCloseDisplay(dpy);
  if (!rows) {
    std::printf("the displays were not found on the screen\n");
    return 1;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // the last note dies away

  Recorder rec;
  Watcher watch(*rows);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  PlayMenu(window, XK_y);
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  watch.Stop();
  rec.Stop();
  PlayMenu(window, XK_o);

  const std::vector<double> onsets = Onsets(rec.samples, rec.start);
  const size_t expected = static_cast<size_t>(positions) * passes;
  std::printf("onsets heard: %zu of %zu; displays read every %.2f ms\n", onsets.size(), expected,
              watch.MeanInterval() * 1000);
  if (onsets.size() < 2) return 1;
  // Every note heard up to shortly before the reading stopped (so that its display was read
  // on both sides of it), a loop's next pass included.
  size_t notes = 0;
  while (notes < onsets.size() && onsets[notes] < watch.LastRead() - 0.2) ++notes;
  // The display of the first note left out may come up to half a tick before it.
  const double until = notes < onsets.size() ? onsets[notes] - 0.1 : watch.LastRead();
  std::vector<double> all;
  int wrong = 0, skipped = 0;
  for (size_t d = 0; d < watch.Rows().size(); ++d) {
    const Row& row = watch.Rows()[d];
    // Each move of the display, from just before the first note on (what the play start shows
    // comes earlier: the first note's position lights at most half a tick early), belongs to
    // the nearest note whose position shows at the place it moved to; a note is lit at the
    // first move that belongs to it.
    std::vector<double> lit(notes, -1);
    int stray = 0;
    for (const Change& c : watch.Changes()[d]) {
      if (c.x < 0 || c.time <= onsets[0] - 0.08 || c.time >= until) continue;
      const int place = static_cast<int>(std::lround((c.x - row.origin) / row.step));
      long nearest = -1;
      for (size_t k = 0; k < notes; ++k)
        if (row.place(static_cast<int>(k % positions)) == place &&
            (nearest < 0 || std::fabs(c.time - onsets[k]) < std::fabs(c.time - onsets[nearest])))
          nearest = static_cast<long>(k);
      if (nearest < 0 || std::fabs(c.time - onsets[nearest]) > 1.0) {
        if (++stray <= 3) std::printf("  %s: a move to place %d that no note near it shows\n", row.name, place);
        continue;
      }
      if (lit[nearest] < 0) lit[nearest] = c.time;
    }
    // A note whose position shows where the one before did cannot be seen to light; any other
    // that never lit was passed over (a tick came more than a position late).
    std::vector<double> offsets;
    int passedOver = 0, before = row.before;
    for (size_t k = 0; k < notes; ++k) {
      const int place = row.place(static_cast<int>(k % positions));
      if (lit[k] >= 0) offsets.push_back((lit[k] - onsets[k]) * 1000);
      else if (place != before) ++passedOver;
      before = place;
    }
    wrong += stray;
    skipped += passedOver;
    all.insert(all.end(), offsets.begin(), offsets.end());
    Summary(("  " + std::string(row.name) + ", lit - onset").c_str(), offsets, "ms");
  }
  Summary("all displays, lit - onset", all, "ms");
  std::printf("positions passed over: %d; moves to a place no near note shows: %d\n", skipped, wrong);
  return wrong == 0 && skipped == 0 && onsets.size() >= expected ? 0 : 1;
}

}  // namespace display_probe

int main(int argc, char** argv) {
  // A window that goes away while it is read (the program ending) is no reason to stop.
  XSetErrorHandler([](Display*, XErrorEvent* e) {
    std::fprintf(stderr, "display_probe: X error %d (request %d)\n", e->error_code, e->request_code);
    return 0;
  });
  if (argc >= 5)
    return display_probe::Measure(std::stoul(argv[1]), std::atof(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                                  argc >= 6 && std::string(argv[5]) == "loop");
  std::fprintf(stderr, "usage: display_probe WINDOW SECONDS POSITIONS PASSES [loop]\n");
  return 2;
}

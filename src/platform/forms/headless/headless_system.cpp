#include "platform/forms/headless/headless_system.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace forms::headless {

namespace {

constexpr int kScreenWidthPx = 1280;
constexpr int kScreenHeightPx = 1024;
// Where GetCursorPos's coordinates put the main form's client area (twips).
constexpr double kMainClientLeft = 0;
constexpr double kMainClientTop = 48 * TwipsPerPixel;
// How far an idle wait moves the clock when no timer runs at all.
constexpr int64_t kIdleStepMs = 1;

std::string Escaped(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else out += c;
  }
  return out;
}

std::string Quoted(const std::string& s) { return "\"" + Escaped(s) + "\""; }

std::string ColorText(Color c) { return "&H" + basic::Hex(c); }

std::string Label(const Control& c) {
  return c.Name() + (c.Index() >= 0 ? "(" + std::to_string(c.Index()) + ")" : "");
}

// What a message box nobody scripted answers: what Escape gives (Cancel, or OK on a box with
// only OK). A box that Escape does not end (Yes/No, Abort/Retry/Ignore) waits for a button: it
// gets its default one, as Enter would choose.
int DefaultMsgBoxAnswer(int buttons) {
  if (const int escape = mb::EscapeAnswer(buttons)) return escape;
  const int defaultIndex = (buttons >> 8) & 3;
  if ((buttons & 7) == mb::YesNo) return defaultIndex == 0 ? mb::Yes : mb::No;
  return mb::Abort + std::min(defaultIndex, 2);  // Abort, Retry, Ignore
}

// Open and save dialogs take the same scripted answers.
bool SameGroup(DialogKind a, DialogKind b) {
  auto group = [](DialogKind k) { return k == DialogKind::SaveFile ? DialogKind::OpenFile : k; };
  return group(a) == group(b);
}

// UTF-8: one code point from `s` at `pos`, moving `pos` past it (a stray byte reads as itself).
int DecodeUtf8(const std::string& s, size_t& pos) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(pos);
  const size_t extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  int cp = lead & (0x7F >> extra);
  bool ok = extra > 0 && pos + extra < s.size();
  for (size_t i = 1; ok && i <= extra; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) ok = false;
    else cp = (cp << 6) | (byte(pos + i) & 0x3F);
  }
  if (!ok) {
    ++pos;
    return lead;
  }
  pos += extra + 1;
  return cp;
}

std::string EncodeUtf8(int cp) {
  std::string out;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

size_t CodePoints(const std::string& s) {
  size_t n = 0;
  for (size_t pos = 0; pos < s.size(); ++n) DecodeUtf8(s, pos);
  return n;
}

// A text box's text after one typed character.
std::string Edited(const std::string& text, int keyAscii, bool multiLine, int maxLength) {
  if (keyAscii == vk::Back) {
    if (text.empty()) return text;
    size_t end = text.size() - 1;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
  }
  std::string add;
  if (keyAscii == vk::Return) {
    if (!multiLine) return text;
    add = "\r\n";
  } else if (keyAscii < 32 || keyAscii > 0x10FFFF) {
    return text;
  } else {
    add = EncodeUtf8(keyAscii);
  }
  if (maxLength > 0 && CodePoints(text) + CodePoints(add) > static_cast<size_t>(maxLength)) return text;
  return text + add;
}

bool Printable(const Control& c) {
  switch (c.Kind()) {
    case ControlKind::Timer:
    case ControlKind::CommonDialog:
    case ControlKind::Menu: return false;
    default: return true;
  }
}

// The control's rectangle in its form's client area: left, top, right, bottom.
struct Rect {
  double left, top, right, bottom;
};
Rect Bounds(const Control& c) {
  if (c.Kind() == ControlKind::Line) {
    const auto& l = static_cast<const Line&>(c);
    double ox = c.FormLeft() - c.Left, oy = c.FormTop() - c.Top;
    return {ox + std::min<double>(l.X1, l.X2), oy + std::min<double>(l.Y1, l.Y2),
            ox + std::max<double>(l.X1, l.X2), oy + std::max<double>(l.Y1, l.Y2)};
  }
  return {c.FormLeft(), c.FormTop(), c.FormLeft() + c.Width, c.FormTop() + c.Height};
}

// Paints (records) the controls of `container` in `form`, back to front: the windowless
// ones (drawn on the surface) first, then the windowed ones, each followed by what it holds.
void PrintControls(PrintedPage& page, const Form& form, const Control* container, double ox, double oy) {
  for (int pass = 0; pass < 2; ++pass) {
    for (Control* c : form.ZOrderList()) {
      if (c->Container() != container || c->IsWindowless() != (pass == 0)) continue;
      if (!Printable(*c) || !c->IsShowing()) continue;
      Rect r = Bounds(*c);
      if (ox + r.right < 0 || oy + r.bottom < 0 || ox + r.left > page.width || oy + r.top > page.height) continue;
      PrintedControl pc;
      pc.kind = c->Kind();
      pc.name = c->Name();
      pc.index = c->Index();
      pc.form = form.Name();
      bool line = c->Kind() == ControlKind::Line;
      pc.left = ox + c->FormLeft() - (line ? c->Left() : 0);
      pc.top = oy + c->FormTop() - (line ? c->Top() : 0);
      for (const PropertyBase* p : c->Properties()) pc.properties.emplace_back(p->Name(), p->ToString());
      page.controls.push_back(std::move(pc));
      if (c->Kind() == ControlKind::Hosted) {
        if (const Form* surface = static_cast<const HostedControl*>(c)->Surface())
          PrintControls(page, *surface, nullptr, ox + c->FormLeft(), oy + c->FormTop());
      }
      PrintControls(page, form, c, ox, oy);
    }
  }
}

}  // namespace

const char* DialogKindName(DialogKind kind) {
  switch (kind) {
    case DialogKind::MsgBox: return "MsgBox";
    case DialogKind::InputBox: return "InputBox";
    case DialogKind::OpenFile: return "Open dialog";
    case DialogKind::SaveFile: return "Save dialog";
    case DialogKind::Color: return "Color dialog";
    case DialogKind::Printer: return "Printer dialog";
  }
  return "dialog";
}

std::string DialogRecord::Describe() const {
  std::string s = DialogKindName(kind);
  switch (kind) {
    case DialogKind::MsgBox:
      s += " " + Quoted(prompt) + " title " + Quoted(title) + " buttons " + std::to_string(buttons);
      break;
    case DialogKind::InputBox:
      s += " " + Quoted(prompt) + " title " + Quoted(title) + " default " + Quoted(defaultText);
      break;
    case DialogKind::OpenFile:
    case DialogKind::SaveFile:
      s += " title " + Quoted(file.title) + " filter " + Quoted(file.filter) + " file " + Quoted(file.fileName) +
           " flags " + std::to_string(file.flags);
      break;
    case DialogKind::Color: s += " colour " + ColorText(color) + " flags " + std::to_string(buttons); break;
    case DialogKind::Printer:
      s += " copies " + std::to_string(printer.copies) + " pages " + std::to_string(printer.fromPage) + "-" +
           std::to_string(printer.toPage) + " flags " + std::to_string(printer.flags);
      break;
  }
  s += " -> ";
  if (kind == DialogKind::MsgBox) s += std::to_string(answer);
  else if (cancelled) s += "Cancel";
  else if (kind == DialogKind::Color) s += ColorText(answerColor);
  else if (kind == DialogKind::Printer)
    s += "copies " + std::to_string(answerPrinter.copies) + " pages " + std::to_string(answerPrinter.fromPage) + "-" +
         std::to_string(answerPrinter.toPage);
  else s += Quoted(answerText);
  if (!problem.empty()) s += " (" + problem + ")";
  return s;
}

std::string PrintedControl::Value(std::string_view property) const {
  for (const auto& [name, value] : properties)
    if (name == property) return value;
  return {};
}

const PrintedControl* PrintedPage::Find(std::string_view name, int index) const {
  for (const auto& c : controls)
    if (c.name == name && c.index == index) return &c;
  return nullptr;
}

// ---- the peer: keeps the system's view of its form current ----

class HeadlessSystem::Peer final : public FormPeer {
 public:
  Peer(HeadlessSystem& system, Form& form) : system_(system), form_(form) {
    system_.forms_.push_back(&form_);
    system_.PinMainForm(form_);
  }
  ~Peer() override { system_.FormGone(form_); }
  void ControlCreated(Control& c) override {
    if (c.Kind() == ControlKind::Menu) system_.PinMainForm(form_);  // a menu bar moves the client area
  }
  void ControlDestroyed(Control& c) override { system_.ControlGone(c); }
  void FormChanged(const PropertyBase& p) override {
    if (&p == &form_.Left || &p == &form_.Top || &p == &form_.BorderStyle) system_.PinMainForm(form_);
  }
  void Show(bool modal) override {
    system_.PinMainForm(form_);
    if (!modal) return;
    auto& m = system_.modal_;
    m.erase(std::remove(m.begin(), m.end(), &form_), m.end());
    m.push_back(&form_);
  }
  void Hide() override {
    auto& m = system_.modal_;
    m.erase(std::remove(m.begin(), m.end(), &form_), m.end());
  }

 private:
  HeadlessSystem& system_;
  Form& form_;
};

// A target that is cleared when its form unloads or its control is destroyed.
class HeadlessSystem::Tracked {
 public:
  Tracked(HeadlessSystem& system, Target target) : system_(system), target(target) {
    system_.tracked_.push_back(&this->target);
  }
  ~Tracked() {
    auto& t = system_.tracked_;
    t.erase(std::remove(t.begin(), t.end(), &target), t.end());
  }
  Tracked(const Tracked&) = delete;
  Tracked& operator=(const Tracked&) = delete;
  bool Alive() const { return target.form != nullptr; }

 private:
  HeadlessSystem& system_;

 public:
  Target target;
};

HeadlessSystem::HeadlessSystem() { tracked_.push_back(&capture_); }
HeadlessSystem::~HeadlessSystem() = default;

std::unique_ptr<FormPeer> HeadlessSystem::CreatePeer(Form& form) { return std::make_unique<Peer>(*this, form); }

double HeadlessSystem::ScreenWidth() const { return kScreenWidthPx * TwipsPerPixel; }
double HeadlessSystem::ScreenHeight() const { return kScreenHeightPx * TwipsPerPixel; }

void HeadlessSystem::OnEnd() {
  for (Form* f : forms_) f->SetVisibleState(false);
  modal_.clear();
  timers_.clear();
  posted_.clear();
  capture_ = {};
  pressed_ = 0;
}

// ---- forms and controls coming and going ----

void HeadlessSystem::PinMainForm(Form& form) {
  if (&form != MainForm) return;
  form.Left.Init(kMainClientLeft - form.FrameLeft());
  form.Top.Init(kMainClientTop - form.FrameTop());
}

void HeadlessSystem::FormGone(Form& form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), &form), forms_.end());
  modal_.erase(std::remove(modal_.begin(), modal_.end(), &form), modal_.end());
  for (Target* t : tracked_)
    if (t->form == &form || (t->control && &t->control->Parent() == &form) || (t->via && &t->via->Parent() == &form))
      *t = Target{};
  if (!capture_.form) pressed_ = 0;
}

void HeadlessSystem::ControlGone(Control& control) {
  for (Target* t : tracked_)
    if (t->control == &control || t->via == &control) *t = Target{};
  if (!capture_.form) pressed_ = 0;
}

// ---- timers ----

void HeadlessSystem::TimerChanged(Timer& timer, bool gone) {
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [&](const TimerEntry& e) { return e.timer == &timer; }),
                timers_.end());
  if (gone || Ending()) return;
  if (!timer.Parent().IsLoaded() || !timer.Enabled || timer.Interval <= 0 || timer.Resting()) return;
  timers_.push_back({&timer, Now() + timer.Interval, started_++});
}

HeadlessSystem::TimerEntry* HeadlessSystem::NextDue(int64_t limit) {
  TimerEntry* best = nullptr;
  for (auto& e : timers_) {
    if (e.due > limit || std::find(busy_.begin(), busy_.end(), e.timer) != busy_.end()) continue;
    if (!best || e.due < best->due || (e.due == best->due && e.started < best->started)) best = &e;
  }
  return best;
}

void HeadlessSystem::Fire(TimerEntry& entry) {
  Timer* timer = entry.timer;
  entry.due += timer->Interval;
  if (entry.due <= Now()) entry.due = Now() + timer->Interval;
  busy_.push_back(timer);
  struct Release {
    std::vector<const Timer*>& busy;
    const Timer* timer;
    ~Release() { busy.erase(std::find(busy.begin(), busy.end(), timer)); }
  } release{busy_, timer};
  Dispatch([timer] { timer->RaiseTick(); });
}

int HeadlessSystem::FireDue() {
  if (std::none_of(timers_.begin(), timers_.end(), [&](const TimerEntry& e) { return e.due <= Now(); })) return 0;
  std::vector<TimerEntry> due;
  for (const auto& e : timers_)
    if (e.due <= Now()) due.push_back(e);
  std::sort(due.begin(), due.end(), [](const TimerEntry& a, const TimerEntry& b) {
    return a.due != b.due ? a.due < b.due : a.started < b.started;
  });
  int fired = 0;
  for (const auto& d : due) {
    if (Ending()) break;
    // An earlier handler may have stopped, restarted or destroyed it.
    auto it = std::find_if(timers_.begin(), timers_.end(), [&](const TimerEntry& e) { return e.timer == d.timer; });
    if (it == timers_.end() || it->due > Now() || std::find(busy_.begin(), busy_.end(), d.timer) != busy_.end())
      continue;
    Fire(*it);
    ++fired;
  }
  return fired;
}

void HeadlessSystem::Advance(int64_t ms) {
  if (ms <= 0) return;
  idleCalls_ = 0;
  waitedMs_ = 0;
  const int64_t target = Now() + ms;
  RunWakeups();
  while (!Ending()) {
    TimerEntry* e = NextDue(target);
    if (!e) break;
    clock_.MoveTo(e->due);
    Fire(*e);
    RunWakeups();
  }
  clock_.MoveTo(target);
}

// ---- waits ----

void HeadlessSystem::Post(std::function<void()> action) { posted_.push_back(std::move(action)); }

class HeadlessSystem::HeadlessWakeup final : public Wakeup {
 public:
  HeadlessWakeup(HeadlessSystem& system, std::function<void()> handler)
      : system_(system), handler_(std::move(handler)) {
    system_.wakeups_.push_back(this);
  }
  ~HeadlessWakeup() override { std::erase(system_.wakeups_, this); }
  void Wake() override { woken_.store(true, std::memory_order_release); }
  // Runs the handler when woken since it last began.
  bool RunIfWoken() {
    if (!woken_.exchange(false, std::memory_order_acq_rel)) return false;
    system_.Dispatch(handler_);
    return true;
  }

 private:
  HeadlessSystem& system_;
  std::function<void()> handler_;
  std::atomic<bool> woken_{false};
};

std::unique_ptr<Wakeup> HeadlessSystem::MakeWakeup(std::function<void()> handler) {
  return std::make_unique<HeadlessWakeup>(*this, std::move(handler));
}

bool HeadlessSystem::RunWakeups() {
  bool ran = false;
  // A handler may make or end wake-ups: walk a copy, skipping those that went meanwhile.
  const std::vector<HeadlessWakeup*> now = wakeups_;
  for (HeadlessWakeup* w : now) {
    if (Ending()) break;
    if (std::find(wakeups_.begin(), wakeups_.end(), w) == wakeups_.end()) continue;
    ran = w->RunIfWoken() || ran;
  }
  return ran;
}

void HeadlessSystem::SetStallLimits(int idleCalls, int64_t waitMs) {
  stallIdleCalls_ = std::max(1, idleCalls);
  stallWaitMs_ = std::max<int64_t>(1, waitMs);
}

void HeadlessSystem::DoEvents() {
  if (Ending()) throw EndProgram{};
  bool ran = false;
  // Only what was posted before this call: an action that posts again waits for the next one.
  for (size_t n = posted_.size(); n > 0 && !posted_.empty() && !Ending(); --n) {
    std::function<void()> action = std::move(posted_.front());
    posted_.pop_front();
    ran = true;
    waitedMs_ = 0;
    Dispatch(action);
  }
  if (!Ending() && RunWakeups()) ran = true;
  if (!Ending() && FireDue() > 0) ran = true;
  if (!ran && !Ending()) {
    // Nothing to do: time passes. One millisecond at a time, so that a wait ends on the
    // millisecond it waits for and no timer fires inside a wait that ends before it is due.
    if (NextDue(INT64_MAX)) {
      idleCalls_ = 0;
    } else if (++idleCalls_ >= stallIdleCalls_) {
      Stalled("DoEvents was called " + std::to_string(idleCalls_) +
              " times in a row with no timer running and nothing posted");
    }
    waitedMs_ += kIdleStepMs;
    if (waitedMs_ > stallWaitMs_)
      Stalled("waiting has moved the virtual clock on by " + std::to_string(waitedMs_) +
              " ms with nothing posted, only timers firing");
    clock_.MoveTo(Now() + kIdleStepMs);
    if (FireDue() > 0) ran = true;
  }
  if (ran) idleCalls_ = 0;
  if (Ending()) throw EndProgram{};
}

void HeadlessSystem::Stalled(const std::string& why) const {
  std::string msg = "HeadlessSystem: stalled wait: " + why + " (virtual clock at " + std::to_string(Now()) + " ms";
  if (Form* m = ModalForm()) msg += "; form " + m->Name() + " is shown modally";
  std::string shown;
  for (Form* f : forms_)
    if (f->Visible()) shown += (shown.empty() ? "" : ", ") + f->Name();
  msg += "; visible forms: " + (shown.empty() ? std::string("none") : shown);
  msg += "). The program is waiting for something the test never does: Post() the user action that "
         "ends the wait.\n";
  std::fputs(msg.c_str(), stderr);
  std::fflush(stderr);
  std::abort();
}

// ---- dialogs ----

void HeadlessSystem::Queue(DialogKind kind, std::optional<std::string> prompt, std::optional<std::string> title,
                           std::function<void(DialogRecord&)> answer, std::string description) {
  script_.push_back({kind, std::move(prompt), std::move(title), std::move(answer), std::move(description)});
}

void HeadlessSystem::AnswerMsgBox(int answer, std::optional<std::string> prompt, std::optional<std::string> title) {
  std::string d = "a MsgBox answer " + std::to_string(answer) + (prompt ? " for " + Quoted(*prompt) : "");
  Queue(DialogKind::MsgBox, std::move(prompt), std::move(title), [answer](DialogRecord& r) { r.answer = answer; },
        std::move(d));
}

void HeadlessSystem::AnswerMsgBox(std::function<int(const DialogRecord&)> answer) {
  Queue(DialogKind::MsgBox, std::nullopt, std::nullopt,
        [answer = std::move(answer)](DialogRecord& r) { r.answer = answer(r); }, "a MsgBox answer (callback)");
}

void HeadlessSystem::AnswerInputBox(std::string text, std::optional<std::string> prompt) {
  std::string d = "an InputBox answer " + Quoted(text);
  Queue(DialogKind::InputBox, std::move(prompt), std::nullopt,
        [text = std::move(text)](DialogRecord& r) { r.answerText = text; }, std::move(d));
}

void HeadlessSystem::AnswerInputBox(std::function<std::optional<std::string>(const DialogRecord&)> answer) {
  Queue(DialogKind::InputBox, std::nullopt, std::nullopt,
        [answer = std::move(answer)](DialogRecord& r) {
          if (auto text = answer(r)) r.answerText = *text;
          else r.cancelled = true;
        },
        "an InputBox answer (callback)");
}

void HeadlessSystem::CancelInputBox(std::optional<std::string> prompt) {
  Queue(DialogKind::InputBox, std::move(prompt), std::nullopt, [](DialogRecord& r) { r.cancelled = true; },
        "an InputBox Cancel");
}

void HeadlessSystem::AnswerFileDialog(std::string path, int filterIndex) {
  std::string d = "a file dialog answer " + Quoted(path);
  Queue(DialogKind::OpenFile, std::nullopt, std::nullopt,
        [path = std::move(path), filterIndex](DialogRecord& r) {
          r.answerText = path;
          r.answerFilterIndex = filterIndex != 0 ? filterIndex : r.file.filterIndex;
        },
        std::move(d));
}

void HeadlessSystem::CancelFileDialog() {
  Queue(DialogKind::OpenFile, std::nullopt, std::nullopt, [](DialogRecord& r) { r.cancelled = true; },
        "a file dialog Cancel");
}

void HeadlessSystem::AnswerColorDialog(Color color) {
  Queue(DialogKind::Color, std::nullopt, std::nullopt, [color](DialogRecord& r) { r.answerColor = color; },
        "a colour dialog answer " + ColorText(color));
}

void HeadlessSystem::AcceptColorDialog() {
  Queue(DialogKind::Color, std::nullopt, std::nullopt, [](DialogRecord& r) { r.answerColor = r.color; },
        "a colour dialog OK");
}

void HeadlessSystem::CancelColorDialog() {
  Queue(DialogKind::Color, std::nullopt, std::nullopt, [](DialogRecord& r) { r.cancelled = true; },
        "a colour dialog Cancel");
}

void HeadlessSystem::AnswerPrinterDialog(PrinterAnswer answer) {
  Queue(DialogKind::Printer, std::nullopt, std::nullopt, [answer](DialogRecord& r) { r.answerPrinter = answer; },
        "a printer dialog answer");
}

void HeadlessSystem::CancelPrinterDialog() {
  Queue(DialogKind::Printer, std::nullopt, std::nullopt, [](DialogRecord& r) { r.cancelled = true; },
        "a printer dialog Cancel");
}

std::vector<std::string> HeadlessSystem::UnusedAnswers() const {
  std::vector<std::string> out;
  for (const auto& s : script_) out.push_back(s.description);
  return out;
}

void HeadlessSystem::ShowDialog(DialogRecord& r, const std::function<void(DialogRecord&)>& unscripted) {
  std::function<void(DialogRecord&)> answer;
  if (script_.empty()) {
    r.problem = "no answer was scripted";
  } else if (!SameGroup(script_.front().kind, r.kind)) {
    r.problem = "the next scripted answer is " + script_.front().description;
  } else {
    Scripted s = std::move(script_.front());
    script_.pop_front();
    r.scripted = true;
    if (s.prompt && *s.prompt != r.prompt) r.problem = "expected the prompt " + Quoted(*s.prompt);
    if (s.title && *s.title != r.title)
      r.problem += (r.problem.empty() ? "" : "; ") + std::string("expected the title ") + Quoted(*s.title);
    answer = std::move(s.answer);
  }
  // Recorded in the order shown, even when the answer shows another dialog.
  const size_t at = dialogs_.size();
  dialogs_.push_back(r);
  if (answer) answer(r);
  else unscripted(r);
  dialogs_[at] = r;
  if (!r.problem.empty()) unexpected_.push_back(r);
}

int HeadlessSystem::MsgBox(const std::string& prompt, int buttons, const std::string& title) {
  DialogRecord r;
  r.kind = DialogKind::MsgBox;
  r.prompt = prompt;
  r.title = title;
  r.buttons = buttons;
  ShowDialog(r, [](DialogRecord& d) { d.answer = DefaultMsgBoxAnswer(d.buttons); });
  return r.answer;
}

std::optional<std::string> HeadlessSystem::InputBox(const std::string& prompt, const std::string& title,
                                                    const std::string& defaultText, std::optional<double> x,
                                                    std::optional<double> y) {
  DialogRecord r;
  r.kind = DialogKind::InputBox;
  r.prompt = prompt;
  r.title = title;
  r.defaultText = defaultText;
  r.x = x;
  r.y = y;
  ShowDialog(r, [](DialogRecord& d) { d.cancelled = true; });
  if (r.cancelled) return std::nullopt;
  return r.answerText;
}

std::optional<FileDialogAnswer> HeadlessSystem::FileDialog(const FileDialogRequest& request) {
  for (;;) {
    DialogRecord r;
    r.kind = request.save ? DialogKind::SaveFile : DialogKind::OpenFile;
    r.title = request.title;
    r.buttons = request.flags;
    r.file = request;
    ShowDialog(r, [](DialogRecord& d) { d.cancelled = true; });
    if (r.cancelled) return std::nullopt;
    // As the real dialog does: an existing file is replaced only after a Yes; No goes back to
    // the dialog (the next scripted file dialog answer).
    std::error_code ec;
    if (request.save && (request.flags & cdl::OFNOverwritePrompt) && std::filesystem::exists(r.answerText, ec)) {
      const std::string name = std::filesystem::path(r.answerText).filename().string();
      if (MsgBox(name + " already exists.\nDo you want to replace it?", mb::YesNo | mb::Exclamation,
                 request.title.empty() ? "Save As" : request.title) != mb::Yes)
        continue;
    }
    return FileDialogAnswer{r.answerText, r.answerFilterIndex};
  }
}

std::optional<Color> HeadlessSystem::ColorDialog(Color initial, int flags) {
  DialogRecord r;
  r.kind = DialogKind::Color;
  r.color = initial;
  r.buttons = flags;
  ShowDialog(r, [](DialogRecord& d) { d.cancelled = true; });
  if (r.cancelled) return std::nullopt;
  return r.answerColor;
}

std::optional<PrinterAnswer> HeadlessSystem::PrinterDialog(const PrinterRequest& request) {
  DialogRecord r;
  r.kind = DialogKind::Printer;
  r.printer = request;
  r.buttons = request.flags;
  ShowDialog(r, [](DialogRecord& d) { d.cancelled = true; });
  if (r.cancelled) return std::nullopt;
  return r.answerPrinter;
}

// ---- printing ----

void HeadlessSystem::PrintForm(Form& form) {
  PrintedPage page;
  page.form = form.Name();
  page.width = form.ScaleWidth();
  page.height = form.ScaleHeight();
  for (const PropertyBase* p : form.Properties()) page.formProperties.emplace_back(p->Name(), p->ToString());
  PrintControls(page, form, nullptr, 0, 0);
  pages_.push_back(std::move(page));
}

// ---- input ----

bool HeadlessSystem::Deliver(const std::function<void()>& handler) {
  if (Ending()) return Refuse("the program has ended");
  // A user's action ends any idle streak: the wait it starts is a new one.
  idleCalls_ = 0;
  waitedMs_ = 0;
  Dispatch(handler);
  return true;
}

bool HeadlessSystem::Refuse(std::string reason) {
  refusal_ = std::move(reason);
  return false;
}

std::string HeadlessSystem::Unreachable(const Form& form) const {
  if (Ending()) return "the program has ended";
  if (const HostedControl* host = form.Host()) return Unreachable(*host);
  if (!form.IsLoaded()) return "form " + form.Name() + " is not loaded";
  if (!form.Visible()) return "form " + form.Name() + " is not visible";
  if (!form.Enabled) return "form " + form.Name() + " is disabled";
  if (Form* m = ModalForm(); m && m != &form) return "form " + m->Name() + " is shown modally";
  return {};
}

std::string HeadlessSystem::Unreachable(const Control& control) const {
  std::string r = Unreachable(control.Parent());
  if (!r.empty()) return r;
  if (!control.IsShowing()) return Label(control) + " is not showing";
  for (const Control* k = &control; k; k = k->Container())
    if (!k->Enabled) return Label(*k) + " is disabled";
  return {};
}

std::pair<double, double> HeadlessSystem::ClientOrigin(const Form& form) const {
  if (const HostedControl* host = form.Host()) {
    auto [x, y] = ClientOrigin(host->Parent());
    return {x + host->FormLeft(), y + host->FormTop()};
  }
  if (&form == MainForm) return {kMainClientLeft, kMainClientTop};
  return {form.Left + form.FrameLeft(), form.Top + form.FrameTop()};
}

PointApi HeadlessSystem::ClientToScreen(const Form& form, double x, double y) const {
  auto [ox, oy] = ClientOrigin(form);
  return {static_cast<int32_t>(std::floor((ox + x) / TwipsPerPixel)),
          static_cast<int32_t>(std::floor((oy + y) / TwipsPerPixel))};
}

void HeadlessSystem::MoveCursor(const Form& form, double x, double y) { cursor_ = ClientToScreen(form, x, y); }

Control* HeadlessSystem::HitIn(const Form& form, const Control* container, double x, double y) const {
  const auto& z = form.ZOrderList();
  for (int pass = 0; pass < 2; ++pass) {  // windowed controls lie above windowless ones
    for (auto it = z.rbegin(); it != z.rend(); ++it) {
      Control* c = *it;
      if (c->Container() != container || c->IsWindowless() != (pass == 1)) continue;
      if (!c->TakesMouse() || !c->IsShowing()) continue;
      double l = c->FormLeft(), t = c->FormTop();
      if (x < l || y < t || x >= l + c->Width || y >= t + c->Height) continue;
      if (!c->Enabled) return const_cast<Control*>(container);
      if (Control* inner = HitIn(form, c, x, y)) return inner;
      return c;
    }
  }
  return nullptr;
}

// A target on a hosted control's surface goes when the hosted control goes (the outermost one).
HeadlessSystem::Target HeadlessSystem::Via(const Control& host, Target target) {
  target.via = &host;
  return target;
}

HeadlessSystem::Target HeadlessSystem::HitTest(Form& form, double x, double y) const {
  Control* c = HitIn(form, nullptr, x, y);
  if (!c) return {&form, nullptr, x, y};
  double cx = x - c->FormLeft(), cy = y - c->FormTop();
  if (c->Kind() == ControlKind::Hosted) {
    if (Form* surface = static_cast<HostedControl*>(c)->Surface()) return Via(*c, HitTest(*surface, cx, cy));
  }
  return {&form, c, cx, cy};
}

HeadlessSystem::Target HeadlessSystem::TargetOf(Control& control, double x, double y) const {
  if (control.Kind() == ControlKind::Hosted) {
    if (Form* surface = static_cast<HostedControl&>(control).Surface()) return Via(control, HitTest(*surface, x, y));
  }
  double fx = control.FormLeft() + x, fy = control.FormTop() + y;
  for (Control* k = &control; k; k = k->Container())
    if (k->TakesMouse()) return {&control.Parent(), k, fx - k->FormLeft(), fy - k->FormTop()};
  return {&control.Parent(), nullptr, fx, fy};
}

HeadlessSystem::Target HeadlessSystem::Retarget(const Target& to, const Form& from, double x, double y) const {
  auto [fx, fy] = ClientOrigin(from);
  auto [tx, ty] = ClientOrigin(*to.form);
  Target r = to;
  r.x = fx + x - tx - (to.control ? to.control->FormLeft() : 0);
  r.y = fy + y - ty - (to.control ? to.control->FormTop() : 0);
  return r;
}

void HeadlessSystem::Raise(const Target& target, MouseEvent event, int button, int shift) {
  Form* f = target.form;
  Control* c = target.control;
  double x = target.x, y = target.y;
  Deliver([=] {
    switch (event) {
      case MouseEvent::Down: c ? c->RaiseMouseDown(button, shift, x, y) : f->Form_MouseDown(button, shift, x, y); break;
      case MouseEvent::Move: c ? c->RaiseMouseMove(button, shift, x, y) : f->Form_MouseMove(button, shift, x, y); break;
      case MouseEvent::Up: c ? c->RaiseMouseUp(button, shift, x, y) : f->Form_MouseUp(button, shift, x, y); break;
    }
  });
}

bool HeadlessSystem::Mouse(MouseEvent event, Target target, int button, int shift) {
  if (!target.form) return Refuse("nothing is there to take the mouse");
  if (event == MouseEvent::Down) {
    if (pressed_ == 0) capture_ = target;
    pressed_ |= button;
  }
  Raise(target, event, button, shift);
  if (event == MouseEvent::Up) {
    pressed_ &= ~button;
    if (pressed_ == 0) capture_ = {};
  }
  return true;
}

bool HeadlessSystem::MouseDown(Form& form, int button, int shift, double x, double y) {
  if (auto r = Unreachable(form); !r.empty()) return Refuse(r);
  MoveCursor(form, x, y);
  return Mouse(MouseEvent::Down, capture_.form ? Retarget(capture_, form, x, y) : HitTest(form, x, y), button, shift);
}

bool HeadlessSystem::MouseMove(Form& form, int button, int shift, double x, double y) {
  if (auto r = Unreachable(form); !r.empty()) return Refuse(r);
  MoveCursor(form, x, y);
  return Mouse(MouseEvent::Move, capture_.form ? Retarget(capture_, form, x, y) : HitTest(form, x, y), button, shift);
}

bool HeadlessSystem::MouseUp(Form& form, int button, int shift, double x, double y) {
  if (auto r = Unreachable(form); !r.empty()) return Refuse(r);
  MoveCursor(form, x, y);
  return Mouse(MouseEvent::Up, capture_.form ? Retarget(capture_, form, x, y) : HitTest(form, x, y), button, shift);
}

bool HeadlessSystem::MouseOnControl(MouseEvent event, Control& control, int button, int shift, double x, double y) {
  if (auto r = Unreachable(control); !r.empty()) return Refuse(r);
  double fx = control.FormLeft() + x, fy = control.FormTop() + y;
  MoveCursor(control.Parent(), fx, fy);
  return Mouse(event, capture_.form ? Retarget(capture_, control.Parent(), fx, fy) : TargetOf(control, x, y), button,
               shift);
}

bool HeadlessSystem::MouseDown(Control& control, int button, int shift, double x, double y) {
  return MouseOnControl(MouseEvent::Down, control, button, shift, x, y);
}
bool HeadlessSystem::MouseMove(Control& control, int button, int shift, double x, double y) {
  return MouseOnControl(MouseEvent::Move, control, button, shift, x, y);
}
bool HeadlessSystem::MouseUp(Control& control, int button, int shift, double x, double y) {
  return MouseOnControl(MouseEvent::Up, control, button, shift, x, y);
}

bool HeadlessSystem::Click(Control& control) { return ClickSequence(control, false); }
bool HeadlessSystem::DblClick(Control& control) { return ClickSequence(control, true); }

bool HeadlessSystem::ClickSequence(Control& control, bool twice) {
  if (control.Kind() == ControlKind::Menu) return ChooseMenu(static_cast<Menu&>(control));
  if (control.Kind() == ControlKind::Timer || control.Kind() == ControlKind::CommonDialog)
    return Refuse(Label(control) + " cannot be clicked");
  if (auto r = Unreachable(control); !r.empty()) return Refuse(r);
  Tracked clicked(*this, {&control.Parent(), &control});
  // Each step only when the handlers before it left the control there to be clicked.
  auto stillThere = [&] { return clicked.Alive() && Unreachable(control).empty(); };
  Form& form = control.Parent();
  if (control.CanFocus() && form.ActiveControl() != &control) Deliver([&] { form.SetActiveControl(&control); });
  if (!stillThere()) return true;

  const double x = control.Width / 2, y = control.Height / 2;
  MoveCursor(form, control.FormLeft() + x, control.FormTop() + y);
  Tracked target(*this, TargetOf(control, x, y));
  auto go = [&] { return stillThere() && target.Alive(); };
  Mouse(MouseEvent::Down, target.target, button::Left, 0);
  if (!go()) return true;
  Mouse(MouseEvent::Up, target.target, button::Left, 0);
  if (!go()) return true;

  Form* f = target.target.form;
  Control* c = target.target.control;
  if (c == &control && c->Kind() == ControlKind::CheckBox) {
    auto& box = static_cast<CheckBox&>(control);
    Deliver([&] { box.Value = box.Value == 1 ? 0 : 1; });
  } else if (c == &control && c->Kind() == ControlKind::OptionButton) {
    Deliver([&] { static_cast<OptionButton&>(control).Value = true; });
  } else {
    Deliver([=] { c ? c->RaiseClick() : f->Form_Click(); });
  }
  if (!twice || !go()) return true;
  Deliver([=] { c ? c->RaiseDblClick() : f->Form_DblClick(); });
  if (!go()) return true;
  Mouse(MouseEvent::Up, target.target, button::Left, 0);
  return true;
}

bool HeadlessSystem::ChooseMenu(Menu& item) {
  if (auto r = Unreachable(item.Parent()); !r.empty()) return Refuse(r);
  if (item.IsSeparator()) return Refuse(Label(item) + " is a separator");
  std::vector<Menu*> chain;
  for (Menu* m = &item; m; m = m->ParentMenu()) chain.insert(chain.begin(), m);
  std::vector<std::unique_ptr<Tracked>> alive;
  for (Menu* m : chain) alive.push_back(std::make_unique<Tracked>(*this, Target{&m->Parent(), m}));
  auto blocked = [&]() -> std::string {
    for (size_t i = 0; i < chain.size(); ++i) {
      if (!alive[i]->Alive()) return "a menu went away";
      if (!chain[i]->Visible) return Label(*chain[i]) + " is hidden";
      if (!chain[i]->Enabled) return Label(*chain[i]) + " is disabled";
    }
    return Unreachable(item.Parent());
  };
  if (auto r = blocked(); !r.empty()) return Refuse(r);
  // Opening each menu above the item raises its Click, then choosing the item raises its own.
  for (Menu* m : chain) {
    if (!blocked().empty()) return true;
    Deliver([m] { m->RaiseClick(); });
  }
  return true;
}

bool HeadlessSystem::DeliverKey(Form& form, int& key, const std::function<void(Form&, int&)>& toForm,
                                const std::function<void(Control&, int&)>& toControl, Control* only) {
  Tracked formAlive(*this, {&form, nullptr});
  Tracked onlyAlive(*this, {only ? &form : nullptr, only});
  Control* target = only ? only : form.ActiveControl();
  if (form.KeyPreview || !target) Deliver([&] { toForm(form, key); });
  if (!target || key == 0 || !formAlive.Alive() || Ending()) return true;
  // The form's handler may have moved the focus or taken the control away.
  target = only ? (onlyAlive.Alive() ? only : nullptr) : form.ActiveControl();
  if (target) Deliver([&] { toControl(*target, key); });
  return true;
}

bool HeadlessSystem::KeyDown(Form& form, int keyCode, int shift) {
  if (auto r = Unreachable(form); !r.empty()) return Refuse(r);
  return DeliverKey(
      form, keyCode, [shift](Form& f, int& k) { f.Form_KeyDown(k, shift); },
      [shift](Control& c, int& k) { c.RaiseKeyDown(k, shift); });
}

bool HeadlessSystem::KeyUp(Form& form, int keyCode, int shift) {
  if (auto r = Unreachable(form); !r.empty()) return Refuse(r);
  return DeliverKey(
      form, keyCode, [shift](Form& f, int& k) { f.Form_KeyUp(k, shift); },
      [shift](Control& c, int& k) { c.RaiseKeyUp(k, shift); });
}

bool HeadlessSystem::KeyPress(Form& form, int keyAscii) {
  if (auto r = Unreachable(form); !r.empty()) return Refuse(r);
  return DeliverKey(
      form, keyAscii, [](Form& f, int& k) { f.Form_KeyPress(k); }, [](Control& c, int& k) { c.RaiseKeyPress(k); });
}

bool HeadlessSystem::Type(TextBox& box, const std::string& text) {
  if (auto r = Unreachable(box); !r.empty()) return Refuse(r);
  Tracked alive(*this, {&box.Parent(), &box});
  Form& form = box.Parent();
  if (form.ActiveControl() != &box) Deliver([&] { form.SetActiveControl(&box); });
  size_t pos = 0;
  while (pos < text.size()) {
    if (!alive.Alive()) return Refuse("typing stopped: the text box went away");
    if (auto r = Unreachable(box); !r.empty()) return Refuse("typing stopped: " + r);
    int key = DecodeUtf8(text, pos);
    DeliverKey(
        form, key, [](Form& f, int& k) { f.Form_KeyPress(k); }, [](Control& c, int& k) { c.RaiseKeyPress(k); },
        &box);
    if (key == 0 || !alive.Alive() || box.Locked || Ending()) continue;
    std::string edited = Edited(box.Text, key, box.MultiLine, box.MaxLength);
    Deliver([&] { box.Text = edited; });
  }
  return true;
}

bool HeadlessSystem::Focus(Control& control) {
  if (auto r = Unreachable(control); !r.empty()) return Refuse(r);
  if (!control.CanFocus()) return Refuse(Label(control) + " cannot take the focus");
  return Deliver([&] { control.Parent().SetActiveControl(&control); });
}

bool HeadlessSystem::Tab(Form& form, bool backwards) {
  if (auto r = Unreachable(form); !r.empty()) return Refuse(r);
  return Deliver([&] { form.FocusNext(backwards); });
}

bool HeadlessSystem::Select(ComboBox& box, int index) {
  if (auto r = Unreachable(box); !r.empty()) return Refuse(r);
  if (index < 0 || index >= box.ListCount()) return Refuse(Label(box) + " has no item " + std::to_string(index));
  return Deliver([&] { box.ListIndex = index; });
}

bool HeadlessSystem::SelectTab(TabStrip& strip, int tab) {
  if (auto r = Unreachable(strip); !r.empty()) return Refuse(r);
  if (tab < 0 || tab >= strip.Tabs()) return Refuse(Label(strip) + " has no tab " + std::to_string(tab));
  return Deliver([&] { strip.Tab = tab; });
}

bool HeadlessSystem::ClickLink(WebBrowser& browser, const std::string& href) {
  if (auto r = Unreachable(browser); !r.empty()) return Refuse(r);
  if (browser.LocationURL().empty()) return Refuse(Label(browser) + " shows no page");
  return Deliver([&] { browser.FollowLink(href); });
}

bool HeadlessSystem::UserSetValue(Slider& slider, int value) {
  if (auto r = Unreachable(slider); !r.empty()) return Refuse(r);
  return Deliver([&] { slider.UserSetValue(value); });
}

bool HeadlessSystem::UserSetValue(ScrollBar& bar, int value) {
  if (auto r = Unreachable(bar); !r.empty()) return Refuse(r);
  return Deliver([&] { bar.UserSetValue(value); });
}

bool HeadlessSystem::CloseBox(Form& form) {
  if (auto r = Unreachable(form); !r.empty()) return Refuse(r);
  if (!form.ControlBox) return Refuse("form " + form.Name() + " has no close box");
  return Deliver([&] { form.Unload(unload_mode::FormControlMenu); });
}

}  // namespace forms::headless

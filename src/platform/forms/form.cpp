#include "platform/forms/form.h"

#include <algorithm>

#include "platform/forms/window_system.h"

namespace forms {

namespace {
constexpr double kTitleTwips = 20 * TwipsPerPixel;
constexpr double kMenuBarTwips = 20 * TwipsPerPixel;
}  // namespace

Form::Form(WindowSystem& system, std::string name) : system_(system), name_(std::move(name)) {}

Form::~Form() {
  peer_.reset();
  for (auto& c : controls_)
    if (c->Kind() == ControlKind::Timer) system_.TimerChanged(static_cast<Timer&>(*c), true);
  if (system_.MainForm == this) system_.MainForm = nullptr;
}

// The frame model is the one GetCursorPos's coordinates assume: no side borders, a title
// bar of 20 pixels and a menu bar of 20 pixels when the form has menus.
double Form::FrameLeft() const { return 0; }
double Form::FrameTop() const {
  return (BorderStyle() == 0 ? 0 : kTitleTwips) + (menuBar_.empty() ? 0 : kMenuBarTwips);
}
double Form::ScaleWidth() const { return std::max(0.0, Width() - 2 * FrameLeft()); }
double Form::ScaleHeight() const { return std::max(0.0, Height() - FrameTop()); }
void Form::SetClientSize(double width, double height) {
  Width = width + 2 * FrameLeft();
  Height = height + FrameTop();
}

void Form::Load() {
  if (loaded_) return;
  loaded_ = true;
  peer_ = system_.CreatePeer(*this);
  for (auto& c : controls_)
    if (c->Kind() == ControlKind::Timer) system_.TimerChanged(static_cast<Timer&>(*c), false);
  Form_Load();
}

void Form::Show(int modal) {
  Load();
  if (!loaded_) return;  // Form_Load unloaded it again
  visible_ = true;
  if (peer_) peer_->Show(modal != 0);
  if (modal) {
    while (visible_ && loaded_) system_.DoEvents();
  }
}

void Form::Hide() {
  if (!visible_) return;
  visible_ = false;
  if (peer_) peer_->Hide();
}

void Form::Unload(int mode) {
  if (!loaded_) return;
  int cancel = 0;
  Form_QueryUnload(cancel, mode);
  if (cancel) return;
  Form_Unload(cancel);
  if (cancel || !loaded_) return;
  visible_ = false;
  if (peer_) peer_->Hide();
  loaded_ = false;
  active_ = nullptr;
  for (auto& c : controls_)
    if (c->Kind() == ControlKind::Timer) system_.TimerChanged(static_cast<Timer&>(*c), true);
  peer_.reset();
}

void Form::PrintForm() { system_.PrintForm(*this); }

void Form::SetFocus() {
  if (peer_) peer_->Focus(nullptr);
}

void Form::Refresh() {
  if (peer_) peer_->Refresh();
}

void Form::ZOrder(int) {
  if (peer_ && visible_) peer_->Show(false);
}

void Form::SetActiveControl(Control* c) {
  if (c == active_) return;
  Control* old = active_;
  active_ = c;
  if (peer_) peer_->Focus(c);
  if (old) old->RaiseLostFocus();
  if (c && active_ == c) c->RaiseGotFocus();
}

namespace {

bool Focusable(const Control& c) { return c.CanFocus() && c.Enabled && c.IsShowing(); }

// Option buttons of one container and tab page make one group.
bool SameGroup(const Control& a, const Control& b) {
  return a.Kind() == ControlKind::OptionButton && b.Kind() == ControlKind::OptionButton &&
         a.Container() == b.Container() && a.TabPage() == b.TabPage();
}

bool ByTabIndex(const Control* a, const Control* b) { return a->TabIndex() < b->TabIndex(); }

}  // namespace

void Form::FocusNext(bool backwards) {
  std::vector<Control*> order;
  for (auto& c : controls_)
    if (Focusable(*c) && c->TabStop) order.push_back(c.get());
  std::stable_sort(order.begin(), order.end(), ByTabIndex);
  // A group of option buttons is one stop, at its checked option (or its first, if none is).
  std::vector<Control*> stops;
  for (Control* c : order) {
    if (c->Kind() == ControlKind::OptionButton) {
      auto same = [c](const Control* o) { return SameGroup(*c, *o); };
      const auto checked = std::find_if(order.begin(), order.end(), [&](const Control* o) {
        return same(o) && static_cast<const OptionButton*>(o)->Value();
      });
      const Control* stop = checked != order.end() ? *checked : *std::find_if(order.begin(), order.end(), same);
      if (stop != c) continue;
    }
    stops.push_back(c);
  }
  if (stops.empty()) return;
  // From the focused control, or the stop of its group; a control that is no stop itself
  // (focused by a click) goes on from its place in the tab order.
  Control* from = active_;
  if (from && from->Kind() == ControlKind::OptionButton)
    for (Control* s : stops)
      if (SameGroup(*s, *from)) from = s;
  auto it = std::find(stops.begin(), stops.end(), from);
  size_t i;
  if (it != stops.end()) {
    const size_t k = static_cast<size_t>(it - stops.begin());
    i = backwards ? (k + stops.size() - 1) % stops.size() : (k + 1) % stops.size();
  } else if (from) {
    const auto after = std::upper_bound(stops.begin(), stops.end(), from, ByTabIndex);
    const size_t k = static_cast<size_t>(after - stops.begin());
    i = backwards ? (k + stops.size() - 1) % stops.size() : k % stops.size();
  } else {
    i = backwards ? stops.size() - 1 : 0;
  }
  SetActiveControl(stops[i]);
}

bool Form::StepOptionGroup(OptionButton& from, bool forward) {
  std::vector<Control*> group;
  for (auto& c : controls_)
    if (SameGroup(*c, from) && (c.get() == &from || Focusable(*c))) group.push_back(c.get());
  std::stable_sort(group.begin(), group.end(), ByTabIndex);
  if (group.size() < 2) return false;
  const size_t k = static_cast<size_t>(std::find(group.begin(), group.end(), &from) - group.begin());
  auto& next = static_cast<OptionButton&>(*group[forward ? (k + 1) % group.size() : (k + group.size() - 1) % group.size()]);
  SetActiveControl(&next);
  if (active_ == &next) next.Value = true;
  return true;
}

void Form::Adopt(std::unique_ptr<Control> c) {
  Control* p = c.get();
  controls_.push_back(std::move(c));
  zorder_.push_back(p);
  if (p->Kind() == ControlKind::Timer && loaded_) system_.TimerChanged(static_cast<Timer&>(*p), false);
  if (peer_) peer_->ControlCreated(*p);
}

void Form::Destroy(Control& c) {
  if (peer_) peer_->ControlDestroyed(c);
  if (c.Kind() == ControlKind::Timer) system_.TimerChanged(static_cast<Timer&>(c), true);
  if (active_ == &c) active_ = nullptr;
  // Controls inside it move to its own container rather than keep a dangling one.
  for (auto& child : controls_)
    if (child->Container() == &c) child->SetContainer(c.Container(), c.TabPage());
  if (c.Kind() == ControlKind::Menu) {
    auto& m = static_cast<Menu&>(c);
    auto& siblings = m.parent_ ? m.parent_->items_ : menuBar_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), &m), siblings.end());
    for (Menu* item : m.items_) item->parent_ = nullptr;
  }
  zorder_.erase(std::remove(zorder_.begin(), zorder_.end(), &c), zorder_.end());
  controls_.erase(std::remove_if(controls_.begin(), controls_.end(),
                                 [&](const std::unique_ptr<Control>& p) { return p.get() == &c; }),
                  controls_.end());
}

Control* Form::FindControl(std::string_view name, int index) const {
  for (auto& c : controls_)
    if (c->Name() == name && c->Index() == index) return c.get();
  return nullptr;
}

Menu& Form::AddMenu(std::string name, std::string caption, Menu* parent, int index) {
  auto m = std::make_unique<Menu>(*this, std::move(name), index);
  Menu& ref = *m;
  ref.Caption.Init(caption);
  ref.SetParentMenu(parent);
  if (!parent) menuBar_.push_back(&ref);
  Adopt(std::move(m));
  return ref;
}

void Form::PlaceMenuCopy(Menu& copy, const Menu& model) {
  copy.parent_ = model.parent_;
  auto& siblings = model.parent_ ? model.parent_->items_ : menuBar_;
  auto after = std::find(siblings.begin(), siblings.end(), &model);
  for (auto it = siblings.begin(); it != siblings.end(); ++it)
    if ((*it)->Name() == model.Name()) after = it;
  siblings.insert(after == siblings.end() ? siblings.end() : after + 1, &copy);
}

void Form::SetVisibleState(bool v) { visible_ = v; }

void Form::ControlPropertyChanged(Control& c, PropertyBase& p) {
  if (peer_) peer_->ControlChanged(c, p);
}

void Form::MenuAdded(Menu& m) {
  if (peer_) peer_->ControlCreated(m);
}

void Form::PropertyChanged(PropertyBase& p) {
  if (peer_) peer_->FormChanged(p);
}

}  // namespace forms

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

void Form::FocusNext(bool backwards) {
  std::vector<Control*> order;
  for (auto& c : controls_)
    if (c->CanFocus() && c->TabStop && c->Enabled && c->IsShowing()) order.push_back(c.get());
  if (order.empty()) return;
  std::stable_sort(order.begin(), order.end(),
                   [](Control* a, Control* b) { return a->TabIndex() < b->TabIndex(); });
  auto it = std::find(order.begin(), order.end(), active_);
  size_t i;
  if (it == order.end()) i = backwards ? order.size() - 1 : 0;
  else {
    size_t k = static_cast<size_t>(it - order.begin());
    i = backwards ? (k + order.size() - 1) % order.size() : (k + 1) % order.size();
  }
  SetActiveControl(order[i]);
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

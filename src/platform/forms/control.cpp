#include "platform/forms/control.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "platform/basic/basic.h"
#include "platform/forms/form.h"
#include "platform/forms/window_system.h"

namespace forms {

Control::Control(Form& form, std::string name, int index, ControlKind kind)
    : form_(form), name_(std::move(name)), index_(index), kind_(kind) {}

Control::~Control() = default;

WindowSystem& Control::System() const { return form_.System(); }

void Control::SetContainer(Control* c, int tabPage) {
  if (container_ == c && tabPage_ == tabPage) return;
  container_ = c;
  tabPage_ = tabPage;
  if (auto* peer = form_.Peer()) peer->ContainerChanged(*this);
}

bool Control::IsShowing() const {
  if (!Visible) return false;
  const Control* child = this;
  for (const Control* c = container_; c; child = c, c = c->container_) {
    if (!c->Visible) return false;
    if (c->Kind() == ControlKind::TabStrip && child->TabPage() >= 0 &&
        static_cast<const TabStrip*>(c)->Tab() != child->TabPage())
      return false;
  }
  return true;
}

void Control::Move(double left, double top, double width, double height) {
  Left = left;
  Top = top;
  Width = width;
  Height = height;
}

void Control::SetFocus() {
  if (!CanFocus() || !Enabled || !IsShowing() || !form_.Visible())
    basic::Raise(basic::err::InvalidCall);  // as the platform refuses focus to a hidden control
  form_.SetActiveControl(this);
}

void Control::ZOrder(int position) {
  auto& z = const_cast<std::vector<Control*>&>(form_.ZOrderList());
  auto it = std::find(z.begin(), z.end(), this);
  if (it == z.end()) return;
  z.erase(it);
  if (position == 0) z.push_back(this);
  else z.insert(z.begin(), this);
  if (auto* peer = form_.Peer()) peer->ZOrderChanged(*this);
}

void Control::Refresh() {
  if (auto* peer = form_.Peer()) peer->Refresh();
}

double Control::FormLeft() const {
  double x = Left;
  for (const Control* c = container_; c; c = c->container_) x += c->Left;
  return x;
}

double Control::FormTop() const {
  double y = Top;
  for (const Control* c = container_; c; c = c->container_) y += c->Top;
  return y;
}

void Control::RaiseClick() { if (Click) Click(); }
void Control::RaiseDblClick() { if (DblClick) DblClick(); }
void Control::RaiseChange() { if (Change) Change(); }
void Control::RaiseGotFocus() { if (GotFocus) GotFocus(); }
void Control::RaiseLostFocus() { if (LostFocus) LostFocus(); }
void Control::RaiseMouseDown(int b, int s, double x, double y) { if (MouseDown) MouseDown(b, s, x, y); }
void Control::RaiseMouseMove(int b, int s, double x, double y) { if (MouseMove) MouseMove(b, s, x, y); }
void Control::RaiseMouseUp(int b, int s, double x, double y) { if (MouseUp) MouseUp(b, s, x, y); }
void Control::RaiseKeyDown(int& k, int s) { if (KeyDown) KeyDown(k, s); }
void Control::RaiseKeyUp(int& k, int s) { if (KeyUp) KeyUp(k, s); }
void Control::RaiseKeyPress(int& k) { if (KeyPress) KeyPress(k); }

void Control::PropertyChanged(PropertyBase& p) {
  OnPropertyChanged(p);
  form_.ControlPropertyChanged(*this, p);
}

// ---- kinds ----

void TextBox::OnPropertyChanged(PropertyBase& p) {
  if (&p == &Text) RaiseChange();
}

void CheckBox::OnPropertyChanged(PropertyBase& p) {
  if (&p == &Value) RaiseClick();
}

void OptionButton::OnPropertyChanged(PropertyBase& p) {
  if (&p != &Value || !Value) return;
  // One option per container: the others of the same container (and tab page) go off.
  for (const auto& c : Parent().Controls()) {
    if (c.get() == this || c->Kind() != ControlKind::OptionButton) continue;
    if (c->Container() != Container() || c->TabPage() != TabPage()) continue;
    static_cast<OptionButton&>(*c).Value = false;
  }
  RaiseClick();
}

void ComboBox::AddItem(const std::string& item) {
  items_.push_back(item);
  if (auto* peer = Parent().Peer()) peer->ControlChanged(*this, ListIndex);
}

void ComboBox::RemoveItem(int index) {
  if (index < 0 || index >= ListCount()) basic::Raise(basic::err::InvalidCall);
  items_.erase(items_.begin() + index);
  if (ListIndex() == index) ListIndex.Init(-1);
  else if (ListIndex() > index) ListIndex.Init(ListIndex() - 1);
  if (auto* peer = Parent().Peer()) peer->ControlChanged(*this, ListIndex);
}

void ComboBox::Clear() {
  items_.clear();
  ListIndex.Init(-1);
  Text.Init("");
  if (auto* peer = Parent().Peer()) peer->ControlChanged(*this, ListIndex);
}

const std::string& ComboBox::List(int index) const {
  if (index < 0 || index >= ListCount()) basic::Raise(381, "Invalid property array index");
  return items_[static_cast<size_t>(index)];
}

void ComboBox::OnPropertyChanged(PropertyBase& p) {
  if (&p == &Text) {
    // A drop-down list shows only its items: its text selects the item it names, or none.
    if (Style() != ComboStyle::DropDownList) return;
    const auto it = std::find(items_.begin(), items_.end(), Text());
    const int index = it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
    if (index != ListIndex) ListIndex.Init(index);
    return;
  }
  if (&p != &ListIndex) return;
  int i = ListIndex;
  if (i < -1 || i >= ListCount()) {
    ListIndex.Init(-1);
    basic::Raise(380, "Invalid property value");
  }
  if (i >= 0) Text = items_[static_cast<size_t>(i)];
  RaiseClick();
}

Timer::Timer(Form& f, std::string name, int index) : Control(f, std::move(name), index, ControlKind::Timer) {
  Enabled.Init(true);
}

void Timer::RaiseTick() { if (Tick) Tick(); }

void Timer::OnPropertyChanged(PropertyBase& p) {
  if (&p == &Enabled || &p == &Interval) {
    resting_ = false;
    System().TimerChanged(*this, false);
  }
}

void Timer::Rest() {
  if (resting_) return;
  resting_ = true;
  System().TimerChanged(*this, false);
}

void Timer::Resume() {
  if (!resting_) return;
  resting_ = false;
  System().TimerChanged(*this, false);
}

void Slider::UserSetValue(int v) {
  v = std::clamp(v, std::min<int>(Min, Max), std::max<int>(Min, Max));
  if (v == Value) return;
  Value = v;
  RaiseChange();
}

void ScrollBar::UserSetValue(int v) {
  v = std::clamp(v, std::min<int>(Min, Max), std::max<int>(Min, Max));
  Value = v;  // raises Change when it differs
}

void ScrollBar::OnPropertyChanged(PropertyBase& p) {
  if (&p == &Value) RaiseChange();
}

void TabStrip::OnPropertyChanged(PropertyBase& p) {
  if (&p == &Tab) RaiseClick();
}

void WebBrowser::Navigate2(const std::string& path) {
  std::error_code ec;
  pagesFolder_ = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec).parent_path(), ec);
  if (ec) pagesFolder_.clear();
  Show(path);
}

bool WebBrowser::FollowLink(const std::string& target) {
  if (pagesFolder_.empty() || target.empty()) return false;
  std::filesystem::path page(target);
  if (page.is_relative()) {
    const std::string current = LocationURL();
    page = (current.empty() ? pagesFolder_ : std::filesystem::path(current).parent_path()) / page;
  }
  const std::filesystem::path real = FileInFolder(pagesFolder_, page);
  std::string extension = real.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension != ".html" && extension != ".htm") return false;
  Show(real.string());
  return true;
}

std::string WebBrowser::FileInFolder(const std::filesystem::path& folder, const std::filesystem::path& file) {
  std::error_code ec;
  const std::filesystem::path real = std::filesystem::canonical(file, ec);
  if (folder.empty() || ec || !std::filesystem::is_regular_file(real, ec) || real.parent_path() != folder) return {};
  return real.string();
}

void WebBrowser::Show(const std::string& path) {
  if (position_ + 1 < static_cast<int>(history_.size())) history_.resize(static_cast<size_t>(position_ + 1));
  history_.push_back(path);
  position_ = static_cast<int>(history_.size()) - 1;
  if (auto* peer = Parent().Peer()) peer->ControlChanged(*this, Tag);
}

void WebBrowser::GoBack() {
  if (position_ <= 0) basic::Raise(-2147467259, "Unspecified error");
  --position_;
  if (auto* peer = Parent().Peer()) peer->ControlChanged(*this, Tag);
}

std::string WebBrowser::LocationURL() const {
  return position_ >= 0 ? history_[static_cast<size_t>(position_)] : std::string();
}

void CommonDialog::ShowFile(bool save) {
  FileDialogRequest r{save, DialogTitle, Filter, FilterIndex, FileName, InitDir, DefaultExt, Flags};
  auto a = System().FileDialog(r);
  if (!a) {
    if (CancelError) basic::Raise(basic::err::CancelError);
    return;
  }
  FileName = a->fileName;
  auto slash = a->fileName.find_last_of("/\\");
  FileTitle = slash == std::string::npos ? a->fileName : a->fileName.substr(slash + 1);
  FilterIndex = a->filterIndex;
}

void CommonDialog::ShowOpen() { ShowFile(false); }
void CommonDialog::ShowSave() { ShowFile(true); }

void CommonDialog::ShowColor() {
  auto c = System().ColorDialog(Color, Flags);
  if (!c) {
    if (CancelError) basic::Raise(basic::err::CancelError);
    return;
  }
  Color = *c;
}

void CommonDialog::ShowPrinter() {
  PrinterRequest r{Flags, Copies, FromPage, ToPage, Min, Max};
  auto a = System().PrinterDialog(r);
  if (!a) {
    if (CancelError) basic::Raise(basic::err::CancelError);
    return;
  }
  Copies = a->copies;
  FromPage = a->fromPage;
  ToPage = a->toPage;
}

void HostedControl::SetSurface(Form* surface) {
  surface_ = surface;
  if (surface) surface->SetHost(this);
  if (auto* peer = Parent().Peer()) peer->ControlChanged(*this, Tag);
}

void Menu::SetParentMenu(Menu* parent) {
  parent_ = parent;
  if (parent) parent->items_.push_back(this);
}


}  // namespace forms

#include "platform/forms/qt/qt_form_view.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/forms/qt/qt_keys.h"
#include "platform/forms/qt/qt_paint.h"
#include "platform/forms/qt/qt_system.h"

namespace forms::qtbackend {

namespace {

constexpr int kCursorTop = 48;  // the main form's client area in virtual screen pixels

// The form's top-level window: its frame events go to the view.
class FormWindow final : public QWidget {
 public:
  explicit FormWindow(FormView& view) : QWidget(nullptr, Qt::Window), view_(&view) {}

 protected:
  void closeEvent(QCloseEvent* e) override {
    e->ignore();  // the form decides (QueryUnload may cancel); unloading hides the window
    if (view_) view_->WindowClosed();
  }
  void moveEvent(QMoveEvent* e) override {
    QWidget::moveEvent(e);
    if (view_) view_->WindowMoved();
  }
  void resizeEvent(QResizeEvent* e) override {
    QWidget::resizeEvent(e);
    if (view_) view_->WindowResized();
  }
  void changeEvent(QEvent* e) override {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && view_) view_->WindowActivated(isActiveWindow());
  }
  bool focusNextPrevChild(bool next) override { return view_ ? view_->TabFocus(next) : false; }

 private:
  QPointer<FormView> view_;
};

bool Is(const PropertyBase* p, const char* name) { return !p || std::strcmp(p->Name(), name) == 0; }

bool IsPaintedKind(ControlKind k) {
  return k == ControlKind::Line || k == ControlKind::Shape || k == ControlKind::Label || k == ControlKind::Image;
}

bool ShouldShow(const Control& c) {
  if (!c.Visible) return false;
  const Control* box = c.Container();
  if (box && box->Kind() == ControlKind::TabStrip && c.TabPage() >= 0 &&
      static_cast<const TabStrip*>(box)->Tab() != c.TabPage())
    return false;
  return true;
}

int KeyForChar(int a) {
  if (a == 8) return Qt::Key_Backspace;
  if (a == 13) return Qt::Key_Return;
  if (a == 27) return Qt::Key_Escape;
  if (a >= 'a' && a <= 'z') return Qt::Key_A + (a - 'a');
  if (a >= 'A' && a <= 'Z') return Qt::Key_A + (a - 'A');
  if (a >= '0' && a <= '9') return Qt::Key_0 + (a - '0');
  if (a >= 32 && a < 127) return a;  // Qt's keys for printable ASCII are their codes
  return Qt::Key_unknown;
}

}  // namespace

// ---- SurfaceWidget ----

SurfaceWidget::SurfaceWidget(FormView& view, Role role, QWidget* parent) : QWidget(parent), view_(view), role_(role) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent, role != Role::Host);
}

void SurfaceWidget::paintEvent(QPaintEvent* e) {
  QPainter p(this);
  view_.PaintSurface(*this, p, e->rect());
}

void SurfaceWidget::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  if (role_ != Role::Canvas) view_.ContainerResized(*this);
}

// ---- FormView ----

FormView::FormView(QtSystem& system, Form& form) : system_(system), form_(&form) {
  auto* window = new FormWindow(*this);
  window_ = window;
  window->setAttribute(Qt::WA_DeleteOnClose, false);
  window->setFocusPolicy(Qt::NoFocus);
  canvas_ = new SurfaceWidget(*this, SurfaceWidget::Role::Canvas, window);
  canvas_->setFocusPolicy(Qt::NoFocus);
  window->installEventFilter(this);
  canvas_->installEventFilter(this);
  system_.ViewCreated(*this);

  for (Control* c : form.ZOrderList()) CreateControl(*c);
  Restack();
  RebuildMenus();
  ApplyForm(nullptr);
  EmbedInHost();
}

void FormView::EmbedInHost() {
  if (!form_) return;
  if (HostedControl* host = form_->Host())
    if (FormView* hostView = system_.MadeViewOf(&host->Parent()))  // else the host embeds it when made
      if (QWidget* w = hostView->WidgetOf(*host)) Embed(w);
}

FormView::~FormView() {
  Detach();
  delete window_.data();
}

void FormView::Detach() {
  if (!form_) return;
  for (auto& [c, e] : entries_)
    if (e.embedded)
      if (FormView* v = system_.MadeViewOf(e.embedded)) v->Unembed();
  system_.ViewGone(*this);
  form_ = nullptr;
  if (window_) {
    window_->hide();
    window_->setWindowModality(Qt::NonModal);
  }
  entries_.clear();
  widgetControl_.clear();
  menus_.clear();
  capture_ = {};
  dirty_.clear();
}

QWidget* FormView::Window() const { return window_.data(); }

QWidget* FormView::TopWindow() const { return window_ ? window_->window() : nullptr; }

void FormView::Deliver(const std::function<void()>& handler) {
  // Whatever the handler opens belongs to this form's window (a hosted surface's: its host's).
  QtSystem::EventScope scope(system_, TopWindow(), system_.EventCursor());
  system_.Deliver(handler);
}

QWidget* FormView::WidgetOf(const Control& c) const {
  auto it = entries_.find(&c);
  return it == entries_.end() ? nullptr : it->second.widget.data();
}

FormView::Entry* FormView::Find(const Control& c) {
  auto it = entries_.find(&c);
  return it == entries_.end() ? nullptr : &it->second;
}

Control* FormView::ControlOf(const QObject* o) const {
  auto it = widgetControl_.find(o);
  return it == widgetControl_.end() ? nullptr : it->second;
}

void FormView::Register(QWidget* w, Control& c) {
  auto add = [&](QWidget* x) {
    widgetControl_[x] = &c;
    x->installEventFilter(this);
    x->setMouseTracking(true);
  };
  add(w);
  for (QWidget* child : w->findChildren<QWidget*>()) {
    if (dynamic_cast<SurfaceWidget*>(child)) continue;  // a container's children are their own
    if (widgetControl_.count(child) && widgetControl_[child] != &c) continue;
    add(child);
  }
}

void FormView::Unregister(QWidget* w) {
  Control* c = ControlOf(w);
  widgetControl_.erase(w);
  for (QWidget* child : w->findChildren<QWidget*>())
    if (ControlOf(child) == c) widgetControl_.erase(child);
}

QWidget* FormView::ParentFor(const Control& c) {
  if (Control* box = c.Container()) {
    if (!Find(*box)) CreateControl(*box);
    if (Entry* e = Find(*box); e && e->widget && dynamic_cast<SurfaceWidget*>(e->widget.data())) return e->widget;
  }
  return canvas_;
}

void FormView::CreateControl(Control& c) {
  if (!form_ || Find(c)) return;
  if (c.Kind() == ControlKind::Menu) {
    entries_.emplace(&c, Entry{});
    ScheduleMenuRebuild();
    return;
  }
  if (c.IsWindowless()) {
    Entry e;
    if (IsPaintedKind(c.Kind())) {
      e.surface = ParentFor(c);
      e.bounds = PaintBounds(c);
    }
    auto& ref = entries_.emplace(&c, e).first->second;
    if (ref.surface) MarkDirty(ref.surface, ref.bounds);
    return;
  }
  QWidget* parent = ParentFor(c);
  Entry fresh;
  fresh.adapter = system_.Adapters().For(c.Kind());
  entries_.emplace(&c, fresh);
  QWidget* w = MakeWidget(c, parent);
  Entry* e = Find(c);
  e->surface = parent;
  e->widget = w;
  if (!w) return;
  Register(w, c);
  ApplyWindowed(c, w, nullptr);
}

QWidget* FormView::MakeWidget(Control& c, QWidget* parent) {
  Entry* e = Find(c);
  return e && e->adapter ? e->adapter->Make(c, parent, *this) : nullptr;
}

QWidget* FormView::MakeContainerSurface(Control& owner, QWidget* parent, bool host) {
  auto* w = new SurfaceWidget(*this, host ? SurfaceWidget::Role::Host : SurfaceWidget::Role::Container, parent);
  w->owner = &owner;
  return w;
}

void FormView::UserChange(QWidget* widget, const std::function<void(Control&)>& change) {
  Control* c = ControlOf(widget);
  if (!c || syncing_) return;
  const QPointer<QWidget> w(widget);
  Deliver([&] { change(*c); });
  // The handler may have changed the control, or taken it away.
  if (!w) return;
  if (Control* again = ControlOf(w))
    if (Entry* e = Find(*again); e && e->widget) ApplyWindowed(*again, e->widget, nullptr);
}

void FormView::Adopt(QWidget* widget, Control& c) { Register(widget, c); }

void FormView::PageChanged(Control& tabStrip) { UpdateTabChildren(tabStrip); }

void FormView::HostedSurfaceChanged(Control& host) { EmbedHosted(host); }

FontBook& FormView::Fonts() { return system_.Fonts(); }

void FormView::ApplyWindowed(Control& c, QWidget* w, const PropertyBase* p) {
  const bool wasSyncing = syncing_;
  syncing_ = true;  // widget signals raised by these writes are not the user's
  if (Is(p, "Left") || Is(p, "Top") || Is(p, "Width") || Is(p, "Height")) w->setGeometry(PxRect(c));
  if (Is(p, "Visible")) UpdateVisibility(c);
  if (Is(p, "Enabled")) w->setEnabled(c.Enabled);
  if (Is(p, "ToolTipText")) w->setToolTip(QString::fromStdString(c.ToolTipText));
  if (Is(p, "TabStop") && c.CanFocus()) w->setFocusPolicy(c.TabStop ? Qt::StrongFocus : Qt::ClickFocus);
  if (Entry* e = Find(c); e && e->adapter) e->adapter->Apply(c, w, p, *this);
  syncing_ = wasSyncing;
}

void FormView::UpdateVisibility(Control& c) {
  Entry* e = Find(c);
  if (!e || !e->widget) return;
  const bool show = ShouldShow(c);
  if (e->widget->isHidden() == show) e->widget->setVisible(show);
}

void FormView::UpdateTabChildren(Control& tabStrip) {
  if (!form_) return;
  for (const auto& c : form_->Controls())
    if (c->Container() == &tabStrip && !c->IsWindowless()) UpdateVisibility(*c);
  if (Entry* e = Find(tabStrip); e && e->widget) e->widget->update();
}

void FormView::Restack() {
  if (!form_) return;
  for (Control* c : form_->ZOrderList())
    if (Entry* e = Find(*c); e && e->widget) e->widget->raise();
}

void FormView::EmbedHosted(Control& host) {
  Entry* e = Find(host);
  if (!e) return;
  Form* surface = static_cast<HostedControl&>(host).Surface();
  if (e->embedded && e->embedded != surface)
    if (FormView* old = system_.MadeViewOf(e->embedded)) old->Unembed();
  e->embedded = surface;
  if (surface && e->widget)
    if (FormView* v = system_.ViewOf(surface)) v->Embed(e->widget);
}

void FormView::Embed(QWidget* host) {
  if (!window_ || !host || (embedded_ && embedHost_ == host)) return;
  embedded_ = true;
  embedHost_ = host;
  window_->setWindowModality(Qt::NonModal);
  window_->setParent(host);  // a child widget now: no window frame
  if (menuBar_) menuBar_->hide();
  window_->setGeometry(host->rect());
  LayoutWindow();
  window_->show();
}

void FormView::Unembed() {
  if (!embedded_ || !window_) return;
  window_->hide();
  window_->setParent(nullptr, Qt::Window);
  embedded_ = false;
  embedHost_ = nullptr;
  if (form_) {
    ApplyWindowFlags();
    RebuildMenus();
    ApplySize();
  }
}

void FormView::ContainerResized(SurfaceWidget& s) {
  Control* c = s.owner;
  Entry* e = c ? Find(*c) : nullptr;
  if (!e) return;
  if (e->adapter) e->adapter->Resized(*c, &s);
  if (!e->embedded) return;
  if (FormView* v = system_.MadeViewOf(e->embedded); v && v->embedded_ && v->window_) {
    v->window_->setGeometry(s.rect());
    v->LayoutWindow();
  }
}

// ---- notifications ----

void FormView::ControlCreated(Control& c) {
  if (!form_) return;
  CreateControl(c);
  if (Entry* e = Find(c); e && e->widget) e->widget->raise();
}

void FormView::ControlDestroyed(Control& c) {
  Entry* e = Find(c);
  if (!e) return;
  if (capture_.control == &c) capture_ = {};
  if (e->embedded)
    if (FormView* v = system_.MadeViewOf(e->embedded)) v->Unembed();
  if (e->surface && !e->widget) MarkDirty(e->surface, e->bounds);
  if (e->action) {
    e->action->setVisible(false);
    e->action->disconnect();
    ScheduleMenuRebuild();
  }
  if (QWidget* w = e->widget) {
    // Children of a container that goes away stay on the form.
    for (auto& [other, oe] : entries_)
      if (other->Container() == &c && oe.widget && oe.widget->parentWidget() == w) {
        oe.widget->setParent(canvas_);
        oe.surface = canvas_;
      }
    Unregister(w);
    if (auto* s = dynamic_cast<SurfaceWidget*>(w)) s->owner = nullptr;
    w->hide();
    w->deleteLater();  // the control may be going away inside one of its widget's own events
  }
  entries_.erase(&c);
}

void FormView::RepaintWindowless(Control& c) {
  Entry* e = Find(c);
  if (!e || !e->surface) return;
  const QRect now = PaintBounds(c);
  MarkDirty(e->surface, e->bounds);
  if (now != e->bounds) MarkDirty(e->surface, now);
  e->bounds = now;
}

void FormView::ControlChanged(Control& c, const PropertyBase& p) {
  if (!form_) return;
  Entry* e = Find(c);
  if (!e) return;
  if (c.Kind() == ControlKind::Menu) {
    // A caption turning into (or from) a separator changes the menu's structure.
    if (!e->action || static_cast<Menu&>(c).IsSeparator() != e->action->isSeparator()) ScheduleMenuRebuild();
    else UpdateMenuAction(static_cast<Menu&>(c));
    return;
  }
  if (c.IsWindowless()) {
    RepaintWindowless(c);
    return;
  }
  if (!e->widget) return;
  if (e->adapter && e->adapter->NeedsRemake(c, e->widget, p)) {
    // A different kind of widget (a text box that became multi-line): make it again.
    QWidget* old = e->widget;
    Unregister(old);
    old->hide();
    old->deleteLater();
    QWidget* w = MakeWidget(c, e->surface ? e->surface.data() : canvas_);
    e->widget = w;
    Register(w, c);
    ApplyWindowed(c, w, nullptr);
    Restack();
    return;
  }
  ApplyWindowed(c, e->widget, &p);
}

void FormView::ContainerChanged(Control& c) {
  Entry* e = Find(c);
  if (!e || !form_) return;
  if (e->widget) {
    QWidget* parent = ParentFor(c);
    if (e->widget->parentWidget() != parent) {
      e->widget->setParent(parent);
      e->surface = parent;
      ApplyWindowed(c, e->widget, nullptr);
      UpdateVisibility(c);
      e->widget->raise();
    }
  } else if (e->surface) {
    MarkDirty(e->surface, e->bounds);
    e->surface = ParentFor(c);
    e->bounds = PaintBounds(c);
    MarkDirty(e->surface, e->bounds);
  }
}

void FormView::ZOrderChanged(Control& c) {
  Entry* e = Find(c);
  if (!e || !form_) return;
  if (!e->widget) {
    if (e->surface) MarkDirty(e->surface, e->bounds);
    return;
  }
  const auto& z = form_->ZOrderList();
  if (!z.empty() && z.back() == &c) e->widget->raise();
  else if (!z.empty() && z.front() == &c) e->widget->lower();
  else Restack();
}

void FormView::FormChanged(const PropertyBase& p) {
  if (!form_ || syncing_) return;
  ApplyForm(&p);
}

void FormView::ApplyForm(const PropertyBase* p) {
  if (!form_ || !window_) return;
  Form& f = *form_;
  if (Is(p, "Caption")) window_->setWindowTitle(QString::fromStdString(f.Caption));
  if (Is(p, "Icon")) {
    QIcon icon;
    if (const QImage* img = f.Icon().Image()) icon.addPixmap(QPixmap::fromImage(*img));
    for (const auto& size : f.Icon().OtherSizes()) icon.addPixmap(QPixmap::fromImage(*size));
    window_->setWindowIcon(icon);
  }
  if (Is(p, "BackColor") || Is(p, "Picture")) canvas_->update();
  if (Is(p, "Enabled")) window_->setEnabled(f.Enabled);
  if (Is(p, "BorderStyle") || Is(p, "MinButton") || Is(p, "MaxButton") || Is(p, "ControlBox")) ApplyWindowFlags();
  if (Is(p, "Width") || Is(p, "Height") || Is(p, "BorderStyle")) ApplySize();
  if (Is(p, "Left") || Is(p, "Top")) PlaceFromProperties(Is(p, "Left"), Is(p, "Top"));
  if (p && Is(p, "WindowState") && window_->isVisible() && !embedded_) {
    const int s = f.WindowState;
    window_->setWindowState(s == 1 ? Qt::WindowMinimized : s == 2 ? Qt::WindowMaximized : Qt::WindowNoState);
  }
}

void FormView::ApplyWindowFlags() {
  if (!form_ || !window_ || embedded_) return;
  const int bs = form_->BorderStyle;
  Qt::WindowFlags f = bs == 3 ? Qt::Dialog : (bs == 4 || bs == 5) ? Qt::Tool : Qt::Window;
  if (bs == 0) {
    f |= Qt::FramelessWindowHint;
  } else {
    f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (form_->ControlBox) {
      f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
      if (bs == 1 || bs == 2) {
        if (form_->MinButton) f |= Qt::WindowMinimizeButtonHint;
        if (form_->MaxButton) f |= Qt::WindowMaximizeButtonHint;
      }
    }
  }
  if (window_->windowFlags() == f) return;
  const bool visible = window_->isVisible();
  window_->setWindowFlags(f);
  if (visible) window_->show();
}

int FormView::MenuHeight() const {
  if (!menuBar_ || embedded_ || !form_ || form_->MenuBar().empty()) return 0;
  return menuBar_->sizeHint().height();
}

void FormView::LayoutWindow() {
  if (!window_) return;
  const int mh = MenuHeight();
  if (menuBar_) menuBar_->setGeometry(0, 0, window_->width(), mh);
  canvas_->setGeometry(0, mh, window_->width(), std::max(0, window_->height() - mh));
}

void FormView::ApplySize() {
  if (!form_ || !window_) return;
  if (embedded_) {
    LayoutWindow();
    return;
  }
  const QSize client(Px(form_->ScaleWidth()), Px(form_->ScaleHeight()));
  const QSize outer(client.width(), client.height() + MenuHeight());
  const int bs = form_->BorderStyle;
  const bool sizable = bs == 2 || bs == 5;
  const bool wasSyncing = syncing_;
  syncing_ = true;
  if (sizable) {
    window_->setMinimumSize(1, 1);
    window_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    window_->resize(outer);
  } else {
    window_->setFixedSize(outer);
  }
  syncing_ = wasSyncing;
  LayoutWindow();
}

QPoint FormView::ClientGlobalOrigin() const {
  if (!window_) return {};
  if (!window_->isWindow()) return canvas_->mapToGlobal(QPoint(0, 0));
  // A window's own geometry is its client area; the canvas sits below the menu bar.
  return window_->geometry().topLeft() + QPoint(0, MenuHeight());
}

void FormView::SyncPosition() {
  if (!form_ || !window_ || embedded_) return;
  const QPoint v = system_.GlobalToVirtual(ClientGlobalOrigin());
  const bool wasSyncing = syncing_;
  syncing_ = true;
  form_->Left = v.x() * TwipsPerPixel - form_->FrameLeft();
  form_->Top = v.y() * TwipsPerPixel - form_->FrameTop();
  syncing_ = wasSyncing;
}

void FormView::PlaceFromProperties(bool leftChanged, bool topChanged) {
  if (!form_ || !window_ || embedded_ || syncing_) return;
  const int mh = MenuHeight();
  const QPoint wanted(Px(form_->Left() + form_->FrameLeft()), Px(form_->Top() + form_->FrameTop()));
  const bool isMain = system_.MainForm == form_;
  QPoint client;
  if (isMain) {
    // The main form is the reference of the virtual screen: a write moves it by the difference.
    client = ClientGlobalOrigin() + (wanted - QPoint(0, kCursorTop));
  } else {
    client = system_.VirtualToGlobal(wanted);
    QScreen* screen = window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
    if (screen) {
      const QRect avail = screen->availableGeometry();
      const QSize outer = window_->size();
      // A position that centres the form on the (virtual) screen centres it on the real one.
      constexpr double kSlack = 2 * TwipsPerPixel;
      if (leftChanged && std::abs(form_->Left() - (system_.ScreenWidth() - form_->Width()) / 2) <= kSlack)
        client.setX(avail.x() + (avail.width() - outer.width()) / 2);
      if (topChanged && std::abs(form_->Top() - (system_.ScreenHeight() - form_->Height()) / 2) <= kSlack)
        client.setY(avail.y() + (avail.height() - outer.height()) / 2 + mh);
      // Keep the window on the screen.
      client.setX(std::clamp(client.x(), avail.left(), std::max(avail.left(), avail.right() - outer.width() + 1)));
      client.setY(std::clamp(client.y(), avail.top() + mh,
                             std::max(avail.top() + mh, avail.bottom() - outer.height() + mh + 1)));
    }
  }
  const bool wasSyncing = syncing_;
  syncing_ = true;
  window_->setGeometry(QRect(client - QPoint(0, mh), window_->size()));
  syncing_ = wasSyncing;
  if (isMain) system_.MainMoved();
  else SyncPosition();
}

void FormView::ApplyStartUpPosition() {
  if (!form_ || !window_ || embedded_) return;
  const int pos = form_->StartUpPosition;
  if (pos != 1 && pos != 2) return;
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect avail = screen->availableGeometry();
  QRect ref = avail;
  if (pos == 1 && system_.MainForm && system_.MainForm != form_)
    if (FormView* main = system_.MadeViewOf(system_.MainForm); main && main->window_ && main->window_->isVisible())
      ref = main->window_->geometry();
  const QSize outer = window_->size();
  QPoint topLeft(ref.x() + (ref.width() - outer.width()) / 2, ref.y() + (ref.height() - outer.height()) / 2);
  topLeft.setX(std::max(topLeft.x(), avail.left()));
  topLeft.setY(std::max(topLeft.y(), avail.top()));
  const bool wasSyncing = syncing_;
  syncing_ = true;
  window_->setGeometry(QRect(topLeft, outer));
  syncing_ = wasSyncing;
}

void FormView::Show(bool modal) {
  if (!form_ || !window_) return;
  if (!embedded_ && form_->Host()) EmbedInHost();
  if (embedded_) {
    window_->show();
    return;
  }
  // A hosted control's surface is a child of its place, never a window of its own: it waits
  // until the place's form has its window (Embed shows it then).
  if (form_->Host()) return;
  const bool first = !shownOnce_;
  shownOnce_ = true;
  if (first) ApplyStartUpPosition();
  if (modal) {
    if (window_->isVisible()) window_->hide();
    window_->setWindowModality(Qt::ApplicationModal);
  }
  const int state = form_->WindowState;
  if (state == 1) window_->showMinimized();
  else if (state == 2) window_->showMaximized();
  else window_->show();
  if (QGuiApplication::platformName() != QLatin1String("offscreen")) window_->raise();  // it cannot stack
  window_->activateWindow();
  if (system_.MainForm == form_) system_.MainMoved();
  else SyncPosition();
  // A window opens with the focus on its first control in tab order, its mark showing.
  if (first && !form_->ActiveControl()) {
    window_->setAttribute(Qt::WA_KeyboardFocusChange, true);
    form_->FocusNext();
  }
}

void FormView::Hide() {
  if (!window_) return;
  window_->hide();
  window_->setWindowModality(Qt::NonModal);
}

void FormView::Focus(Control* c) {
  if (!form_ || !window_) return;
  if (!c) {
    canvas_->setFocus(Qt::OtherFocusReason);
    return;
  }
  if (Entry* e = Find(*c); e && e->widget && !e->widget->hasFocus()) e->widget->setFocus(Qt::OtherFocusReason);
}

void FormView::Refresh() { FlushDirty(true); }

bool FormView::TabFocus(bool next) {
  if (!form_) return false;
  KeyboardFocus([&] { form_->FocusNext(!next); });
  return true;
}

void FormView::KeyboardFocus(const std::function<void()>& move) {
  // A focus moved by the keyboard shows its mark (Qt draws focus marks once a window's focus
  // has changed from the keyboard).
  if (window_ && !embedded_) window_->setAttribute(Qt::WA_KeyboardFocusChange, true);
  Deliver(move);
}

// ---- window events ----

void FormView::WindowClosed() {
  if (!form_) return;
  Deliver([&] { form_->Unload(unload_mode::FormControlMenu); });
  system_.CheckLastWindow();
}

void FormView::WindowMoved() {
  if (!form_ || embedded_ || syncing_) return;
  if (system_.MainForm == form_) system_.MainMoved();
  else SyncPosition();
}

void FormView::WindowResized() {
  LayoutWindow();
  if (!form_ || embedded_ || syncing_ || !canvas_) return;
  const QSize client = canvas_->size();
  if (client.width() == Px(form_->ScaleWidth()) && client.height() == Px(form_->ScaleHeight())) return;
  syncing_ = true;
  form_->Width = client.width() * TwipsPerPixel + 2 * form_->FrameLeft();
  form_->Height = client.height() * TwipsPerPixel + form_->FrameTop();
  syncing_ = false;
  Deliver([&] { form_->Form_Resize(); });
}

void FormView::WindowActivated(bool active) {
  if (!form_ || !active || embedded_) return;
  Deliver([&] { form_->Form_Activate(); });
}

// ---- painting ----

void FormView::MarkDirty(QWidget* surface, const QRect& r) {
  if (!surface || r.isEmpty()) return;
  constexpr size_t kMaxRects = 24;  // beyond this one bounding rectangle is cheaper
  auto it = std::find_if(dirty_.begin(), dirty_.end(), [&](const Dirty& d) { return d.surface == surface; });
  if (it == dirty_.end()) {
    dirty_.push_back(Dirty{surface, {}, {}});
    it = dirty_.end() - 1;
  }
  it->bounds = it->bounds.united(r);
  if (it->rects.size() < kMaxRects) it->rects.push_back(r);
  if (!flushPosted_) {
    flushPosted_ = true;
    QMetaObject::invokeMethod(this, [this] { FlushDirty(false); }, Qt::QueuedConnection);
  }
}

void FormView::FlushDirty(bool now) {
  flushPosted_ = false;
  std::vector<Dirty> pending;
  pending.swap(dirty_);
  constexpr size_t kMaxRects = 24;
  for (const Dirty& d : pending) {
    if (!d.surface) continue;
    QRegion region;
    if (d.rects.size() >= kMaxRects) region = d.bounds;
    else
      for (const QRect& r : d.rects) region += r;
    if (now) d.surface->repaint(region);
    else d.surface->update(region);
  }
}

void FormView::PaintSurface(SurfaceWidget& s, QPainter& p, const QRect& exposed) {
  Control* owner = s.owner;
  if (!form_ || (s.SurfaceRole() != SurfaceWidget::Role::Canvas && !owner)) {
    p.fillRect(exposed, QApplication::palette().color(QPalette::Window));
    return;
  }
  FontBook& fonts = system_.Fonts();
  const Entry* box = owner ? Find(*owner) : nullptr;
  const ControlAdapter* adapter = box ? box->adapter : nullptr;
  if (!owner) {
    p.fillRect(exposed, ToQColor(form_->BackColor));
    if (const QImage* img = form_->Picture().Image()) p.drawImage(QPoint(0, 0), *img);
  } else if (adapter) {
    adapter->PaintBackground(*owner, s, p, exposed, fonts);
  }
  if (s.SurfaceRole() == SurfaceWidget::Role::Host) return;  // the hosted form paints the rest
  for (Control* c : form_->ZOrderList()) {
    if (c->Container() != owner || !IsPaintedKind(c->Kind())) continue;
    auto it = entries_.find(c);
    const QRect bounds = it != entries_.end() ? it->second.bounds : PaintBounds(*c);
    if (!bounds.intersects(exposed) || !c->IsShowing()) continue;
    PaintWindowless(p, *c, fonts);
  }
  if (adapter) adapter->PaintOverlay(*owner, s, p);
}

// ---- menus ----

void FormView::ScheduleMenuRebuild() {
  if (menusPosted_) return;
  menusPosted_ = true;
  QMetaObject::invokeMethod(this, [this] { RebuildMenus(); }, Qt::QueuedConnection);
}

void FormView::UpdateMenuAction(Menu& m) {
  Entry* e = Find(m);
  if (!e || !e->action) return;
  QAction* a = e->action;
  if (!a->isSeparator()) a->setText(QString::fromStdString(m.Caption));
  a->setVisible(m.Visible);
  a->setEnabled(m.Enabled);
  if (m.Items().empty() && !m.IsSeparator()) {
    a->setCheckable(m.Checked);
    a->setChecked(m.Checked);
  }
}

void FormView::RebuildMenus() {
  menusPosted_ = false;
  if (!form_ || !window_) return;
  const bool want = !form_->MenuBar().empty() && !embedded_;
  if (!want) {
    if (menuBar_) menuBar_->hide();
    ApplySize();
    return;
  }
  if (!menuBar_) {
    menuBar_ = new QMenuBar(window_);
    menuBar_->setNativeMenuBar(false);
  }
  menuBar_->clear();
  for (auto& [m, qm] : menus_) delete qm.data();
  menus_.clear();
  std::function<void(QMenu*, Menu&)> add = [&](QMenu* parent, Menu& m) {
    Entry* e = Find(m);
    if (!e) return;
    QAction* action = nullptr;
    const QString caption = QString::fromStdString(m.Caption);
    if (m.Items().empty()) {
      if (m.IsSeparator()) {
        action = parent ? parent->addSeparator() : menuBar_->addSeparator();
      } else {
        action = new QAction(caption, parent ? static_cast<QObject*>(parent) : menuBar_);
        Menu* item = &m;
        // The command runs once the menu (or the menu bar, for an item chosen there by its key)
        // has let go, so a command that waits in a dialog leaves nothing highlighted behind it.
        connect(action, &QAction::triggered, this, [this, item, action] {
          QMetaObject::invokeMethod(
              this,
              [this, item, action = QPointer<QAction>(action)] {
                if (!Find(*item)) return;
                // An item of the menu bar itself stays highlighted, the bar keeping the keys,
                // until it is let go as Escape does.
                if (menuBar_ && action && menuBar_->activeAction() == action) {
                  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                  QCoreApplication::sendEvent(menuBar_, &escape);
                }
                Deliver([&] { item->RaiseClick(); });
                if (Find(*item)) UpdateMenuAction(*item);  // the program owns the check mark
              },
              Qt::QueuedConnection);
        });
        if (parent) parent->addAction(action);
        else menuBar_->addAction(action);
      }
    } else {
      QMenu* sub = parent ? new QMenu(caption, parent) : new QMenu(caption, menuBar_);
      Menu* item = &m;
      // Opening a drop-down is a click on its title (the program updates its items then).
      connect(sub, &QMenu::aboutToShow, this, [this, item] {
        if (Find(*item)) Deliver([&] { item->RaiseClick(); });
      });
      for (Menu* child : m.Items()) add(sub, *child);
      if (parent) parent->addMenu(sub);
      else menuBar_->addMenu(sub);
      menus_[&m] = sub;
      action = sub->menuAction();
    }
    e->action = action;
    UpdateMenuAction(m);
  };
  for (Menu* top : form_->MenuBar()) add(nullptr, *top);
  menuBar_->show();
  ApplySize();
}

// ---- input ----

FormView::Target FormView::HitAt(SurfaceWidget& s, const QPoint& p) {
  Control* owner = s.owner;
  const auto& z = form_->ZOrderList();
  for (auto it = z.rbegin(); it != z.rend(); ++it) {
    Control* c = *it;
    if (c->Container() != owner || !c->IsWindowless()) continue;
    if (HitTest(*c, p) && c->IsShowing()) return Target{c, false};
  }
  if (owner) return Target{owner, false};
  return Target{nullptr, true};
}

void FormView::RaiseMouse(const Target& t, QEvent::Type type, int button, int shift, QPointF tw) {
  if (!form_ || !t.Valid()) return;
  const double x = tw.x(), y = tw.y();
  Deliver([&] {
    if (t.form) {
      if (type == QEvent::MouseButtonPress) form_->Form_MouseDown(button, shift, x, y);
      else if (type == QEvent::MouseButtonRelease) form_->Form_MouseUp(button, shift, x, y);
      else form_->Form_MouseMove(button, shift, x, y);
    } else {
      if (type == QEvent::MouseButtonPress) t.control->RaiseMouseDown(button, shift, x, y);
      else if (type == QEvent::MouseButtonRelease) t.control->RaiseMouseUp(button, shift, x, y);
      else t.control->RaiseMouseMove(button, shift, x, y);
    }
  });
}

void FormView::RaiseClickOn(const Target& t, bool dbl) {
  if (!form_ || !t.Valid()) return;
  Deliver([&] {
    if (t.form) {
      if (dbl) form_->Form_DblClick();
      else form_->Form_Click();
    } else if (dbl) {
      t.control->RaiseDblClick();
    } else {
      t.control->RaiseClick();
    }
  });
}

bool FormView::SurfaceMouse(SurfaceWidget& s, QMouseEvent* e) {
  const QPoint pos = e->position().toPoint();
  const int sh = ShiftState(e->modifiers());
  auto twips = [&](const Target& t) {
    if (t.control && t.control->IsWindowless()) {
      const QRect r = PxRect(*t.control);
      return QPointF((pos.x() - r.x()) * TwipsPerPixel, (pos.y() - r.y()) * TwipsPerPixel);
    }
    return QPointF(pos.x() * TwipsPerPixel, pos.y() * TwipsPerPixel);
  };
  switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      if (!capture_.Valid() || captureSurface_ != &s) {
        capture_ = HitAt(s, pos);
        captureSurface_ = &s;
        captureButtons_ = Qt::NoButton;
      }
      captureButtons_ |= e->button();
      const Target t = capture_;
      // A double click is MouseDown, MouseUp, Click, then DblClick (in place of the second
      // press) and MouseUp: its second release is no click of its own.
      if (e->type() == QEvent::MouseButtonDblClick) {
        secondClick_ = true;
        RaiseClickOn(t, true);
      } else {
        secondClick_ = false;
        RaiseMouse(t, QEvent::MouseButtonPress, ButtonCode(e->button()), sh, twips(t));
      }
      break;
    }
    case QEvent::MouseMove: {
      const Target t = capture_.Valid() ? capture_ : HitAt(s, pos);
      RaiseMouse(t, QEvent::MouseMove, ButtonCode(e->buttons()), sh, twips(t));
      break;
    }
    case QEvent::MouseButtonRelease: {
      const Target t = capture_.Valid() ? capture_ : HitAt(s, pos);
      captureButtons_ &= ~e->button();
      const bool done = captureButtons_ == Qt::NoButton || e->buttons() == Qt::NoButton;
      const bool second = secondClick_;
      if (done) {
        capture_ = {};
        captureSurface_ = nullptr;
        secondClick_ = false;
      }
      RaiseMouse(t, QEvent::MouseButtonRelease, ButtonCode(e->button()), sh, twips(t));
      // A click is a press and a release on the same thing.
      if (done && !second && form_ && t.Valid() && s.rect().contains(pos) && HitAt(s, pos) == t)
        RaiseClickOn(t, false);
      break;
    }
    default: break;
  }
  return true;
}

void FormView::ControlMouse(Control& c, QWidget* from, QMouseEvent* e) {
  Entry* entry = Find(c);
  if (!entry || !entry->widget) return;
  QWidget* main = entry->widget;
  QPoint pos = e->position().toPoint();
  if (from != main && main->isAncestorOf(from)) pos = from->mapTo(main, pos);
  const QPointF tw(pos.x() * TwipsPerPixel, pos.y() * TwipsPerPixel);
  const int sh = ShiftState(e->modifiers());
  const Target t{&c, false};
  switch (e->type()) {
    case QEvent::MouseButtonPress: RaiseMouse(t, e->type(), ButtonCode(e->button()), sh, tw); break;
    case QEvent::MouseButtonRelease: RaiseMouse(t, e->type(), ButtonCode(e->button()), sh, tw); break;
    case QEvent::MouseMove: RaiseMouse(t, e->type(), ButtonCode(e->buttons()), sh, tw); break;
    case QEvent::MouseButtonDblClick:
      // A button's second click is a click again (Qt's widget turns it into a press).
      if (c.Kind() == ControlKind::CommandButton) RaiseMouse(t, QEvent::MouseButtonPress, ButtonCode(e->button()), sh, tw);
      else RaiseClickOn(t, true);
      break;
    default: break;
  }
}

Control* FormView::DefaultButton(bool cancel) const {
  if (!form_) return nullptr;
  for (const auto& c : form_->Controls()) {
    if (c->Kind() != ControlKind::CommandButton) continue;
    const auto& b = static_cast<const CommandButton&>(*c);
    if ((cancel ? b.Cancel() : b.Default()) && b.Enabled && b.IsShowing()) return c.get();
  }
  return nullptr;
}

bool FormView::IsTextInput(const Control* c) const {
  if (!c) return false;
  if (c->Kind() == ControlKind::TextBox) return true;
  return c->Kind() == ControlKind::ComboBox && static_cast<const ComboBox*>(c)->Style() != ComboStyle::DropDownList;
}

bool FormView::HandleKey(Control* c, QObject* watched, QKeyEvent* e) {
  const int code = VirtualKey(e->key(), e->modifiers());
  const int sh = ShiftState(e->modifiers());
  const bool preview = form_->KeyPreview();
  auto stillThere = [&] { return form_ && (!c || ControlOf(watched) == c); };

  if (e->type() == QEvent::KeyRelease) {
    if (e->isAutoRepeat() || code == 0) return !c;
    bool cancel = false;
    Deliver([&] {
      int k = code;
      if (c && preview) form_->Form_KeyUp(k, sh);
      if (k != 0 && stillThere()) {
        if (c) c->RaiseKeyUp(k, sh);
        else form_->Form_KeyUp(k, sh);
      }
      cancel = k == 0;
    });
    return !stillThere() || !c || cancel;
  }

  // Tab moves the focus in TabIndex order.
  if ((e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) &&
      !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    const bool back = e->key() == Qt::Key_Backtab || (e->modifiers() & Qt::ShiftModifier);
    KeyboardFocus([&] { form_->FocusNext(back); });
    return true;
  }
  // Enter clicks the default button (unless a button or a multi-line box takes it), Esc the cancel one.
  const bool takesEnter = c && (c->Kind() == ControlKind::CommandButton ||
                                (c->Kind() == ControlKind::TextBox && static_cast<TextBox*>(c)->MultiLine()));
  if ((code == vk::Return && !takesEnter) || code == vk::Escape) {
    if (Control* b = DefaultButton(code == vk::Escape)) {
      Deliver([&] { b->RaiseClick(); });
      return true;
    }
  }

  bool suppress = false;
  if (code != 0) {
    Deliver([&] {
      int k = code;
      if (c && preview) form_->Form_KeyDown(k, sh);
      if (k != 0 && stillThere()) {
        if (c) c->RaiseKeyDown(k, sh);
        else form_->Form_KeyDown(k, sh);
      }
      suppress = k == 0;
    });
    if (!stillThere()) return true;
    // The arrows move round a group of option buttons, checking the one they come to.
    const bool arrow = code == vk::Left || code == vk::Up || code == vk::Right || code == vk::Down;
    if (arrow && !suppress && sh == 0 && c && c->Kind() == ControlKind::OptionButton) {
      auto* option = static_cast<OptionButton*>(c);
      KeyboardFocus([&] { form_->StepOptionGroup(*option, code == vk::Right || code == vk::Down); });
      return true;
    }
  }

  const QString text = e->text();
  int ascii = text.isEmpty() ? 0 : text.at(0).unicode();
  if (ascii == 127 || (ascii < 32 && ascii != 8 && ascii != 13 && ascii != 27 && !(e->modifiers() & Qt::ControlModifier)))
    ascii = 0;
  if (ascii == 0) return !c || (suppress && !IsTextInput(c));
  int a = ascii;
  Deliver([&] {
    if (c && preview) form_->Form_KeyPress(a);
    if (a != 0 && stillThere()) {
      if (c) c->RaiseKeyPress(a);
      else form_->Form_KeyPress(a);
    }
  });
  if (!stillThere() || !c) return true;
  if (a == 0) return true;  // the character is cancelled
  if (a != ascii && IsTextInput(c)) {
    // The handler changed the character: the box receives the new one instead.
    QKeyEvent replaced(QEvent::KeyPress, KeyForChar(a), e->modifiers() & ~Qt::ShiftModifier, QString(QChar(a)),
                       e->isAutoRepeat());
    resending_ = true;
    QCoreApplication::sendEvent(watched, &replaced);
    resending_ = false;
    return true;
  }
  return suppress && !IsTextInput(c);
}

bool FormView::IsPassedOn(const Seen& seen, const QObject* o, const QInputEvent* e) {
  if (seen.event != e || seen.time != e->timestamp() || seen.type != e->type() || !seen.receiver) return false;
  if (seen.receiver == o || !o->isWidgetType() || !seen.receiver->isWidgetType()) return false;
  return static_cast<const QWidget*>(o)->isAncestorOf(static_cast<const QWidget*>(seen.receiver.data()));
}

void FormView::Remember(Seen& seen, QObject* o, const QInputEvent* e) {
  seen.event = e;
  seen.time = e->timestamp();
  seen.type = e->type();
  seen.receiver = o;
}

bool FormView::eventFilter(QObject* o, QEvent* e) {
  if (!form_) return false;
  switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
      auto* me = static_cast<QMouseEvent*>(e);
      const bool passedOn = IsPassedOn(lastMouse_, o, me);
      // The handlers read the cursor where this event happened, not where the pointer is now.
      QtSystem::EventScope scope(system_, TopWindow(), me->globalPosition().toPoint());
      auto* s = dynamic_cast<SurfaceWidget*>(o);
      if (s && s->SurfaceRole() != SurfaceWidget::Role::Host) {
        // An event a control inside did not take comes up to its container: it was raised already.
        if (passedOn) return true;
        Remember(lastMouse_, o, me);
        return SurfaceMouse(*s, me);
      }
      Control* c = ControlOf(o);
      if (!c || passedOn) return false;
      Remember(lastMouse_, o, me);
      ControlMouse(*c, static_cast<QWidget*>(o), me);
      return !form_;  // the form went away in the handler: nothing more to do
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto* ke = static_cast<QKeyEvent*>(e);
      if (resending_) return false;
      if (IsPassedOn(lastKey_, o, ke)) return false;  // handled where it went first
      Control* c = nullptr;
      if (o != window_ && o != canvas_) {
        c = ControlOf(o);
        if (!c) return false;
      }
      Remember(lastKey_, o, ke);
      QtSystem::EventScope scope(system_, TopWindow(), std::nullopt);
      return HandleKey(c, o, ke);
    }
    case QEvent::FocusIn: {
      Control* c = ControlOf(o);
      if (c && c->CanFocus() && form_->ActiveControl() != c) Deliver([&] { form_->SetActiveControl(c); });
      return false;
    }
    case QEvent::ToolTip: {
      auto* s = dynamic_cast<SurfaceWidget*>(o);
      if (!s || s->SurfaceRole() == SurfaceWidget::Role::Host) return false;
      auto* he = static_cast<QHelpEvent*>(e);
      const Target t = HitAt(*s, he->pos());
      const std::string tip = t.control ? std::string(t.control->ToolTipText) : std::string();
      if (tip.empty()) QToolTip::hideText();
      else QToolTip::showText(he->globalPos(), QString::fromStdString(tip), s);
      return true;
    }
    default: return false;
  }
}

// ---- the peer ----

QtFormPeer::QtFormPeer(QtSystem& system, Form& form) : system_(system), form_(form) {
  system_.PeerCreated(*this);
  // A surface loaded after its host's window exists is shown in it at once.
  if (HostedControl* host = form.Host(); host && system_.MadeViewOf(&host->Parent())) Make();
}

QtFormPeer::~QtFormPeer() {
  system_.PeerGone(*this);
  if (FormView* v = view_) {
    v->Detach();
    v->deleteLater();
  }
}

FormView* QtFormPeer::Make() {
  if (!made_) {
    made_ = true;
    view_ = new FormView(system_, form_);
  }
  return view_;
}

// Until the view is made, changes need not reach it: it is made from the form as it is then.
void QtFormPeer::ControlCreated(Control& c) { if (view_) view_->ControlCreated(c); }
void QtFormPeer::ControlDestroyed(Control& c) { if (view_) view_->ControlDestroyed(c); }
void QtFormPeer::ControlChanged(Control& c, const PropertyBase& p) { if (view_) view_->ControlChanged(c, p); }
void QtFormPeer::ContainerChanged(Control& c) { if (view_) view_->ContainerChanged(c); }
void QtFormPeer::ZOrderChanged(Control& c) { if (view_) view_->ZOrderChanged(c); }
void QtFormPeer::FormChanged(const PropertyBase& p) { if (view_) view_->FormChanged(p); }
void QtFormPeer::Show(bool modal) { if (FormView* v = Make()) v->Show(modal); }
void QtFormPeer::Hide() { if (view_) view_->Hide(); }
void QtFormPeer::Focus(Control* c) { if (FormView* v = Make()) v->Focus(c); }
void QtFormPeer::Refresh() { if (view_) view_->Refresh(); }

}  // namespace forms::qtbackend

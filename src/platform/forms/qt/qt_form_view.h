// One form on Qt: its top-level window (or, for a hosted control's surface, a child widget
// inside the host), the canvas that paints the windowless controls, the menu bar, and the
// translation of user input into form events. The windowed controls' widgets are made and
// kept up to date by their kinds' adapters (qt_adapter.h).
#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <unordered_map>
#include <vector>

#include "platform/forms/qt/qt_adapter.h"
#include "platform/forms/window_system.h"

class QAction;
class QMenu;
class QMenuBar;
class QMouseEvent;
class QKeyEvent;
class QInputEvent;

namespace forms {
class QtSystem;
}

namespace forms::qtbackend {

class FormView;

// A widget that paints windowless controls: the form's client area (canvas) and the
// containers (frame, picture box, tab strip). A host only holds a surface form's window.
class SurfaceWidget final : public QWidget {
 public:
  enum class Role { Canvas, Container, Host };
  SurfaceWidget(FormView& view, Role role, QWidget* parent);
  Role SurfaceRole() const { return role_; }
  Control* owner = nullptr;  // the container control; nullptr for the canvas

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  FormView& view_;
  Role role_;
};

class FormView final : public QObject, private AdapterContext {
 public:
  FormView(QtSystem& system, Form& form);
  ~FormView() override;

  // The form's peer is going away (the form unloads): forget the form, hide the window.
  void Detach();
  Form* GetForm() const { return form_; }
  QWidget* Window() const;
  QWidget* TopWindow() const;  // the top-level window this form shows in
  SurfaceWidget* Canvas() const { return canvas_; }
  QWidget* WidgetOf(const Control& c) const;

  // ---- the peer's notifications ----
  void ControlCreated(Control& c);
  void ControlDestroyed(Control& c);
  void ControlChanged(Control& c, const PropertyBase& p);
  void ContainerChanged(Control& c);
  void ZOrderChanged(Control& c);
  void FormChanged(const PropertyBase& p);
  void Show(bool modal);
  void Hide();
  void Focus(Control* c);
  void Refresh();

  // ---- used by the system and the widgets ----
  void PaintSurface(SurfaceWidget& s, QPainter& p, const QRect& exposed);
  QPoint ClientGlobalOrigin() const;  // global pixel position of the client area's top-left
  void SyncPosition();                // Left/Top from where the window is
  void Embed(QWidget* host);          // shows this (surface) form inside a host control's widget
  void Unembed();
  bool IsEmbedded() const { return embedded_; }
  void ContainerResized(SurfaceWidget& s);
  void WindowClosed();
  void WindowMoved();
  void WindowResized();
  void WindowActivated(bool active);
  bool TabFocus(bool next);
  // Runs a focus move made with the keyboard (Tab, the arrows, a window opening).
  void KeyboardFocus(const std::function<void()>& move);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Entry {
    QPointer<QWidget> widget;   // windowed controls
    QPointer<QWidget> surface;  // where a windowless control is painted, or a widget's parent
    QRect bounds;               // last painted bounds of a windowless control
    QPointer<QAction> action;   // menu items
    Form* embedded = nullptr;   // hosted controls: the surface form shown inside
    const ControlAdapter* adapter = nullptr;  // windowed controls
  };
  struct Target {  // who gets a mouse event: a control, or the form itself
    Control* control = nullptr;
    bool form = false;
    bool operator==(const Target& o) const { return control == o.control && form == o.form; }
    bool Valid() const { return control || form; }
  };

  // Runs a handler raised by input on this form (through the system's Deliver).
  void Deliver(const std::function<void()>& handler);
  Entry* Find(const Control& c);
  void CreateControl(Control& c);
  QWidget* MakeWidget(Control& c, QWidget* parent);
  QWidget* ParentFor(const Control& c);
  void Register(QWidget* w, Control& c);
  void Unregister(QWidget* w);
  Control* ControlOf(const QObject* o) const;
  void ApplyWindowed(Control& c, QWidget* w, const PropertyBase* p);
  void UpdateVisibility(Control& c);
  void UpdateTabChildren(Control& tabStrip);
  void Restack();
  void MarkDirty(QWidget* surface, const QRect& r);
  void FlushDirty(bool now);
  void RepaintWindowless(Control& c);
  void EmbedHosted(Control& host);
  void EmbedInHost();  // a hosted control's surface: into its place, once the place has a widget

  // ---- AdapterContext ----
  FontBook& Fonts() override;
  void UserChange(QWidget* widget, const std::function<void(Control&)>& change) override;
  void Adopt(QWidget* widget, Control& c) override;
  QWidget* MakeContainerSurface(Control& owner, QWidget* parent, bool host) override;
  void PageChanged(Control& tabStrip) override;
  void HostedSurfaceChanged(Control& host) override;

  void ApplyForm(const PropertyBase* p);
  void ApplyWindowFlags();
  void ApplySize();
  void LayoutWindow();
  int MenuHeight() const;
  void PlaceFromProperties(bool leftChanged, bool topChanged);
  void ApplyStartUpPosition();
  void RebuildMenus();
  void ScheduleMenuRebuild();
  void UpdateMenuAction(Menu& m);

  bool SurfaceMouse(SurfaceWidget& s, QMouseEvent* e);
  void ControlMouse(Control& c, QWidget* from, QMouseEvent* e);
  Target HitAt(SurfaceWidget& s, const QPoint& p);
  void RaiseMouse(const Target& t, QEvent::Type type, int button, int shift, QPointF twips);
  void RaiseClickOn(const Target& t, bool dbl);
  bool HandleKey(Control* c, QObject* watched, QKeyEvent* e);
  Control* DefaultButton(bool cancel) const;
  bool IsTextInput(const Control* c) const;

  QtSystem& system_;
  Form* form_;
  QPointer<QWidget> window_;
  SurfaceWidget* canvas_ = nullptr;
  QMenuBar* menuBar_ = nullptr;
  std::unordered_map<const Control*, Entry> entries_;
  std::unordered_map<const QObject*, Control*> widgetControl_;
  std::unordered_map<Menu*, QPointer<QMenu>> menus_;

  struct Dirty {
    QPointer<QWidget> surface;
    std::vector<QRect> rects;
    QRect bounds;
  };
  std::vector<Dirty> dirty_;
  bool flushPosted_ = false;
  bool menusPosted_ = false;

  bool syncing_ = false;  // writing the form's properties from the window: not a program change
  bool shownOnce_ = false;
  bool embedded_ = false;
  bool resending_ = false;
  QPointer<QWidget> embedHost_;

  Target capture_;
  Qt::MouseButtons captureButtons_;
  QPointer<QWidget> captureSurface_;
  bool secondClick_ = false;  // the button held is a double click's second press
  // The last input event handled, to know it again when Qt passes it on to a parent widget
  // (which it does with the same event object when the first receiver ignores it).
  struct Seen {
    const QEvent* event = nullptr;
    quint64 time = 0;
    QEvent::Type type = QEvent::None;
    QPointer<QObject> receiver;
  };
  static bool IsPassedOn(const Seen& seen, const QObject* o, const QInputEvent* e);
  static void Remember(Seen& seen, QObject* o, const QInputEvent* e);
  Seen lastMouse_;
  Seen lastKey_;
};

// The FormPeer a form holds: a thin handle on its view, which outlives it until Qt's event
// loop can delete it (a form may unload from inside one of its own widgets' events).
//
// The view is made when it is first needed (the form is shown, printed, asked for its window),
// from the form as it is then: a form loaded hidden at start-up costs nothing until it opens.
class QtFormPeer final : public FormPeer {
 public:
  QtFormPeer(QtSystem& system, Form& form);
  ~QtFormPeer() override;
  FormView* View() const { return view_; }
  FormView* Make();
  bool Made() const { return made_; }
  Form& GetForm() const { return form_; }

  void ControlCreated(Control& c) override;
  void ControlDestroyed(Control& c) override;
  void ControlChanged(Control& c, const PropertyBase& p) override;
  void ContainerChanged(Control& c) override;
  void ZOrderChanged(Control& c) override;
  void FormChanged(const PropertyBase& p) override;
  void Show(bool modal) override;
  void Hide() override;
  void Focus(Control* c) override;
  void Refresh() override;

 private:
  QtSystem& system_;
  Form& form_;
  bool made_ = false;
  QPointer<FormView> view_;
};

}  // namespace forms::qtbackend

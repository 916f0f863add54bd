// The windowed controls on Qt: one adapter per control kind, each in its own file under
// adapters/. An adapter makes its control's widget, shows the control's own properties on it
// and hands the widget's user input back to the control. The form view knows only this table;
// it keeps the window, the painting of windowless controls, the menus and the input routing.
#pragma once

#include <QPalette>
#include <QRect>
#include <array>
#include <functional>
#include <memory>

#include "platform/forms/control.h"
#include "platform/forms/qt/qt_paint.h"

class QColor;
class QPainter;
class QWidget;

namespace forms::qtbackend {


// What an adapter may ask of the form view that holds its widget.
class AdapterContext {
 public:
  virtual FontBook& Fonts() = 0;
  // The user changed `widget`: runs `change` on its control as an event handler, then shows
  // the control's properties on the widget again (a handler may have changed them). Ignored
  // while the view itself writes to the widget, and once the widget's control is gone.
  virtual void UserChange(QWidget* widget, const std::function<void(Control&)>& change) = 0;
  // The widget grew children (an editable combo box's line edit): their input is the control's too.
  virtual void Adopt(QWidget* widget, Control& c) = 0;
  // A surface that paints the windowless controls a container holds.
  virtual QWidget* MakeContainerSurface(Control& owner, QWidget* parent, bool host) = 0;
  // The current page of a tab strip changed: the controls on its pages show or hide.
  virtual void PageChanged(Control& tabStrip) = 0;
  // A hosted control was given another surface form to show.
  virtual void HostedSurfaceChanged(Control& host) = 0;

 protected:
  ~AdapterContext() = default;
};

class ControlAdapter {
 public:
  virtual ~ControlAdapter() = default;
  // Makes the control's widget as a child of `parent`.
  virtual QWidget* Make(Control& c, QWidget* parent, AdapterContext& ctx) const = 0;
  // Shows the control's own properties on its widget: `p` changed, or every one when nullptr.
  // (Place, visibility, enabled state, tool tip and tab stop are the view's.)
  virtual void Apply(Control& c, QWidget* w, const PropertyBase* p, AdapterContext& ctx) const = 0;
  // Whether a change of `p` needs a widget of another type, made afresh with Make.
  virtual bool NeedsRemake(const Control&, const QWidget*, const PropertyBase&) const { return false; }
  // The widget was resized.
  virtual void Resized(Control&, QWidget*) const {}
  // Containers: what lies under the windowless controls they hold, and over them.
  virtual void PaintBackground(const Control&, const QWidget&, QPainter&, const QRect& /*exposed*/,
                               FontBook&) const {}
  virtual void PaintOverlay(const Control&, const QWidget&, QPainter&) const {}
};

// Containers (frames, picture boxes): their widget is a surface that paints the windowless
// controls they hold, painted afresh when a property changes.
class ContainerAdapter : public ControlAdapter {
 public:
  QWidget* Make(Control& c, QWidget* parent, AdapterContext& ctx) const override {
    return ctx.MakeContainerSurface(c, parent, false);
  }
  void Apply(Control& c, QWidget* w, const PropertyBase* p, AdapterContext& ctx) const override;
};

// One adapter for each kind of windowed control, made with the window system.
class AdapterTable {
 public:
  AdapterTable();
  ~AdapterTable();
  // nullptr for the windowless kinds (lines, shapes, labels, images, timers), menus and
  // common dialogs, which have no widget.
  const ControlAdapter* For(ControlKind kind) const;

 private:
  static constexpr size_t kKinds = static_cast<size_t>(ControlKind::Hosted) + 1;
  std::array<std::unique_ptr<ControlAdapter>, kKinds> adapters_;
};

// The adapters, one file each.
std::unique_ptr<ControlAdapter> MakeTextBoxAdapter();
std::unique_ptr<ControlAdapter> MakeCommandButtonAdapter();
std::unique_ptr<ControlAdapter> MakeCheckBoxAdapter();
std::unique_ptr<ControlAdapter> MakeOptionButtonAdapter();
std::unique_ptr<ControlAdapter> MakeComboBoxAdapter();
std::unique_ptr<ControlAdapter> MakeFrameAdapter();
std::unique_ptr<ControlAdapter> MakePictureBoxAdapter();
std::unique_ptr<ControlAdapter> MakeTabStripAdapter();
std::unique_ptr<ControlAdapter> MakeSliderAdapter();
std::unique_ptr<ControlAdapter> MakeScrollBarAdapter();
std::unique_ptr<ControlAdapter> MakeWebBrowserAdapter();
std::unique_ptr<ControlAdapter> MakeHostedControlAdapter();

// Helpers the adapters share.
// Sets the colour roles a widget paints its face and its text with; unchanged roles are left alone.
void SetColors(QWidget* w, std::initializer_list<QPalette::ColorRole> backRoles, const QColor& back,
               std::initializer_list<QPalette::ColorRole> foreRoles, const QColor& fore);
// A bevel of two one-pixel colours around `b` (light top-left, dark bottom-right, or the reverse).
void PaintEdge(QPainter& p, const QRect& b, const QColor& topLeft, const QColor& bottomRight);

}  // namespace forms::qtbackend

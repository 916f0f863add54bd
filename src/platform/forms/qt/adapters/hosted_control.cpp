// A hosted control: a place on the form inside which the control's own surface form is shown.
#include <QApplication>
#include <QPainter>
#include <QWidget>
#include <cstring>

#include "platform/forms/qt/qt_adapter.h"

namespace forms::qtbackend {

namespace {

class HostedControlAdapter final : public ControlAdapter {
 public:
  QWidget* Make(Control& c, QWidget* parent, AdapterContext& ctx) const override {
    return ctx.MakeContainerSurface(c, parent, true);
  }

  void Apply(Control& c, QWidget*, const PropertyBase* p, AdapterContext& ctx) const override {
    // The surface form is announced through Tag (HostedControl::SetSurface).
    if (!p || std::strcmp(p->Name(), "Tag") == 0) ctx.HostedSurfaceChanged(c);
  }

  void PaintBackground(const Control&, const QWidget&, QPainter& p, const QRect& exposed, FontBook&) const override {
    p.fillRect(exposed, QApplication::palette().color(QPalette::Window));
  }
};

}  // namespace

std::unique_ptr<ControlAdapter> MakeHostedControlAdapter() { return std::make_unique<HostedControlAdapter>(); }

}  // namespace forms::qtbackend

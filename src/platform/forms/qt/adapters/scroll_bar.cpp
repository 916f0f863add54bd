// Scroll bars: a QScrollBar, vertical or horizontal. The value follows the thumb while it is
// dragged (each change raises Change, as every change of a scroll bar's value does) and the
// drag raises Scroll.
#include <QScrollBar>
#include <algorithm>

#include "platform/forms/qt/qt_adapter.h"

namespace forms::qtbackend {

namespace {

class ScrollBarAdapter final : public ControlAdapter {
 public:
  QWidget* Make(Control& c, QWidget* parent, AdapterContext& ctx) const override {
    auto* w = new QScrollBar(c.Kind() == ControlKind::VScrollBar ? Qt::Vertical : Qt::Horizontal, parent);
    QObject::connect(w, &QScrollBar::valueChanged, w, [w, &ctx](int v) {
      if (w->isSliderDown()) return;  // reported by sliderMoved
      ctx.UserChange(w, [v](Control& c) { static_cast<ScrollBar&>(c).UserSetValue(v); });
    });
    // Qt reports the thumb's new place before it takes it as the value: the control takes it
    // here, so that bringing the widget back in line keeps the thumb where it was moved.
    QObject::connect(w, &QScrollBar::sliderMoved, w, [w, &ctx](int v) {
      ctx.UserChange(w, [v](Control& c) {
        auto& s = static_cast<ScrollBar&>(c);
        s.UserSetValue(v);
        if (s.Scroll) s.Scroll();
      });
    });
    return w;
  }

  void Apply(Control& c, QWidget* w, const PropertyBase*, AdapterContext&) const override {
    auto& s = static_cast<ScrollBar&>(c);
    auto* x = static_cast<QScrollBar*>(w);
    x->setRange(std::min<int>(s.Min, s.Max), std::max<int>(s.Min, s.Max));
    x->setInvertedAppearance(s.Min > s.Max);
    if (x->value() != s.Value) x->setValue(s.Value);
    x->setSingleStep(s.SmallChange);
    x->setPageStep(std::max(1, s.LargeChange()));
  }
};

}  // namespace

std::unique_ptr<ControlAdapter> MakeScrollBarAdapter() { return std::make_unique<ScrollBarAdapter>(); }

}  // namespace forms::qtbackend

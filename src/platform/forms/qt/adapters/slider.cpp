// Sliders: a horizontal QSlider. Keys, the wheel and clicks in the groove change the value
// at once; a drag of the handle moves the value with it (raising Scroll) and raises Change
// once, when the handle is let go, as a track bar does: so a handler that acts on the
// selection (the note volume) acts on the value the drag ended at.
#include <QSlider>
#include <algorithm>

#include "platform/forms/qt/qt_adapter.h"

namespace forms::qtbackend {

namespace {

class TrackBar final : public QSlider {
 public:
  using QSlider::QSlider;
  int valueAtPress = 0;
};

class SliderAdapter final : public ControlAdapter {
 public:
  QWidget* Make(Control&, QWidget* parent, AdapterContext& ctx) const override {
    auto* w = new TrackBar(Qt::Horizontal, parent);
    QObject::connect(w, &QSlider::valueChanged, w, [w, &ctx](int v) {
      if (w->isSliderDown()) return;  // the drag's own signals report it
      ctx.UserChange(w, [v](Control& c) { static_cast<Slider&>(c).UserSetValue(v); });
    });
    QObject::connect(w, &QSlider::sliderPressed, w, [w] { w->valueAtPress = w->value(); });
    // Qt reports the handle's new place before it takes it as the value: the control takes
    // it here, so that bringing the widget back in line keeps the handle where it was moved.
    QObject::connect(w, &QSlider::sliderMoved, w, [w, &ctx](int v) {
      ctx.UserChange(w, [v](Control& c) {
        auto& s = static_cast<Slider&>(c);
        s.Value = std::clamp(v, std::min<int>(s.Min, s.Max), std::max<int>(s.Min, s.Max));
        if (s.Scroll) s.Scroll();
      });
    });
    QObject::connect(w, &QSlider::sliderReleased, w, [w, &ctx] {
      const int start = w->valueAtPress;
      ctx.UserChange(w, [start](Control& c) {
        if (static_cast<Slider&>(c).Value() != start) c.RaiseChange();
      });
    });
    return w;
  }

  void Apply(Control& c, QWidget* w, const PropertyBase*, AdapterContext&) const override {
    auto& s = static_cast<Slider&>(c);
    auto* x = static_cast<QSlider*>(w);
    x->setRange(std::min<int>(s.Min, s.Max), std::max<int>(s.Min, s.Max));
    if (x->value() != s.Value) x->setValue(s.Value);
    x->setSingleStep(s.SmallChange);
    x->setPageStep(s.LargeChange);
    x->setTickInterval(std::max(1, s.TickFrequency()));
    const int ts = s.TickStyle();
    x->setTickPosition(ts == 0   ? QSlider::TicksBelow
                       : ts == 1 ? QSlider::TicksAbove
                       : ts == 2 ? QSlider::TicksBothSides
                                 : QSlider::NoTicks);
  }
};

}  // namespace

std::unique_ptr<ControlAdapter> MakeSliderAdapter() { return std::make_unique<SliderAdapter>(); }

}  // namespace forms::qtbackend

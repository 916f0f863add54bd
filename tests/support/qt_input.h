// Mouse input as a user gives it to real Qt widgets (offscreen): presses, moves and releases
// sent straight to a widget, without running the event loop in between (so no timer ticks
// between them unless a test waits).
#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

namespace stavelark_test {

inline void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}
inline void Press(QWidget* w, QPoint at) { SendMouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton); }
inline void MoveHeld(QWidget* w, QPoint at) { SendMouse(w, QEvent::MouseMove, at, Qt::LeftButton); }
inline void Release(QWidget* w, QPoint at) { SendMouse(w, QEvent::MouseButtonRelease, at, Qt::NoButton); }

// Where a slider's handle or a scroll bar's thumb is drawn now.
inline QRect HandleRect(QAbstractSlider* s) {
  QStyleOptionSlider opt;
  opt.initFrom(s);
  opt.orientation = s->orientation();
  if (s->orientation() == Qt::Horizontal) opt.state |= QStyle::State_Horizontal;
  opt.minimum = s->minimum();
  opt.maximum = s->maximum();
  opt.sliderPosition = s->sliderPosition();
  opt.sliderValue = s->value();
  opt.singleStep = s->singleStep();
  opt.pageStep = s->pageStep();
  opt.upsideDown = s->orientation() == Qt::Horizontal ? s->invertedAppearance() : !s->invertedAppearance();
  if (auto* slider = qobject_cast<QSlider*>(s)) {
    opt.tickPosition = slider->tickPosition();
    opt.tickInterval = slider->tickInterval();
    opt.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    return s->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, s);
  }
  opt.upsideDown = s->invertedAppearance();
  opt.subControls = QStyle::SC_All;
  return s->style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, s);
}

// Grabs the handle (thumb) and drags it by `by` pixels in a few moves, then lets it go.
inline void DragHandle(QAbstractSlider* s, QPoint by) {
  const QPoint from = HandleRect(s).center();
  Press(s, from);
  constexpr int kSteps = 4;
  for (int i = 1; i <= kSteps; ++i) MoveHeld(s, from + by * i / kSteps);
  Release(s, from + by);
}

}  // namespace stavelark_test

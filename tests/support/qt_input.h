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

// Grabs what the widget's style draws as `part` and drags it by `by` pixels in a few moves, then
// lets it go. The widget fills in its own style option; that function is protected, so it is
// reached through a member pointer named in a subclass.
template <class W>
void DragPart(W* w, QStyle::ComplexControl control, QStyle::SubControl part, QPoint by) {
  struct Open : W {
    static auto Init() { return &Open::initStyleOption; }
  };
  QStyleOptionSlider opt;
  (w->*Open::Init())(&opt);
  const QPoint from = w->style()->subControlRect(control, &opt, part, w).center();
  Press(w, from);
  for (int i = 1; i <= 4; ++i) MoveHeld(w, from + by * i / 4);
  Release(w, from + by);
}
inline void DragHandle(QSlider* s, QPoint by) { DragPart(s, QStyle::CC_Slider, QStyle::SC_SliderHandle, by); }
inline void DragHandle(QScrollBar* s, QPoint by) { DragPart(s, QStyle::CC_ScrollBar, QStyle::SC_ScrollBarSlider, by); }

}  // namespace stavelark_test

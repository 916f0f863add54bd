#include "platform/forms/qt/qt_adapter.h"

#include <QPainter>
#include <QWidget>

namespace forms::qtbackend {

namespace {

// The table: which adapter serves which kind. Kinds not listed have no widget.
struct AdapterEntry {
  ControlKind kind;
  std::unique_ptr<ControlAdapter> (*make)();
};
constexpr AdapterEntry kAdapters[] = {
    {ControlKind::TextBox, MakeTextBoxAdapter},
    {ControlKind::CommandButton, MakeCommandButtonAdapter},
    {ControlKind::CheckBox, MakeCheckBoxAdapter},
    {ControlKind::OptionButton, MakeOptionButtonAdapter},
    {ControlKind::ComboBox, MakeComboBoxAdapter},
    {ControlKind::Frame, MakeFrameAdapter},
    {ControlKind::PictureBox, MakePictureBoxAdapter},
    {ControlKind::TabStrip, MakeTabStripAdapter},
    {ControlKind::Slider, MakeSliderAdapter},
    {ControlKind::HScrollBar, MakeScrollBarAdapter},
    {ControlKind::VScrollBar, MakeScrollBarAdapter},
    {ControlKind::WebBrowser, MakeWebBrowserAdapter},
    {ControlKind::Hosted, MakeHostedControlAdapter},
};

}  // namespace

AdapterTable::AdapterTable() {
  for (const AdapterEntry& e : kAdapters) adapters_[static_cast<size_t>(e.kind)] = e.make();
}

AdapterTable::~AdapterTable() = default;

const ControlAdapter* AdapterTable::For(ControlKind kind) const {
  const auto i = static_cast<size_t>(kind);
  return i < adapters_.size() ? adapters_[i].get() : nullptr;
}

void ContainerAdapter::Apply(Control&, QWidget* w, const PropertyBase*, AdapterContext&) const { w->update(); }

void SetColors(QWidget* w, std::initializer_list<QPalette::ColorRole> backRoles, const QColor& back,
               std::initializer_list<QPalette::ColorRole> foreRoles, const QColor& fore) {
  QPalette pal = w->palette();
  bool same = true;
  for (QPalette::ColorRole r : backRoles) same = same && pal.color(r) == back;
  for (QPalette::ColorRole r : foreRoles) same = same && pal.color(r) == fore;
  if (same) return;
  for (QPalette::ColorRole r : backRoles) pal.setColor(r, back);
  for (QPalette::ColorRole r : foreRoles) pal.setColor(r, fore);
  w->setPalette(pal);
}

void PaintEdge(QPainter& p, const QRect& b, const QColor& topLeft, const QColor& bottomRight) {
  p.fillRect(QRect(b.left(), b.top(), b.width(), 1), topLeft);
  p.fillRect(QRect(b.left(), b.top(), 1, b.height()), topLeft);
  p.fillRect(QRect(b.left(), b.bottom(), b.width(), 1), bottomRight);
  p.fillRect(QRect(b.right(), b.top(), 1, b.height()), bottomRight);
}

}  // namespace forms::qtbackend

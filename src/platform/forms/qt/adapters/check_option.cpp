// Check boxes (a QCheckBox; Value 2, greyed, is its partly checked state) and option buttons
// (a QRadioButton; the forms layer, not Qt, unchecks the neighbours).
#include <QCheckBox>
#include <QRadioButton>

#include "platform/forms/qt/qt_adapter.h"

namespace forms::qtbackend {

namespace {

// What the two kinds show alike: the caption in the control's font and colours.
template <typename Kind>
void ApplyCaption(Kind& b, QAbstractButton* x, AdapterContext& ctx) {
  x->setText(CaptionText(b.Caption));
  x->setFont(ctx.Fonts().Make(b.Font));
  x->setAutoFillBackground(true);
  SetColors(x, {QPalette::Window}, ToQColor(b.BackColor), {QPalette::WindowText}, ToQColor(b.ForeColor));
}

class CheckBoxAdapter final : public ControlAdapter {
 public:
  QWidget* Make(Control&, QWidget* parent, AdapterContext& ctx) const override {
    auto* w = new QCheckBox(parent);
    QObject::connect(w, &QCheckBox::clicked, w, [w, &ctx](bool on) {
      ctx.UserChange(w, [on](Control& c) { static_cast<CheckBox&>(c).Value = on ? 1 : 0; });
    });
    return w;
  }

  void Apply(Control& c, QWidget* w, const PropertyBase*, AdapterContext& ctx) const override {
    auto& b = static_cast<CheckBox&>(c);
    auto* x = static_cast<QCheckBox*>(w);
    ApplyCaption(b, x, ctx);
    x->setTristate(b.Value() == 2);
    x->setCheckState(b.Value() == 1 ? Qt::Checked : b.Value() == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
  }
};

class OptionButtonAdapter final : public ControlAdapter {
 public:
  QWidget* Make(Control&, QWidget* parent, AdapterContext& ctx) const override {
    auto* w = new QRadioButton(parent);
    w->setAutoExclusive(false);
    QObject::connect(w, &QRadioButton::clicked, w, [w, &ctx] {
      ctx.UserChange(w, [](Control& c) { static_cast<OptionButton&>(c).Value = true; });
    });
    return w;
  }

  void Apply(Control& c, QWidget* w, const PropertyBase*, AdapterContext& ctx) const override {
    auto& b = static_cast<OptionButton&>(c);
    auto* x = static_cast<QRadioButton*>(w);
    ApplyCaption(b, x, ctx);
    x->setChecked(b.Value);
  }
};

}  // namespace

std::unique_ptr<ControlAdapter> MakeCheckBoxAdapter() { return std::make_unique<CheckBoxAdapter>(); }
std::unique_ptr<ControlAdapter> MakeOptionButtonAdapter() { return std::make_unique<OptionButtonAdapter>(); }

}  // namespace forms::qtbackend

// Combo boxes: a QComboBox, editable unless the style is a drop-down list.
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QStyledItemDelegate>

#include "platform/forms/qt/qt_adapter.h"

namespace forms::qtbackend {

namespace {

class ComboBoxAdapter final : public ControlAdapter {
 public:
  QWidget* Make(Control&, QWidget* parent, AdapterContext& ctx) const override {
    auto* w = new QComboBox(parent);
    w->setInsertPolicy(QComboBox::NoInsert);
    // The list draws its items as a list view does, in the view's colours (a style's menu look
    // would paint them in the menu's colours whatever the box's are).
    w->setItemDelegate(new QStyledItemDelegate(w));
    QObject::connect(w, &QComboBox::activated, w, [w, &ctx](int i) {
      ctx.UserChange(w, [i](Control& c) {
        auto& cb = static_cast<ComboBox&>(c);
        if (cb.ListIndex() == i) cb.RaiseClick();
        else cb.ListIndex = i;
      });
    });
    return w;
  }

  void Apply(Control& c, QWidget* w, const PropertyBase*, AdapterContext& ctx) const override {
    auto& b = static_cast<ComboBox&>(c);
    auto* x = static_cast<QComboBox*>(w);
    const bool editable = b.Style() != ComboStyle::DropDownList;
    if (x->isEditable() != editable) {
      x->setEditable(editable);
      if (editable) {
        QLineEdit* edit = x->lineEdit();
        QObject::connect(edit, &QLineEdit::textEdited, x, [x, &ctx](const QString& s) {
          ctx.UserChange(x, [&s](Control& c) {
            auto& cb = static_cast<ComboBox&>(c);
            cb.Text = s.toStdString();
            cb.RaiseChange();
          });
        });
        ctx.Adopt(x, c);
      }
    }
    const auto& items = b.Items();
    bool same = x->count() == static_cast<int>(items.size());
    for (int i = 0; same && i < x->count(); ++i) same = x->itemText(i) == QString::fromStdString(items[static_cast<size_t>(i)]);
    if (!same) {
      QStringList list;
      list.reserve(static_cast<qsizetype>(items.size()));
      for (const auto& s : items) list << QString::fromStdString(s);
      x->clear();
      x->addItems(list);
    }
    if (x->currentIndex() != b.ListIndex()) x->setCurrentIndex(b.ListIndex());
    if (editable && x->currentText() != QString::fromStdString(b.Text)) x->setEditText(QString::fromStdString(b.Text));
    x->setFont(ctx.Fonts().Make(b.Font));
    // An editable box paints its field in the base colours, a drop-down list its face in the
    // button colours; the list that drops down takes the same colours.
    const QColor back = ToQColor(b.BackColor), fore = ToQColor(b.ForeColor);
    SetColors(x, {QPalette::Base, QPalette::Button, QPalette::Window}, back,
              {QPalette::Text, QPalette::ButtonText, QPalette::WindowText}, fore);
    SetColors(x->view(), {QPalette::Base, QPalette::Window}, back, {QPalette::Text, QPalette::WindowText}, fore);
    if (QWidget* frame = x->view()->parentWidget())
      SetColors(frame, {QPalette::Base, QPalette::Window}, back, {QPalette::Text, QPalette::WindowText}, fore);
  }
};

}  // namespace

std::unique_ptr<ControlAdapter> MakeComboBoxAdapter() { return std::make_unique<ComboBoxAdapter>(); }

}  // namespace forms::qtbackend

// Command buttons: a push button; the graphical style paints its colour and picture itself.
#include <QPainter>
#include <QPushButton>

#include "platform/forms/qt/qt_adapter.h"

namespace forms::qtbackend {

namespace {

class GraphicButton final : public QPushButton {
 public:
  using QPushButton::QPushButton;
  bool graphical = false;
  QColor back, fore;
  QImage picture;

 protected:
  void paintEvent(QPaintEvent* e) override {
    if (!graphical) {
      QPushButton::paintEvent(e);
      return;
    }
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, back);
    const bool down = isDown();
    const QColor light(255, 255, 255), face(0xC0, 0xC0, 0xC0), dark(0x80, 0x80, 0x80), black(0, 0, 0);
    if (down) {
      PaintEdge(p, r, black, light);
      PaintEdge(p, r.adjusted(1, 1, -1, -1), dark, face);
    } else {
      PaintEdge(p, r, light, black);
      PaintEdge(p, r.adjusted(1, 1, -1, -1), face, dark);
    }
    QRect inner = r.adjusted(3, 3, -3, -3);
    if (down) inner.translate(1, 1);
    const QString caption = text();
    const int textHeight = caption.isEmpty() ? 0 : fontMetrics().height();
    if (!picture.isNull()) {
      const int x = inner.left() + (inner.width() - picture.width()) / 2;
      const int y = inner.top() + (inner.height() - picture.height() - textHeight) / 2;
      p.drawImage(QPoint(x, y), picture);
    }
    if (!caption.isEmpty()) {
      p.setFont(font());
      p.setPen(isEnabled() ? fore : dark);
      const int align = picture.isNull() ? Qt::AlignVCenter : Qt::AlignBottom;
      p.drawText(inner, Qt::AlignHCenter | align | Qt::TextShowMnemonic | Qt::TextWordWrap, caption);
    }
    if (hasFocus() && r.width() > 8 && r.height() > 8) {
      p.setPen(QPen(black, 1, Qt::DotLine));
      p.setBrush(Qt::NoBrush);
      p.drawRect(r.adjusted(3, 3, -4, -4));
    }
  }
};

class CommandButtonAdapter final : public ControlAdapter {
 public:
  QWidget* Make(Control&, QWidget* parent, AdapterContext& ctx) const override {
    auto* w = new GraphicButton(parent);
    w->setAutoDefault(false);
    QObject::connect(w, &QPushButton::clicked, w, [w, &ctx] { ctx.UserChange(w, [](Control& c) { c.RaiseClick(); }); });
    return w;
  }

  void Apply(Control& c, QWidget* w, const PropertyBase*, AdapterContext& ctx) const override {
    auto& b = static_cast<CommandButton&>(c);
    auto* g = static_cast<GraphicButton*>(w);
    const QString caption = CaptionText(b.Caption);
    if (g->text() != caption) g->setText(caption);
    g->setFont(ctx.Fonts().Make(b.Font));
    g->graphical = b.Style() == ButtonStyle::Graphical;
    g->back = ToQColor(b.BackColor);
    g->fore = ToQColor(b.ForeColor);
    const QImage* img = b.Picture().Image();
    g->picture = img ? *img : QImage();
    g->update();
  }
};

}  // namespace

std::unique_ptr<ControlAdapter> MakeCommandButtonAdapter() { return std::make_unique<CommandButtonAdapter>(); }

}  // namespace forms::qtbackend

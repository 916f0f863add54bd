// Frames: a surface that paints its caption and etched border under the controls it holds.
#include <QApplication>
#include <QPainter>
#include <QRegularExpression>
#include <QWidget>

#include "platform/forms/qt/qt_adapter.h"

namespace forms::qtbackend {

namespace {

class FrameAdapter final : public ContainerAdapter {
 public:
  void PaintBackground(const Control& c, const QWidget& s, QPainter& p, const QRect& exposed,
                       FontBook& fonts) const override {
    const auto& f = static_cast<const Frame&>(c);
    const QPalette& pal = QApplication::palette();
    const QColor back = ToQColor(f.BackColor);
    p.fillRect(exposed, back);
    const QFont font = fonts.Make(f.Font);
    const QFontMetrics fm(font);
    const QString caption = CaptionText(f.Caption);
    const int top = caption.isEmpty() ? 0 : fm.height() / 2;
    const QRect r = s.rect();
    if (f.BorderStyle() != 0) {
      p.setPen(pal.color(QPalette::Dark));
      p.setBrush(Qt::NoBrush);
      p.drawRect(r.adjusted(0, top, -2, -2));
      p.setPen(pal.color(QPalette::Light));
      p.drawRect(r.adjusted(1, top + 1, -1, -1));
    }
    if (!caption.isEmpty()) {
      QString plain = caption;
      plain.remove(QRegularExpression(QStringLiteral("&(?!&)")));
      const QRect tr(6, 0, fm.horizontalAdvance(plain) + 4, fm.height());
      p.fillRect(tr, back);
      p.setFont(font);
      p.setPen(ToQColor(f.ForeColor));
      p.drawText(tr.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic, caption);
    }
  }
};

}  // namespace

std::unique_ptr<ControlAdapter> MakeFrameAdapter() { return std::make_unique<FrameAdapter>(); }

}  // namespace forms::qtbackend

// Picture boxes: a surface that paints its colour and picture under the controls it holds,
// and its sunken edge over them.
#include <QPainter>
#include <QWidget>

#include "platform/forms/qt/qt_adapter.h"

namespace forms::qtbackend {

namespace {

class PictureBoxAdapter final : public ContainerAdapter {
 public:
  void PaintBackground(const Control& c, const QWidget&, QPainter& p, const QRect& exposed, FontBook&) const override {
    const auto& b = static_cast<const PictureBox&>(c);
    p.fillRect(exposed, ToQColor(b.BackColor));
    if (const QImage* img = b.Picture().Image()) p.drawImage(QPoint(0, 0), *img);
  }

  void PaintOverlay(const Control& c, const QWidget& s, QPainter& p) const override {
    if (static_cast<const PictureBox&>(c).BorderStyle() != 1) return;
    const QRect r = s.rect();
    p.setRenderHint(QPainter::Antialiasing, false);
    PaintEdge(p, r, QColor(0x80, 0x80, 0x80), QColor(255, 255, 255));
    PaintEdge(p, r.adjusted(1, 1, -1, -1), QColor(0, 0, 0), QColor(0xC0, 0xC0, 0xC0));
  }
};

}  // namespace

std::unique_ptr<ControlAdapter> MakePictureBoxAdapter() { return std::make_unique<PictureBoxAdapter>(); }

}  // namespace forms::qtbackend

#include "platform/forms/qt/qt_paint.h"

#include <QApplication>
#include <QFontDatabase>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <cmath>

namespace forms::qtbackend {

int Px(double twips) { return static_cast<int>(std::lround(twips / TwipsPerPixel)); }

QRect PxRect(double left, double top, double width, double height) {
  const int x = Px(left), y = Px(top);
  return QRect(x, y, std::max(0, Px(left + width) - x), std::max(0, Px(top + height) - y));
}

QRect PxRect(const Control& c) { return PxRect(c.Left, c.Top, c.Width, c.Height); }

QColor ToQColor(Color c) {
  if (IsSystemColor(c)) {
    const QPalette pal = QApplication::palette();
    switch (static_cast<uint32_t>(c) & 0xFFu) {
      case 5: return pal.color(QPalette::Base);         // window background
      case 8: return pal.color(QPalette::Text);         // window text
      case 13: return pal.color(QPalette::Highlight);
      case 14: return pal.color(QPalette::HighlightedText);
      case 15: return pal.color(QPalette::Button);      // button face
      case 16: return pal.color(QPalette::Dark);        // button shadow
      case 18: return pal.color(QPalette::ButtonText);
      case 20: return pal.color(QPalette::Light);       // button highlight
      default: return QColor(0xC0, 0xC0, 0xC0);
    }
  }
  const auto v = static_cast<uint32_t>(c);
  return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>((v >> 16) & 0xFF));
}

Color FromQColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

QString CaptionText(const std::string& s) {
  QString t = QString::fromStdString(s);
  t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return t;
}

// ---- fonts ----

namespace {

// Metric-compatible or look-alike families, best first, for names the machine may lack.
constexpr const char* kSans[] = {"Liberation Sans", "Arimo", "Nimbus Sans", "Helvetica", "DejaVu Sans"};

QStringList FallbacksFor(const QString& lowerName) {
  const QStringList sans = [] {
    QStringList l;
    for (const char* f : kSans) l << QString::fromLatin1(f);
    return l;
  }();
  if (lowerName == "ms sans serif" || lowerName == "microsoft sans serif" || lowerName == "arial" ||
      lowerName == "arial black" || lowerName == "helvetica" || lowerName == "tahoma" ||
      lowerName == "ms shell dlg" || lowerName == "ms shell dlg 2" || lowerName == "system" ||
      lowerName == "corbel" || lowerName == "segoe ui")
    return sans;
  if (lowerName == "verdana") return {"DejaVu Sans", "Bitstream Vera Sans", "Liberation Sans", "Nimbus Sans"};
  if (lowerName == "comic sans ms") return {"Comic Neue", "Comic Relief", "DejaVu Sans", "Liberation Sans"};
  if (lowerName == "lcdd") return {"DejaVu Sans Mono", "Liberation Mono", "Nimbus Mono PS"};
  if (lowerName == "times new roman" || lowerName == "times")
    return {"Liberation Serif", "Tinos", "Nimbus Roman", "DejaVu Serif"};
  if (lowerName == "courier new" || lowerName == "courier")
    return {"Liberation Mono", "Cousine", "Nimbus Mono PS", "DejaVu Sans Mono"};
  return {"DejaVu Sans", "Liberation Sans", "Nimbus Sans"};
}

}  // namespace

bool FontBook::Installed(const QString& family) { return QFontDatabase::hasFamily(family); }

QString FontBook::FamilyFor(const std::string& name) {
  auto it = families_.find(name);
  if (it != families_.end()) return it->second;
  const QString wanted = QString::fromStdString(name).trimmed();
  QString family;
  if (!wanted.isEmpty() && Installed(wanted)) {
    family = wanted;
  } else {
    for (const QString& f : FallbacksFor(wanted.toLower()))
      if (Installed(f)) {
        family = f;
        break;
      }
    if (family.isEmpty()) family = QApplication::font().family();
  }
  families_.emplace(name, family);
  return family;
}

int FontBook::PixelSize(double points) {
  return std::max(1, static_cast<int>(std::lround(points * 96.0 / 72.0)));
}

int FontBook::QtWeight(const Font& font) {
  int w = font.Weight;
  if (font.Bold && w < 700) w = 700;
  if (w >= 900) return QFont::Black;
  if (w >= 800) return QFont::ExtraBold;
  if (w >= 700) return QFont::Bold;
  if (w >= 600) return QFont::DemiBold;
  if (w >= 500) return QFont::Medium;
  if (w >= 400) return QFont::Normal;
  if (w >= 300) return QFont::Light;
  if (w >= 200) return QFont::ExtraLight;
  return QFont::Thin;
}

QFont FontBook::Make(const Font& font) {
  QFont f(FamilyFor(font.Name));
  f.setPixelSize(PixelSize(font.Size));
  int weight = QtWeight(font);
  // The heavy face is what that name means, whatever weight the description carries.
  if (QString::fromStdString(font.Name).compare(QLatin1String("Arial Black"), Qt::CaseInsensitive) == 0)
    weight = QFont::Black;
  f.setWeight(static_cast<QFont::Weight>(weight));
  f.setItalic(font.Italic);
  f.setUnderline(font.Underline);
  return f;
}

// ---- windowless controls ----

const QPixmap& FontBook::ShapePixmap(const std::string& key, const QSize& size,
                                     const std::function<void(QPainter&)>& draw) {
  auto it = shapes_.find(key);
  if (it != shapes_.end()) return it->second;
  if (shapes_.size() > 256) shapes_.clear();  // many looks: start again rather than grow
  QPixmap pm(size);
  pm.fill(Qt::transparent);
  QPainter pp(&pm);
  draw(pp);
  return shapes_.emplace(key, std::move(pm)).first->second;
}

namespace {

Qt::PenStyle PenStyle(BorderStyle s, int width) {
  if (width > 1) return Qt::SolidLine;  // wide lines are always solid
  switch (s) {
    case BorderStyle::Dash: return Qt::DashLine;
    case BorderStyle::Dot: return Qt::DotLine;
    case BorderStyle::DashDot: return Qt::DashDotLine;
    case BorderStyle::DashDotDot: return Qt::DashDotDotLine;
    default: return Qt::SolidLine;
  }
}

QRect ShapeRect(const Shape& s) {
  QRect r = PxRect(s);
  switch (s.ShapeKind()) {
    case ShapeKind::Square:
    case ShapeKind::Circle:
    case ShapeKind::RoundedSquare: {
      const int side = std::min(r.width(), r.height());
      return QRect(r.x() + (r.width() - side) / 2, r.y() + (r.height() - side) / 2, side, side);
    }
    default: return r;
  }
}

void PaintLine(QPainter& p, const Line& l) {
  if (l.BorderStyle() == BorderStyle::Transparent) return;
  const int w = std::max(1, l.BorderWidth());
  QPen pen(ToQColor(l.BorderColor), w, PenStyle(l.BorderStyle, w), w > 1 ? Qt::RoundCap : Qt::SquareCap);
  p.setPen(pen);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.drawLine(QPoint(Px(l.X1), Px(l.Y1)), QPoint(Px(l.X2), Px(l.Y2)));
}

// A solid frame of width w inside r, pixel exact.
void FrameInside(QPainter& p, const QRect& r, int w, const QColor& c) {
  if (r.isEmpty()) return;
  w = std::min({w, r.width(), r.height()});
  p.fillRect(QRect(r.left(), r.top(), r.width(), w), c);
  p.fillRect(QRect(r.left(), r.bottom() - w + 1, r.width(), w), c);
  p.fillRect(QRect(r.left(), r.top(), w, r.height()), c);
  p.fillRect(QRect(r.right() - w + 1, r.top(), w, r.height()), c);
}

// Pixmaps suit the screen; a printer or a recorded picture keeps shapes as vectors. The engine
// tells, not the device: a widget rendered into a picture or onto a printer paints with that
// device's engine while its painter still names the widget.
bool PaintsPixels(const QPainter& p) {
  const QPaintEngine* engine = p.paintEngine();
  return engine && engine->type() == QPaintEngine::Raster;
}


void PaintShape(QPainter& p, const Shape& s, FontBook& book) {
  const QRect r = ShapeRect(s);
  if (r.isEmpty()) return;
  const bool back = s.BackStyle() == BackStyle::Opaque;
  const bool fill = s.FillStyle() == FillStyle::Solid;
  const bool border = s.BorderStyle() != BorderStyle::Transparent;
  const int w = std::max(1, s.BorderWidth());
  const QColor borderColor = ToQColor(s.BorderColor);
  const ShapeKind kind = s.ShapeKind();
  if (kind == ShapeKind::Rectangle || kind == ShapeKind::Square) {
    p.setRenderHint(QPainter::Antialiasing, false);
    if (back) p.fillRect(r, ToQColor(s.BackColor));
    if (fill) p.fillRect(r, ToQColor(s.FillColor));
    if (!border) return;
    const Qt::PenStyle style = PenStyle(s.BorderStyle, w);
    if (style == Qt::SolidLine) {
      FrameInside(p, r, w, borderColor);
    } else {
      p.setPen(QPen(borderColor, 1, style, Qt::SquareCap, Qt::MiterJoin));
      p.setBrush(Qt::NoBrush);
      p.drawRect(r.adjusted(0, 0, -1, -1));
    }
    return;
  }
  // Ovals, circles and rounded shapes: smooth edges, the border inside the bounds.
  const bool rounded = kind == ShapeKind::RoundedRectangle || kind == ShapeKind::RoundedSquare;
  auto paintAt = [&](QPainter& q, const QRect& at) {
    q.setRenderHint(QPainter::Antialiasing, true);
    const double inset = border ? w / 2.0 : 0.0;
    const QRectF rf = QRectF(at).adjusted(inset, inset, -inset, -inset);
    const double radius = std::min(at.width(), at.height()) / 6.0;
    auto draw = [&] {
      if (rounded) q.drawRoundedRect(rf, radius, radius);
      else q.drawEllipse(rf);
    };
    q.setPen(Qt::NoPen);
    if (back) {
      q.setBrush(ToQColor(s.BackColor));
      draw();
    }
    if (fill) {
      q.setBrush(ToQColor(s.FillColor));
      draw();
    }
    if (border) {
      q.setBrush(Qt::NoBrush);
      q.setPen(QPen(borderColor, w, PenStyle(s.BorderStyle, w)));
      draw();
    }
    q.setRenderHint(QPainter::Antialiasing, false);
  };
  if (!PaintsPixels(p)) {
    paintAt(p, r);
    return;
  }
  const std::string key = std::to_string(static_cast<int>(kind)) + ":" + std::to_string(r.width()) + "x" +
                          std::to_string(r.height()) + ":" + std::to_string(back ? s.BackColor() : -1) + ":" +
                          std::to_string(fill ? s.FillColor() : -1) + ":" + std::to_string(border ? s.BorderColor() : -1) +
                          ":" + std::to_string(w) + ":" + std::to_string(static_cast<int>(s.BorderStyle()));
  p.drawPixmap(r.topLeft(), book.ShapePixmap(key, r.size(), [&](QPainter& q) { paintAt(q, QRect(QPoint(0, 0), r.size())); }));
}

void PaintLabel(QPainter& p, const Label& l, FontBook& fonts) {
  QRect r = PxRect(l);
  if (r.isEmpty()) return;
  if (l.BackStyle() == BackStyle::Opaque) p.fillRect(r, ToQColor(l.BackColor));
  if (l.BorderStyle() == 1) {
    FrameInside(p, r, 1, Qt::black);
    r.adjust(1, 1, -1, -1);
  }
  if (l.Caption().empty()) return;
  int flags = Qt::AlignTop | Qt::TextShowMnemonic;
  switch (l.Alignment()) {
    case Alignment::Right: flags |= Qt::AlignRight; break;
    case Alignment::Center: flags |= Qt::AlignHCenter; break;
    default: flags |= Qt::AlignLeft; break;
  }
  // A label breaks its caption at word boundaries to fit its width, unless it sizes itself
  // to a single line.
  if (!(l.AutoSize() && !l.WordWrap())) flags |= Qt::TextWordWrap;
  p.setFont(fonts.Make(l.Font));
  p.setPen(ToQColor(l.ForeColor));
  p.drawText(r, flags, CaptionText(l.Caption));
}

void PaintImage(QPainter& p, const Image& im) {
  const QRect r = PxRect(im);
  const QImage* img = im.Picture().Image();
  if (img && !img->isNull()) {
    if (im.Stretch()) p.drawImage(r, *img);
    else p.drawImage(r.topLeft(), *img);
  }
  if (im.BorderStyle() == 1) FrameInside(p, r, 1, Qt::black);
}

}  // namespace

QRect PaintBounds(const Control& c) {
  switch (c.Kind()) {
    case ControlKind::Line: {
      const auto& l = static_cast<const Line&>(c);
      const int m = std::max(1, l.BorderWidth()) / 2 + 2;
      const QRect r = QRect(QPoint(Px(l.X1), Px(l.Y1)), QPoint(Px(l.X2), Px(l.Y2))).normalized();
      return r.adjusted(-m, -m, m, m);
    }
    case ControlKind::Shape:
    case ControlKind::Label: return PxRect(c);
    case ControlKind::Image: {
      const auto& im = static_cast<const Image&>(c);
      QRect r = PxRect(c);
      if (!im.Stretch() && !im.Picture().IsEmpty())
        r = r.united(QRect(r.topLeft(), QSize(im.Picture().WidthPx(), im.Picture().HeightPx())));
      return r;
    }
    default: return {};
  }
}

bool HitTest(const Control& c, const QPoint& p) {
  if (!c.TakesMouse() || !c.Enabled) return false;
  if (c.Kind() != ControlKind::Label && c.Kind() != ControlKind::Image) return false;
  return PxRect(c).contains(p);
}

void PaintWindowless(QPainter& painter, const Control& c, FontBook& fonts) {
  switch (c.Kind()) {
    case ControlKind::Line: PaintLine(painter, static_cast<const Line&>(c)); break;
    case ControlKind::Shape: PaintShape(painter, static_cast<const Shape&>(c), fonts); break;
    case ControlKind::Label: PaintLabel(painter, static_cast<const Label&>(c), fonts); break;
    case ControlKind::Image: PaintImage(painter, static_cast<const Image&>(c)); break;
    default: break;
  }
}

}  // namespace forms::qtbackend

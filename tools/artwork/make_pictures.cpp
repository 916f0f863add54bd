// Draws every picture the program shows (toolbar buttons, scroll arrows, clefs, the duration
// palette, the window backgrounds, the effects dialog's knob and the program icon in its
// sizes) and saves
// them as PNG files.
//
//   make_pictures <output directory>
//
// Everything is drawn with QPainter from coordinates in this file, so a picture can be adjusted
// and all of them regenerated in one run. The toolbar buttons share one flat style: a light
// button face with a thin bevel, dark outlines and a few strong colours.
#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

// ---- palette ----

const QColor kFace(0xD4, 0xD0, 0xC8);
const QColor kFaceLight(0xFF, 0xFF, 0xFF);
const QColor kFaceShadow(0x80, 0x80, 0x80);
const QColor kInk(0x26, 0x26, 0x2A);
const QColor kPaper(0xFF, 0xFF, 0xFF);
const QColor kPaperLine(0x8C, 0xA0, 0xB8);
const QColor kBlue(0x2A, 0x67, 0xC0);
const QColor kBlueDark(0x17, 0x3C, 0x78);
const QColor kGreen(0x25, 0x9A, 0x3A);
const QColor kGreenDark(0x14, 0x60, 0x22);
const QColor kRed(0xD6, 0x2E, 0x24);
const QColor kRedDark(0x86, 0x16, 0x10);
const QColor kYellow(0xF6, 0xCB, 0x55);
const QColor kYellowDeep(0xE2, 0xA2, 0x2E);
const QColor kYellowDark(0x8C, 0x62, 0x12);
const QColor kMetal(0xC2, 0xC7, 0xCF);
const QColor kMetalDark(0x5C, 0x63, 0x6E);
const QColor kWood(0xC8, 0x7C, 0x38);
const QColor kWoodDark(0x6E, 0x40, 0x16);

// ---- calligraphic strokes ----

// A point of a pen stroke and the pen's width there.
struct Knot {
  double x;
  double y;
  double w;
};

// Samples a stroke through the knots every `step` pixels: a Catmull-Rom curve when `smooth`,
// straight segments otherwise. Widths change linearly between knots.
std::vector<Knot> Sample(const std::vector<Knot>& k, bool smooth, double step = 0.1) {
  std::vector<Knot> out;
  const int n = static_cast<int>(k.size());
  if (n == 0) return out;
  for (int i = 0; i + 1 < n; ++i) {
    const Knot& p0 = k[std::max(i - 1, 0)];
    const Knot& p1 = k[i];
    const Knot& p2 = k[i + 1];
    const Knot& p3 = k[std::min(i + 2, n - 1)];
    const double len = std::hypot(p2.x - p1.x, p2.y - p1.y);
    const int m = std::max(2, static_cast<int>(std::ceil(len / step)));
    for (int j = 0; j < m; ++j) {
      const double t = static_cast<double>(j) / m;
      double x = p1.x + (p2.x - p1.x) * t;
      double y = p1.y + (p2.y - p1.y) * t;
      if (smooth) {
        const double t2 = t * t;
        const double t3 = t2 * t;
        auto cr = [&](double a, double b, double c, double d) {
          return 0.5 * (2 * b + (-a + c) * t + (2 * a - 5 * b + 4 * c - d) * t2 + (-a + 3 * b - 3 * c + d) * t3);
        };
        x = cr(p0.x, p1.x, p2.x, p3.x);
        y = cr(p0.y, p1.y, p2.y, p3.y);
      }
      out.push_back({x, y, p1.w + (p2.w - p1.w) * t});
    }
  }
  out.push_back(k.back());
  return out;
}

// The area a round pen of changing width covers along the knots.
QPainterPath Stroke(const std::vector<Knot>& k, bool smooth = true) {
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);
  for (const Knot& s : Sample(k, smooth)) path.addEllipse(QPointF(s.x, s.y), s.w / 2, s.w / 2);
  return path;
}

// A closed smooth outline through the points (Catmull-Rom, wrapping round).
QPainterPath ClosedCurve(const std::vector<QPointF>& pts) {
  QPainterPath path;
  const int n = static_cast<int>(pts.size());
  for (int i = 0; i < n; ++i) {
    const QPointF& p0 = pts[(i - 1 + n) % n];
    const QPointF& p1 = pts[i];
    const QPointF& p2 = pts[(i + 1) % n];
    const QPointF& p3 = pts[(i + 2) % n];
    if (i == 0) path.moveTo(p1);
    path.cubicTo(p1 + (p2 - p0) / 6.0, p2 - (p3 - p1) / 6.0, p2);
  }
  path.closeSubpath();
  return path;
}

// ---- notes ----

enum class HeadKind { Filled, Hollow, Whole };

// A note head centred on `c`; `space` is the distance between staff lines it is drawn for.
void NoteHead(QPainter& p, QPointF c, double space, HeadKind kind, const QColor& ink) {
  const bool whole = kind == HeadKind::Whole;
  const double rx = (whole ? 0.84 : 0.64) * space;
  const double ry = (whole ? 0.52 : 0.45) * space;
  QPainterPath outer;
  outer.addEllipse(QPointF(0, 0), rx, ry);
  QTransform t;
  t.translate(c.x(), c.y());
  t.rotate(whole ? 0 : -22);
  QPainterPath head = t.map(outer);
  if (kind != HeadKind::Filled) {
    QPainterPath inner;
    if (whole) {
      inner.addEllipse(QPointF(0, 0), 0.42 * space, 0.27 * space);
    } else {
      inner.addEllipse(QPointF(0, 0), 0.46 * space, 0.17 * space);
    }
    QTransform ti;
    ti.translate(c.x(), c.y());
    ti.rotate(whole ? 58 : -32);
    head = head.subtracted(ti.map(inner));
  }
  p.fillPath(head, ink);
}

// The x of a stem's centre on the right of a head drawn for `space`.
double StemX(QPointF head, double space, double stemWidth) {
  const double rx = 0.64 * space;
  const double ry = 0.45 * space;
  const double a = 22.0 * M_PI / 180.0;
  const double right = std::sqrt(rx * rx * std::cos(a) * std::cos(a) + ry * ry * std::sin(a) * std::sin(a));
  return head.x() + right - stemWidth / 2;
}

// One flag hanging from the stem's top at (x, y), drawn for `space`; `stretch` lengthens it.
QPainterPath Flag(double x, double y, double space, double stretch = 1.0) {
  const double u = space / 8.0;
  const double v = u * stretch;
  return Stroke({{x + 0.5 * u, y + 0.5 * v, 1.4 * u},
                 {x + 1.9 * u, y + 2.8 * v, 2.3 * u},
                 {x + 4.6 * u, y + 5.6 * v, 2.0 * u},
                 {x + 6.1 * u, y + 9.0 * v, 1.5 * u},
                 {x + 5.6 * u, y + 12.8 * v, 0.8 * u}});
}

// A whole note figure: head, stem up to `stemTop`, and `flags` flags.
void NoteFigure(QPainter& p, QPointF head, double space, HeadKind kind, int flags, double stemTop,
                const QColor& ink, double stemWidth = 1.0, double flagGap = 5.0, double flagStretch = 1.0) {
  NoteHead(p, head, space, kind, ink);
  if (kind == HeadKind::Whole) return;
  // The stem keeps to whole pixel columns so it stays sharp; the head still reaches it.
  const double stemLeft = std::round(StemX(head, space, stemWidth) - stemWidth / 2);
  const double sx = stemLeft + stemWidth / 2;
  p.fillRect(QRectF(stemLeft, stemTop, stemWidth, head.y() - 0.15 * space - stemTop), ink);
  for (int f = 0; f < flags; ++f) {
    p.fillPath(Flag(sx - stemWidth / 2, stemTop + f * flagGap, space, f + 1 < flags ? flagStretch * 0.8 : flagStretch),
               ink);
  }
}

// ---- toolbar buttons ----

QImage NewImage(int w, int h, const QColor& fill) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(fill);
  return img;
}

// A flat button face with a one-pixel bevel, light on the top and left, dark on the bottom and right.
QImage ButtonFace(int w, int h) {
  QImage img = NewImage(w, h, kFace);
  QPainter p(&img);
  p.setPen(kFaceLight);
  p.drawLine(0, 0, w - 2, 0);
  p.drawLine(0, 0, 0, h - 2);
  p.setPen(kFaceShadow);
  p.drawLine(0, h - 1, w - 1, h - 1);
  p.drawLine(w - 1, 0, w - 1, h - 1);
  return img;
}

void Begin(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);
}

// Fills a shape and outlines it with a one-pixel pen.
void Shape(QPainter& p, const QPainterPath& path, const QColor& fill, const QColor& outline, double width = 1.0) {
  p.save();
  p.setBrush(fill);
  QPen pen(outline, width);
  pen.setJoinStyle(Qt::MiterJoin);
  p.setPen(pen);
  p.drawPath(path);
  p.restore();
}

void Line(QPainter& p, QPointF a, QPointF b, const QColor& c, double width, Qt::PenCapStyle cap = Qt::FlatCap) {
  p.save();
  QPen pen(c, width);
  pen.setCapStyle(cap);
  p.setPen(pen);
  p.drawLine(a, b);
  p.restore();
}

QPainterPath Rect(double x0, double y0, double x1, double y1) {
  QPainterPath path;
  path.addRect(QRectF(QPointF(x0, y0), QPointF(x1, y1)));
  return path;
}

// A plus or a cross sign with a dark rim so it stands out on the face.
void Plus(QPainter& p, QPointF c, double arm, double width, const QColor& fill, const QColor& rim, bool cross = false) {
  QPainterPath across;
  across.addRect(QRectF(c.x() - arm, c.y() - width / 2, 2 * arm, width));
  QPainterPath down;
  down.addRect(QRectF(c.x() - width / 2, c.y() - arm, width, 2 * arm));
  QPainterPath path = across.united(down);
  if (cross) {
    QTransform t;
    t.translate(c.x(), c.y());
    t.rotate(45);
    t.translate(-c.x(), -c.y());
    path = t.map(path);
  }
  Shape(p, path, fill, rim, 1.0);
}

void Minus(QPainter& p, QPointF c, double arm, double width, const QColor& fill, const QColor& rim) {
  Shape(p, Rect(c.x() - arm, c.y() - width / 2, c.x() + arm, c.y() + width / 2), fill, rim);
}

// A block arrow from `from` to `to` with a shaft of `shaft` and a head `head` wide and long.
QPainterPath Arrow(QPointF from, QPointF to, double shaft, double head, double headLen) {
  const double len = std::hypot(to.x() - from.x(), to.y() - from.y());
  QPainterPath a;
  a.moveTo(0, -shaft / 2);
  a.lineTo(len - headLen, -shaft / 2);
  a.lineTo(len - headLen, -head / 2);
  a.lineTo(len, 0);
  a.lineTo(len - headLen, head / 2);
  a.lineTo(len - headLen, shaft / 2);
  a.lineTo(0, shaft / 2);
  a.closeSubpath();
  QTransform t;
  t.translate(from.x(), from.y());
  t.rotateRadians(std::atan2(to.y() - from.y(), to.x() - from.x()));
  return t.map(a);
}

// Horizontal text lines on a page.
void PageLines(QPainter& p, double x0, double x1, double y0, double y1, double gap) {
  for (double y = y0; y <= y1 + 0.01; y += gap) Line(p, {x0, y}, {x1, y}, kPaperLine, 1.0);
}

QPainterPath Page(double x0, double y0, double x1, double y1, double fold) {
  QPainterPath path;
  path.moveTo(x0, y0);
  path.lineTo(x1 - fold, y0);
  path.lineTo(x1, y0 + fold);
  path.lineTo(x1, y1);
  path.lineTo(x0, y1);
  path.closeSubpath();
  return path;
}

void PageWithFold(QPainter& p, double x0, double y0, double x1, double y1, double fold) {
  Shape(p, Page(x0, y0, x1, y1, fold), kPaper, kInk);
  QPainterPath corner;
  corner.moveTo(x1 - fold, y0);
  corner.lineTo(x1 - fold, y0 + fold);
  corner.lineTo(x1, y0 + fold);
  corner.closeSubpath();
  Shape(p, corner, QColor(0xDC, 0xDF, 0xE4), kInk);
}

// A small quarter or other note for the toolbar.
void SmallNote(QPainter& p, QPointF head, HeadKind kind = HeadKind::Filled, int flags = 0, double top = 3.5) {
  NoteFigure(p, head, 6.2, kind, flags, top, kInk, 1.3, 4.0, 0.75);
}

QImage Toolbar(int index) {
  QImage img = ButtonFace(24, 24);
  QPainter p(&img);
  Begin(p);
  switch (index) {
    case 0:  // New: a blank page with its corner folded.
      PageWithFold(p, 5.5, 2.5, 18.5, 21.5, 5);
      break;
    case 1: {  // Open: a folder with its front open.
      QPainterPath back;
      back.moveTo(2.5, 5.5);
      back.lineTo(8.5, 5.5);
      back.lineTo(10.5, 7.5);
      back.lineTo(18.5, 7.5);
      back.lineTo(18.5, 19.5);
      back.lineTo(2.5, 19.5);
      back.closeSubpath();
      Shape(p, back, kYellowDeep, kYellowDark);
      Shape(p, Rect(5.5, 9.5, 16.5, 14.5), kPaper, kMetalDark);
      QPainterPath front;
      front.moveTo(2.5, 19.5);
      front.lineTo(6.5, 11.5);
      front.lineTo(21.5, 11.5);
      front.lineTo(18.5, 19.5);
      front.closeSubpath();
      Shape(p, front, kYellow, kYellowDark);
      break;
    }
    case 2: {  // Save: a floppy disk.
      QPainterPath body;
      body.moveTo(3.5, 3.5);
      body.lineTo(17.5, 3.5);
      body.lineTo(20.5, 6.5);
      body.lineTo(20.5, 20.5);
      body.lineTo(3.5, 20.5);
      body.closeSubpath();
      Shape(p, body, kBlue, kBlueDark);
      Shape(p, Rect(7.5, 3.5, 16.5, 9.5), kMetal, kBlueDark);
      p.fillRect(QRectF(13, 5, 2, 3), kBlueDark);
      Shape(p, Rect(6.5, 12.5, 17.5, 20.5), kPaper, kBlueDark);
      Line(p, {8, 15.5}, {16, 15.5}, kPaperLine, 1);
      Line(p, {8, 17.5}, {16, 17.5}, kPaperLine, 1);
      break;
    }
    case 3: {  // Print: a printer with a page going in and one coming out.
      Shape(p, Rect(7.5, 2.5, 16.5, 9.5), kPaper, kInk);
      QPainterPath body;
      body.addRoundedRect(QRectF(2.5, 8.5, 19, 9), 1.5, 1.5);
      Shape(p, body, QColor(0x9C, 0xA2, 0xAC), kInk);
      p.fillRect(QRectF(5, 11, 14, 1), QColor(0x5A, 0x60, 0x6A));
      p.setBrush(QColor(0x3C, 0xD0, 0x4C));
      p.drawEllipse(QPointF(18.5, 14), 1.1, 1.1);
      p.setBrush(Qt::NoBrush);
      Shape(p, Rect(6.5, 14.5, 17.5, 21.5), kPaper, kInk);
      Line(p, {8, 17.5}, {16, 17.5}, kPaperLine, 1);
      Line(p, {8, 19.5}, {14, 19.5}, kPaperLine, 1);
      break;
    }
    case 4: {  // Cut: scissors, blades up.
      QPainterPath blades = Stroke({{8.2, 14.5, 2.6}, {11, 9.5, 2.2}, {14.6, 2.8, 1.0}}, false)
                                .united(Stroke({{15.8, 14.5, 2.6}, {13, 9.5, 2.2}, {9.4, 2.8, 1.0}}, false));
      p.fillPath(blades, kMetalDark);
      p.setBrush(kMetal);
      p.drawEllipse(QPointF(12, 10.6), 0.9, 0.9);
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(kRed, 2.0));
      p.drawEllipse(QPointF(7.4, 17.6), 3.0, 3.0);
      p.drawEllipse(QPointF(16.6, 17.6), 3.0, 3.0);
      p.setPen(Qt::NoPen);
      break;
    }
    case 5:  // Copy: two pages, one over the other.
      PageWithFold(p, 2.5, 2.5, 13.5, 16.5, 4);
      PageLines(p, 4.5, 9.5, 8.5, 14.5, 2);
      PageWithFold(p, 9.5, 7.5, 20.5, 21.5, 4);
      PageLines(p, 11.5, 18.5, 13.5, 19.5, 2);
      break;
    case 6: {  // Paste: a clipboard holding a page.
      QPainterPath board;
      board.addRoundedRect(QRectF(3.5, 3.5, 15, 18), 1.5, 1.5);
      Shape(p, board, kWood, kWoodDark);
      Shape(p, Rect(6.5, 6.5, 15.5, 19.5), kPaper, kWoodDark);
      PageLines(p, 8, 14, 10.5, 16.5, 2);
      QPainterPath clip;
      clip.addRoundedRect(QRectF(7.5, 1.5, 7, 4), 1, 1);
      Shape(p, clip, kMetal, kMetalDark);
      break;
    }
    case 7:  // Insert Note: a note and a plus.
      SmallNote(p, {8, 18});
      Plus(p, {17.5, 8.5}, 4.2, 2.6, QColor(0x3A, 0xC0, 0x50), kGreenDark);
      break;
    case 8:  // Delete Note: a note and a red cross.
      SmallNote(p, {8, 18});
      Plus(p, {17.5, 8.5}, 4.4, 2.6, kRed, kRedDark, true);
      break;
    case 9: {  // Record: a plain socket; the program's red lamp lights inside it.
      p.setPen(QPen(kFaceShadow, 1.0));
      p.drawArc(QRectF(2.5, 2.5, 19, 19), 45 * 16, 180 * 16);
      p.setPen(QPen(kFaceLight, 1.0));
      p.drawArc(QRectF(2.5, 2.5, 19, 19), 225 * 16, 180 * 16);
      p.setPen(Qt::NoPen);
      break;
    }
    case 10: {  // Play: a green triangle.
      QPainterPath tri;
      tri.moveTo(7.5, 4.5);
      tri.lineTo(19.5, 12);
      tri.lineTo(7.5, 19.5);
      tri.closeSubpath();
      QLinearGradient g(0, 4, 0, 20);
      g.setColorAt(0, QColor(0x5C, 0xD6, 0x6C));
      g.setColorAt(1, kGreen);
      p.save();
      p.setBrush(g);
      QPen pen(kGreenDark, 1.0);
      pen.setJoinStyle(Qt::RoundJoin);
      p.setPen(pen);
      p.drawPath(tri);
      p.restore();
      break;
    }
    case 11:  // Pause and Stop: plain faces; the program draws their lamps over them.
    case 12:
      break;
    case 13: {  // Change Instrument: a guitar lying on the diagonal.
      p.translate(10.4, 13.4);
      p.rotate(45);
      QPainterPath body;
      body.addEllipse(QPointF(0, 4.6), 5.4, 5.0);
      body.addEllipse(QPointF(0, -1.6), 3.9, 3.6);
      body = body.simplified();
      Shape(p, body, QColor(0xE0, 0x92, 0x42), kWoodDark);
      p.setBrush(kWoodDark);
      p.drawEllipse(QPointF(0, 0.6), 1.5, 1.5);
      p.fillRect(QRectF(-2.2, 5.6, 4.4, 1.3), kWoodDark);
      Shape(p, Rect(-1.1, -11.6, 1.1, -3.2), QColor(0x7A, 0x4A, 0x22), kWoodDark, 0.8);
      QPainterPath head;
      head.addRoundedRect(QRectF(-1.9, -14.6, 3.8, 3.4), 0.8, 0.8);
      Shape(p, head, QColor(0x7A, 0x4A, 0x22), kWoodDark, 0.8);
      p.resetTransform();
      break;
    }
    case 14:  // Increase Pitch: a note and an arrow up.
      SmallNote(p, {7, 18});
      Shape(p, Arrow({17.5, 21}, {17.5, 2.5}, 3, 8, 6.5), kBlue, kBlueDark);
      break;
    case 15:  // Decrease Pitch: a note and an arrow down.
      SmallNote(p, {7, 18});
      Shape(p, Arrow({17.5, 3}, {17.5, 21.5}, 3, 8, 6.5), kBlue, kBlueDark);
      break;
    case 16:  // Increase Duration: a half note and an arrow to the right.
      NoteFigure(p, {7, 17}, 7.0, HeadKind::Hollow, 0, 3, kInk, 1.3);
      Shape(p, Arrow({12.5, 17.5}, {22, 17.5}, 2.6, 7, 4.5), kGreen, kGreenDark);
      break;
    case 17:  // Decrease Duration: an eighth note and an arrow to the left.
      SmallNote(p, {7, 17}, HeadKind::Filled, 1, 3);
      Shape(p, Arrow({22, 17.5}, {12.5, 17.5}, 2.6, 7, 4.5), kRed, kRedDark);
      break;
    case 18: {  // Toggle Expanded Scale: a staff with dashed lines above and below.
      for (double y : {8.5, 11.5, 14.5}) Line(p, {3, y}, {21, y}, kInk, 1.0);
      QPen dash(kBlue, 1.0);
      dash.setDashPattern({2.0, 1.5});
      p.setPen(dash);
      p.drawLine(QPointF(3, 4.5), QPointF(21, 4.5));
      p.drawLine(QPointF(3, 18.5), QPointF(21, 18.5));
      p.setPen(Qt::NoPen);
      NoteHead(p, {15, 18.5}, 4.2, HeadKind::Filled, kInk);
      NoteHead(p, {9, 4.5}, 4.2, HeadKind::Filled, kInk);
      break;
    }
    case 19:  // Increase volume: a speaker and a plus.
    case 20: {  // Decrease volume: a speaker and a minus.
      Shape(p, Rect(2.5, 9.5, 6.5, 14.5), kMetal, kInk);
      QPainterPath cone;
      cone.moveTo(6.5, 9.5);
      cone.lineTo(11.5, 4.5);
      cone.lineTo(11.5, 19.5);
      cone.lineTo(6.5, 14.5);
      cone.closeSubpath();
      Shape(p, cone, kMetalDark, kInk);
      if (index == 19) {
        Plus(p, {17.5, 12}, 4.5, 3.0, QColor(0x3A, 0xC0, 0x50), kGreenDark);
      } else {
        Minus(p, {17.5, 12}, 4.5, 3.0, kRed, kRedDark);
      }
      break;
    }
    case 21: {  // Exit: an open door and an arrow going out.
      Shape(p, Rect(4.5, 2.5, 14.5, 21.5), QColor(0x3A, 0x3A, 0x40), kInk);
      QPainterPath door;
      door.moveTo(4.5, 2.5);
      door.lineTo(10.5, 4.5);
      door.lineTo(10.5, 22.5);
      door.lineTo(4.5, 21.5);
      door.closeSubpath();
      Shape(p, door, kWood, kWoodDark);
      p.setBrush(kYellow);
      p.drawEllipse(QPointF(9.2, 13), 0.8, 0.8);
      p.setBrush(Qt::NoBrush);
      Shape(p, Arrow({11, 12}, {22.5, 12}, 3, 8, 5), kGreen, kGreenDark);
      break;
    }
    default:
      break;
  }
  return img;
}

// ---- larger buttons ----

// A 32-pixel face with a two-step bevel.
QImage BigFace() {
  QImage img = NewImage(32, 32, kFace);
  QPainter p(&img);
  p.setPen(kFaceLight);
  p.drawLine(0, 0, 30, 0);
  p.drawLine(0, 0, 0, 30);
  p.setPen(QColor(0xE8, 0xE6, 0xE2));
  p.drawLine(1, 1, 29, 1);
  p.drawLine(1, 1, 1, 29);
  p.setPen(kFaceShadow);
  p.drawLine(1, 30, 30, 30);
  p.drawLine(30, 1, 30, 30);
  p.setPen(QColor(0x40, 0x40, 0x40));
  p.drawLine(0, 31, 31, 31);
  p.drawLine(31, 0, 31, 31);
  return img;
}

QImage ScrollArrow(bool right) {
  QImage img = BigFace();
  QPainter p(&img);
  Begin(p);
  QPainterPath a = right ? Arrow({6, 15.5}, {26.5, 15.5}, 6, 15, 9) : Arrow({25, 15.5}, {4.5, 15.5}, 6, 15, 9);
  Shape(p, a, kBlue, kBlueDark, 1.2);
  return img;
}

// A round blue button with a white arrow pointing back.
QImage BackButton() {
  QImage img = NewImage(32, 32, Qt::transparent);
  QPainter p(&img);
  Begin(p);
  QRadialGradient g(QPointF(12, 10), 20);
  g.setColorAt(0, QColor(0x5A, 0x92, 0xE0));
  g.setColorAt(1, kBlue);
  p.setBrush(g);
  p.setPen(QPen(kBlueDark, 1.2));
  p.drawEllipse(QPointF(16, 16), 14.6, 14.6);
  p.setPen(Qt::NoPen);
  Shape(p, Arrow({24.5, 16}, {6.5, 16}, 6, 15, 8.5), kPaper, kBlueDark, 1.0);
  return img;
}

// ---- clefs ----

QImage TrebleClef() {
  QImage img = NewImage(30, 50, Qt::transparent);
  QPainter p(&img);
  Begin(p);
  // Staff lines at y = 8, 16, 24, 32, 40; the curl winds round the G line at y = 32.
  QPainterPath clef = Stroke({
      {9.0, 44.8, 1.2},  {10.6, 47.4, 1.3}, {13.6, 48.2, 1.4}, {16.4, 46.6, 1.5}, {17.2, 43.0, 1.5},
      {16.9, 38.0, 1.4}, {16.3, 30.0, 1.3}, {15.4, 22.0, 1.3}, {14.8, 15.0, 1.4}, {15.2, 9.0, 1.6},
      {16.8, 4.0, 1.8},  {18.8, 1.6, 1.8},  {20.8, 2.6, 2.0},  {21.2, 6.4, 2.4},  {19.4, 10.6, 2.8},
      {15.6, 14.6, 3.0}, {11.4, 18.8, 3.1}, {8.2, 23.2, 3.0},  {6.8, 28.6, 2.8},  {7.6, 34.2, 2.3},
      {10.8, 38.4, 1.8}, {15.6, 39.8, 1.6}, {20.2, 38.2, 2.0}, {22.8, 34.0, 2.6}, {22.4, 29.2, 2.5},
      {19.4, 26.0, 1.9}, {15.6, 25.6, 1.5}, {12.8, 27.8, 1.3}, {12.2, 31.0, 1.2}, {13.6, 33.2, 1.2},
  });
  clef.addEllipse(QPointF(10.3, 44.4), 2.7, 2.7);
  p.fillPath(clef, Qt::black);
  return img;
}

QImage BassClef() {
  QImage img = NewImage(25, 28, Qt::transparent);
  QPainter p(&img);
  Begin(p);
  // Staff lines at y = 0, 8, 16, 24; the clef's head sits on the F line at y = 8.
  QPainterPath clef = Stroke({
      {4.8, 8.0, 1.2},
      {5.6, 4.2, 1.3},
      {8.6, 1.7, 1.6},
      {12.6, 1.3, 2.0},
      {16.0, 3.2, 2.6},
      {17.4, 7.4, 3.2},
      {16.6, 12.4, 3.0},
      {13.6, 17.0, 2.5},
      {9.0, 21.4, 1.8},
      {4.4, 24.8, 1.2},
      {1.4, 26.6, 0.8},
  });
  clef.addEllipse(QPointF(4.9, 8.0), 3.1, 3.1);
  clef.addEllipse(QPointF(21.6, 4.4), 1.6, 1.6);
  clef.addEllipse(QPointF(21.6, 11.6), 1.6, 1.6);
  p.fillPath(clef, Qt::black);
  return img;
}

// ---- duration palette ----

QImage Duration(int index) {
  QImage img = NewImage(25, 41, Qt::white);
  QPainter p(&img);
  Begin(p);
  const QColor ink = Qt::black;
  const QPointF head(10.0, 34.0);
  switch (index) {
    case 0:  // 1/32: three flags
      NoteFigure(p, head, 8, HeadKind::Filled, 3, 2.0, ink, 1.0, 6.0, 0.9);
      break;
    case 1:  // 1/16: two flags
      NoteFigure(p, head, 8, HeadKind::Filled, 2, 5.0, ink, 1.0, 6.5);
      break;
    case 2:  // 1/8: one flag
      NoteFigure(p, head, 8, HeadKind::Filled, 1, 7.0, ink, 1.0);
      break;
    case 3:  // quarter
      NoteFigure(p, head, 8, HeadKind::Filled, 0, 8.0, ink, 1.0);
      break;
    case 4:  // half
      NoteFigure(p, head, 8, HeadKind::Hollow, 0, 8.0, ink, 1.0);
      break;
    case 5:  // whole
      NoteHead(p, {12.5, 24.0}, 8, HeadKind::Whole, ink);
      break;
    case 6: {  // quarter rest: two slanting blocks joined by thin strokes, ending in a hook
      QPainterPath rest;
      rest.addPolygon(QPolygonF({QPointF(9.6, 7.2), QPointF(16.2, 13.6), QPointF(13.0, 17.4), QPointF(9.8, 11.6)}));
      rest.addPolygon(QPolygonF({QPointF(10.2, 19.6), QPointF(16.4, 25.6), QPointF(13.4, 28.8), QPointF(10.2, 23.6)}));
      rest.setFillRule(Qt::WindingFill);
      rest = rest.united(Stroke({{14.0, 16.0, 1.5}, {10.6, 20.6, 1.5}}, false));
      rest = rest.united(Stroke({{14.6, 27.6, 1.3}, {12.0, 27.2, 1.6}, {10.4, 29.4, 2.2}, {11.0, 32.2, 1.8},
                                 {13.4, 34.0, 1.0}}));
      p.fillPath(rest, ink);
      break;
    }
    case 7: {  // eighth rest: a ball with a little flag on a slanting stem
      QPainterPath rest = Stroke({{10.0, 18.0, 1.2}, {12.8, 18.4, 1.4}, {15.2, 16.8, 1.5}, {16.6, 14.4, 1.5}});
      rest = rest.united(Stroke({{16.6, 14.4, 1.6}, {11.4, 31.0, 1.7}}, false));
      rest.addEllipse(QPointF(10.2, 15.8), 2.5, 2.5);
      p.fillPath(rest, ink);
      break;
    }
    default:
      break;
  }
  return img;
}

// ---- window backgrounds ----

// Blurs premultiplied ARGB in place with three passes of a box of half-width `r`.
void Blur(QImage& img, int r) {
  if (r <= 0) return;
  const int w = img.width();
  const int h = img.height();
  std::vector<int> line;
  for (int pass = 0; pass < 3; ++pass) {
    for (int dir = 0; dir < 2; ++dir) {
      const int count = dir == 0 ? h : w;
      const int len = dir == 0 ? w : h;
      line.assign(static_cast<size_t>(len) * 4, 0);
      for (int i = 0; i < count; ++i) {
        auto at = [&](int j) -> QRgb& {
          return dir == 0 ? reinterpret_cast<QRgb*>(img.scanLine(i))[j] : reinterpret_cast<QRgb*>(img.scanLine(j))[i];
        };
        for (int j = 0; j < len; ++j) {
          const QRgb v = at(j);
          line[4 * j] = qAlpha(v);
          line[4 * j + 1] = qRed(v);
          line[4 * j + 2] = qGreen(v);
          line[4 * j + 3] = qBlue(v);
        }
        int sum[4] = {0, 0, 0, 0};
        auto get = [&](int j, int c) { return line[4 * std::clamp(j, 0, len - 1) + c]; };
        for (int c = 0; c < 4; ++c) {
          for (int j = -r; j <= r; ++j) sum[c] += get(j, c);
        }
        const int n = 2 * r + 1;
        for (int j = 0; j < len; ++j) {
          at(j) = qRgba(sum[1] / n, sum[2] / n, sum[3] / n, sum[0] / n);
          for (int c = 0; c < 4; ++c) sum[c] += get(j + r + 1, c) - get(j - r, c);
        }
      }
    }
  }
}

// Lightens an opaque picture so that its darkest channel is no darker than `floor`,
// keeping the ratios of every colour's distance from white.
void Lighten(QImage& img, int floor) {
  int darkest = 255;
  for (int y = 0; y < img.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < img.width(); ++x) darkest = std::min({darkest, qRed(row[x]), qGreen(row[x]), qBlue(row[x])});
  }
  if (darkest >= floor) return;
  const double k = static_cast<double>(255 - floor) / (255 - darkest);
  auto map = [k](int v) { return 255 - static_cast<int>(std::lround((255 - v) * k)); };
  for (int y = 0; y < img.height(); ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) row[x] = qRgb(map(qRed(row[x])), map(qGreen(row[x])), map(qBlue(row[x])));
  }
}

// A pale watercolour: soft washes of colour with a fine pen drawing over them.
//   wash(p): the coloured areas, painted in local coordinates and then blurred;
//   ink(p):  the pen lines, in the same coordinates.
// `local` is the drawing's extent; it is fitted into the picture with a margin.
QImage Watercolour(int w, int h, QRectF local, double margin, const std::function<void(QPainter&)>& wash,
                   const std::function<void(QPainter&)>& ink, int floor) {
  const double scale = std::min((w - 2 * margin) / local.width(), (h - 2 * margin) / local.height());
  QTransform fit;
  fit.translate(w / 2.0, h / 2.0);
  fit.scale(scale, scale);
  fit.translate(-local.center().x(), -local.center().y());

  QImage washLayer = NewImage(w, h, Qt::transparent);
  {
    QPainter p(&washLayer);
    Begin(p);
    p.setTransform(fit);
    wash(p);
  }
  Blur(washLayer, 3);
  // Paper grain: a faint deterministic speckle in the washes.
  std::mt19937 noise(104729);
  std::uniform_real_distribution<double> grain(0.86, 1.0);
  for (int y = 0; y < h; ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(washLayer.scanLine(y));
    for (int x = 0; x < w; ++x) {
      const double g = grain(noise);
      row[x] = qRgba(static_cast<int>(qRed(row[x]) * g), static_cast<int>(qGreen(row[x]) * g),
                     static_cast<int>(qBlue(row[x]) * g), static_cast<int>(qAlpha(row[x]) * g));
    }
  }

  QImage out = NewImage(w, h, Qt::white);
  QPainter p(&out);
  p.drawImage(0, 0, washLayer);
  Begin(p);
  p.setTransform(fit);
  ink(p);
  p.end();
  QImage rgb = out.convertToFormat(QImage::Format_RGB32);
  Lighten(rgb, floor);
  return rgb;
}

QPen InkPen(const QColor& c, double width) {
  QPen pen(c, width);
  pen.setCosmetic(true);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

QColor Alpha(QColor c, int a) {
  c.setAlpha(a);
  return c;
}

// A three-neck electric guitar lying at a slant, necks to the upper right.
QImage ThreeNeckGuitar() {
  const QColor sepia(0x7A, 0x5A, 0x44);
  const double necks[3] = {-88, 0, 88};
  QTransform tilt;
  tilt.rotate(-16);
  const QPainterPath body = ClosedCurve({{-195, 0},  {-188, -92}, {-145, -152}, {-75, -168}, {-15, -152}, {35, -170},
                                         {88, -160}, {72, -120},  {56, -62},    {62, 0},     {56, 62},    {68, 118},
                                         {82, 156},  {30, 168},   {-22, 152},   {-82, 168},  {-148, 152}, {-190, 92}});
  auto neck = [](double n) {
    QPainterPath path;
    path.moveTo(50, n - 17);
    path.lineTo(400, n - 14);
    path.lineTo(400, n + 14);
    path.lineTo(50, n + 17);
    path.closeSubpath();
    return path;
  };
  auto headstock = [](double n) {
    return ClosedCurve({{398, n - 14}, {440, n - 20}, {474, n - 22}, {486, n - 12},
                        {486, n + 12}, {474, n + 22}, {440, n + 20}, {398, n + 14}});
  };
  auto fret = [](int f) { return 400 - 482.0 * (1 - std::pow(2.0, -f / 12.0)); };

  auto wash = [&](QPainter& p) {
    p.setTransform(tilt, true);
    QRadialGradient burst(QPointF(-70, 10), 200);
    burst.setColorAt(0, Alpha(QColor(0xF2, 0xC0, 0x6A), 150));
    burst.setColorAt(0.6, Alpha(QColor(0xE0, 0x8E, 0x48), 150));
    burst.setColorAt(1, Alpha(QColor(0xA8, 0x4C, 0x30), 170));
    p.fillPath(body, burst);
    for (double n : necks) {
      p.fillPath(neck(n), Alpha(QColor(0x8C, 0x5C, 0x3C), 150));
      p.fillPath(headstock(n), Alpha(QColor(0xB4, 0x5C, 0x34), 150));
    }
  };
  auto ink = [&](QPainter& p) {
    p.setTransform(tilt, true);
    p.setPen(InkPen(sepia, 1.5));
    p.drawPath(body);
    for (double n : necks) {
      p.setPen(InkPen(sepia, 1.3));
      p.drawPath(neck(n));
      p.drawPath(headstock(n));
      for (int side : {-1, 1}) {
        for (int k = 0; k < 3; ++k) p.drawEllipse(QPointF(422 + 22 * k, n + side * 25), 4, 4);
      }
      p.setPen(InkPen(Alpha(sepia, 200), 1.0));
      for (int f = 1; f <= 20; ++f) p.drawLine(QPointF(fret(f), n - 15.5), QPointF(fret(f), n + 15.5));
      p.setBrush(Alpha(sepia, 160));
      p.setPen(Qt::NoPen);
      for (int f : {3, 5, 7, 9, 15, 17}) p.drawEllipse(QPointF((fret(f) + fret(f - 1)) / 2, n), 2.6, 2.6);
      const double twelve = (fret(12) + fret(11)) / 2;
      p.drawEllipse(QPointF(twelve, n - 7), 2.6, 2.6);
      p.drawEllipse(QPointF(twelve, n + 7), 2.6, 2.6);
      p.setBrush(Qt::NoBrush);
      // Pickups, bridge and strings.
      p.setPen(InkPen(sepia, 1.2));
      for (double x : {-6.0, -58.0}) p.drawRoundedRect(QRectF(x, n - 19, 18, 38), 3, 3);
      p.drawRect(QRectF(-112, n - 17, 10, 34));
      p.setPen(InkPen(Alpha(sepia, 150), 0.8));
      for (int s = 0; s < 6; ++s) {
        const double spreadNut = -10 + 4 * s;
        const double spreadBridge = -12.5 + 5 * s;
        p.drawLine(QPointF(400, n + spreadNut), QPointF(-107, n + spreadBridge));
      }
    }
    p.setPen(InkPen(sepia, 1.2));
    for (int k = 0; k < 4; ++k) p.drawEllipse(QPointF(-150 + 30 * k, 138 - 4 * k), 7, 7);
    p.drawLine(QPointF(-168, -110), QPointF(-152, -124));
    p.drawEllipse(QPointF(-150, -126), 3, 3);
  };
  const QRectF local = tilt.mapRect(QRectF(-200, -175, 690, 350));
  return Watercolour(658, 540, local, 24, wash, ink, 0xD4);
}

// A grand piano seen from its curved side, the lid propped open.
QImage GrandPiano() {
  const QColor ink(0x3C, 0x48, 0x5A);
  const QColor black(0x2A, 0x34, 0x48);
  // The case: straight along the top, the tail gently rounded where the rim bends away.
  QPainterPath caseSide;
  caseSide.moveTo(0, 0);
  caseSide.lineTo(440, 0);
  caseSide.cubicTo(462, 0, 470, 14, 470, 30);
  caseSide.cubicTo(470, 50, 462, 64, 440, 64);
  caseSide.lineTo(0, 64);
  caseSide.closeSubpath();
  // The lid, raised on the far side: highest where the case is widest, falling to the tail.
  QPainterPath lid;
  lid.moveTo(74, -2);
  lid.lineTo(86, -156);
  lid.cubicTo(200, -164, 360, -104, 466, -6);
  lid.lineTo(466, -2);
  lid.closeSubpath();
  QPainterPath lidRim;
  lidRim.moveTo(92, -146);
  lidRim.cubicTo(200, -152, 350, -98, 446, -8);
  // Keybed, keys and cheek at the front.
  const QPainterPath keybed = Rect(-44, 8, 0, 30);
  const QPainterPath keyTops = Rect(-44, 0, 0, 8);
  const QPainterPath cheek = Rect(-52, -6, -44, 30);
  QPainterPath desk;
  desk.moveTo(22, -2);
  desk.lineTo(44, -66);
  desk.lineTo(52, -64);
  desk.lineTo(32, -2);
  desk.closeSubpath();
  auto leg = [](double x) {
    QPainterPath path;
    path.moveTo(x - 15, 64);
    path.lineTo(x + 15, 64);
    path.lineTo(x + 12, 80);
    path.lineTo(x + 7, 186);
    path.lineTo(x - 7, 186);
    path.lineTo(x - 12, 80);
    path.closeSubpath();
    return path;
  };
  // The pedal lyre: two curved posts down to the pedal box.
  QPainterPath lyre;
  lyre.moveTo(98, 64);
  lyre.cubicTo(90, 96, 112, 126, 106, 162);
  lyre.lineTo(134, 162);
  lyre.cubicTo(128, 126, 150, 96, 142, 64);
  lyre.closeSubpath();
  QPainterPath lyreInner;
  lyreInner.moveTo(110, 72);
  lyreInner.cubicTo(104, 98, 122, 124, 116, 154);
  lyreInner.lineTo(124, 154);
  lyreInner.cubicTo(118, 124, 136, 98, 130, 72);
  lyreInner.closeSubpath();
  const QPainterPath pedalBox = Rect(100, 160, 140, 172);

  auto wash = [&](QPainter& p) {
    QLinearGradient sheen(0, -160, 0, 0);
    sheen.setColorAt(0, Alpha(QColor(0x9C, 0x86, 0x64), 110));
    sheen.setColorAt(1, Alpha(QColor(0x6E, 0x5E, 0x4C), 140));
    p.fillPath(lid, sheen);
    QLinearGradient body(0, 0, 0, 64);
    body.setColorAt(0, Alpha(QColor(0x4A, 0x58, 0x72), 200));
    body.setColorAt(0.4, Alpha(QColor(0x7A, 0x88, 0xA0), 170));
    body.setColorAt(1, Alpha(black, 220));
    p.fillPath(caseSide, body);
    p.fillPath(keybed, Alpha(black, 190));
    p.fillPath(cheek, Alpha(black, 200));
    p.fillPath(desk, Alpha(black, 170));
    for (double x : {30.0, 424.0}) p.fillPath(leg(x), Alpha(black, 190));
    p.fillPath(leg(262), Alpha(black, 80));
    p.fillPath(lyre.subtracted(lyreInner), Alpha(black, 180));
    p.fillPath(pedalBox, Alpha(black, 200));
  };
  auto pen = [&](QPainter& p) {
    p.setPen(InkPen(ink, 1.5));
    p.drawPath(lid);
    p.drawPath(caseSide);
    p.drawPath(keybed);
    p.drawPath(keyTops);
    p.drawPath(cheek);
    p.drawPath(desk);
    for (double x : {30.0, 424.0}) p.drawPath(leg(x));
    p.setPen(InkPen(Alpha(ink, 110), 1.2));
    p.drawPath(leg(262));
    p.setPen(InkPen(ink, 1.3));
    p.drawPath(lyre);
    p.drawPath(lyreInner);
    p.drawPath(pedalBox);
    // The prop holding the lid, the lid's inner rim and the moulding along the case.
    p.drawLine(QPointF(300, -2), QPointF(262, -112));
    p.setPen(InkPen(Alpha(ink, 140), 1.0));
    p.drawPath(lidRim);
    p.drawLine(QPointF(0, 10), QPointF(452, 10));
    // Keys seen end on, pedals and castors.
    p.setPen(InkPen(Alpha(ink, 170), 1.0));
    for (double x = -40; x < 0; x += 5) p.drawLine(QPointF(x, 0), QPointF(x, 8));
    p.setPen(InkPen(ink, 1.3));
    for (int k = 0; k < 3; ++k) p.drawLine(QPointF(104 + 12 * k, 168), QPointF(96 + 12 * k, 170));
    for (double x : {30.0, 424.0}) p.drawEllipse(QPointF(x, 192), 6, 6);
    // Music on the desk.
    p.setPen(InkPen(Alpha(ink, 120), 0.9));
    for (int k = 0; k < 5; ++k) p.drawLine(QPointF(30 + 3.3 * k, -14 - 9 * k), QPointF(40 + 3.3 * k, -14 - 9 * k));
  };
  return Watercolour(658, 540, QRectF(-60, -170, 536, 372), 28, wash, pen, 0xD8);
}

// An upright piano from the front, its keyboard open and a book of music on the desk.
QImage UprightPiano() {
  const QColor ink(0x6A, 0x48, 0x30);
  const double keyLeft = 12;
  const double keyRight = 428;
  const int whites = 36;
  const double keyW = (keyRight - keyLeft) / whites;
  auto wash = [&](QPainter& p) {
    const QColor wood(0xB0, 0x70, 0x40);
    p.fillPath(Rect(-8, -8, 448, 6), Alpha(wood, 190));
    p.fillPath(Rect(0, -2, 440, 160), Alpha(wood, 150));
    p.fillPath(Rect(0, 212, 440, 360), Alpha(wood, 160));
    p.fillPath(Rect(-14, 150, 12, 360), Alpha(wood, 190));
    p.fillPath(Rect(438, 150, 454, 360), Alpha(wood, 190));
    p.fillPath(Rect(keyLeft, 162, keyRight, 206), Alpha(QColor(0xFF, 0xFC, 0xF0), 200));
    p.fillPath(Rect(-4, 150, 444, 162), Alpha(wood, 200));
    p.fillPath(Rect(-4, 206, 444, 214), Alpha(wood, 200));
    p.fillPath(Rect(150, 70, 290, 140), Alpha(QColor(0xF6, 0xEE, 0xD8), 220));
    for (double x : {40.0, 240.0}) p.fillPath(Rect(x, 18, x + 160, 58), Alpha(QColor(0xC8, 0x88, 0x50), 100));
  };
  auto pen = [&](QPainter& p) {
    p.setPen(InkPen(ink, 1.5));
    p.drawRect(QRectF(-8, -8, 456, 6));
    p.drawRect(QRectF(0, -2, 440, 152));
    p.drawRect(QRectF(-4, 150, 448, 12));
    p.drawRect(QRectF(keyLeft, 162, keyRight - keyLeft, 44));
    p.drawRect(QRectF(-4, 206, 448, 8));
    p.drawRect(QRectF(0, 214, 440, 146));
    p.drawRect(QRectF(-14, 150, 12, 210));
    p.drawRect(QRectF(442, 150, 12, 210));
    // Panels.
    p.setPen(InkPen(Alpha(ink, 170), 1.1));
    for (double x : {40.0, 240.0}) p.drawRoundedRect(QRectF(x, 18, 160, 40), 12, 12);
    p.drawRoundedRect(QRectF(30, 232, 380, 100), 10, 10);
    // Keys: white keys and the black keys in twos and threes.
    p.setPen(InkPen(Alpha(ink, 170), 0.9));
    for (int k = 1; k < whites; ++k) p.drawLine(QPointF(keyLeft + k * keyW, 162), QPointF(keyLeft + k * keyW, 206));
    p.setPen(Qt::NoPen);
    p.setBrush(Alpha(QColor(0x2A, 0x22, 0x20), 130));
    for (int k = 0; k < whites - 1; ++k) {
      const int inOctave = k % 7;  // C D E F G A B
      if (inOctave == 2 || inOctave == 6) continue;
      p.drawRect(QRectF(keyLeft + (k + 1) * keyW - keyW * 0.3, 162, keyW * 0.6, 27));
    }
    p.setBrush(Qt::NoBrush);
    // A book of music open on the desk.
    p.setPen(InkPen(ink, 1.1));
    p.drawRect(QRectF(150, 70, 70, 70));
    p.drawRect(QRectF(220, 70, 70, 70));
    p.setPen(InkPen(Alpha(ink, 140), 0.8));
    for (int staff = 0; staff < 3; ++staff) {
      for (int l = 0; l < 5; ++l) {
        const double y = 82 + staff * 20 + l * 2.6;
        p.drawLine(QPointF(156, y), QPointF(214, y));
        p.drawLine(QPointF(226, y), QPointF(284, y));
      }
    }
    // Pedals, castors and the candle-less sconce holes.
    p.setPen(InkPen(ink, 1.3));
    for (int k = 0; k < 3; ++k) p.drawRoundedRect(QRectF(176 + 32 * k, 346, 22, 8), 3, 3);
    for (double x : {-8.0, 448.0}) p.drawEllipse(QPointF(x, 366), 6, 6);
  };
  return Watercolour(658, 540, QRectF(-20, -12, 480, 384), 30, wash, pen, 0xD8);
}

// ---- program icon ----

QImage Icon(int size) {
  QImage img = NewImage(size, size, Qt::transparent);
  QPainter p(&img);
  Begin(p);
  const double s = size / 32.0;
  p.scale(s, s);
  QPainterPath tile;
  tile.addRoundedRect(QRectF(1.5, 1.5, 29, 29), 6, 6);
  QLinearGradient g(0, 0, 0, 32);
  g.setColorAt(0, QColor(0x35, 0x7C, 0xE0));
  g.setColorAt(1, QColor(0x1A, 0x48, 0xA0));
  p.setBrush(g);
  p.setPen(QPen(QColor(0x10, 0x2C, 0x66), size >= 32 ? 1.0 : 2.0));
  p.drawPath(tile);
  p.setPen(Qt::NoPen);
  if (size >= 32) {
    for (int l = 0; l < 5; ++l) p.fillRect(QRectF(4, 8 + 4 * l, 24, 1), QColor(0xC8, 0xDC, 0xF6));
    // A dark rim round the note: the same figure drawn shifted in eight directions first.
    const QColor rim(0x10, 0x2C, 0x66);
    if (size == 32) {
      for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
          if (dx == 0 && dy == 0) continue;
          NoteFigure(p, {13.0 + dx, 23.0 + dy}, 6.6, HeadKind::Filled, 1, 4.0 + dy, rim, 2.0, 4, 1.15);
        }
      }
    } else {
      // Larger sizes would show the eight copies as steps: shift the figure round a circle.
      for (int k = 0; k < 48; ++k) {
        const double dx = std::cos(k * M_PI / 24), dy = std::sin(k * M_PI / 24);
        NoteFigure(p, {13.0 + dx, 23.0 + dy}, 6.6, HeadKind::Filled, 1, 4.0 + dy, rim, 2.0, 4, 1.15);
      }
    }
    NoteFigure(p, {13, 23}, 6.6, HeadKind::Filled, 1, 4.0, QColor(0xFF, 0xC8, 0x30), 2.0, 4, 1.15);
  } else {
    for (int l = 0; l < 3; ++l) p.fillRect(QRectF(4, 10 + 6 * l, 24, 2), QColor(0xC8, 0xDC, 0xF6));
    NoteFigure(p, {13, 22.5}, 9.0, HeadKind::Filled, 0, 4.0, QColor(0xFF, 0xC8, 0x30), 3.4);
  }
  return img;
}

// The knob of the effects dialog's tracks: a fader cap 20 x 10 pixels, brushed metal with a
// dark grip line across its middle, where the value is read.
QImage Knob() {
  QImage img = NewImage(20, 10, Qt::transparent);
  QPainter p(&img);
  Begin(p);
  QLinearGradient metal(0, 0, 0, 10);
  metal.setColorAt(0, QColor(0xF4, 0xF6, 0xF8));
  metal.setColorAt(0.45, kMetal);
  metal.setColorAt(1, kMetalDark);
  QPainterPath cap;
  cap.addRoundedRect(QRectF(0.5, 0.5, 19, 9), 2, 2);
  p.setBrush(metal);
  p.setPen(QPen(kInk, 1));
  p.drawPath(cap);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(kInk);
  p.drawLine(3, 4, 16, 4);
  p.setPen(QColor(0xFF, 0xFF, 0xFF, 0xB0));
  p.drawLine(3, 5, 16, 5);
  return img;
}

// Saves a picture as PNG, without an alpha channel when every pixel is opaque.
bool Save(const QImage& img, const QDir& dir, const QString& name) {
  const QString path = dir.filePath(name);
  QImage out = img;
  if (out.hasAlphaChannel()) {
    const QImage argb = out.convertToFormat(QImage::Format_ARGB32);
    bool opaque = true;
    for (int y = 0; y < argb.height() && opaque; ++y) {
      const QRgb* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
      for (int x = 0; x < argb.width() && opaque; ++x) opaque = qAlpha(row[x]) == 255;
    }
    if (opaque) out = argb.convertToFormat(QImage::Format_RGB32);
  }
  if (!out.save(path, "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_pictures <output directory>\n");
    return 2;
  }
  QDir dir(QString::fromLocal8Bit(argv[1]));
  if (!dir.exists() && !QDir().mkpath(dir.path())) {
    std::fprintf(stderr, "cannot create %s\n", argv[1]);
    return 1;
  }
  bool ok = true;
  for (int i = 0; i < 22; ++i) ok &= Save(Toolbar(i), dir, QString("toolbar%1.png").arg(i));
  ok &= Save(ScrollArrow(false), dir, "arrow_left.png");
  ok &= Save(ScrollArrow(true), dir, "arrow_right.png");
  ok &= Save(TrebleClef(), dir, "treble_clef.png");
  ok &= Save(BassClef(), dir, "bass_clef.png");
  for (int i = 0; i < 8; ++i) ok &= Save(Duration(i), dir, QString("duration%1.png").arg(i));
  ok &= Save(NewImage(10, 10, Qt::white), dir, "101.png");
  ok &= Save(ThreeNeckGuitar(), dir, "104.png");
  ok &= Save(GrandPiano(), dir, "105.png");
  ok &= Save(UprightPiano(), dir, "106.png");
  ok &= Save(Icon(32), dir, "icon.png");
  // The program icon in the sizes of the desktop's icon theme (hicolor), for the window and for
  // installation: icon16.png ... icon256.png.
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) ok &= Save(Icon(size), dir, QString("icon%1.png").arg(size));
  ok &= Save(BackButton(), dir, "back.png");
  ok &= Save(Knob(), dir, "knob.png");
  return ok ? 0 : 1;
}

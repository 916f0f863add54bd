// Painting of the forms layer on Qt: twips to pixels, colours, fonts, and the windowless
// controls (lines, shapes, labels, images) that a form or a container paints itself.
#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <functional>
#include <QRect>
#include <QString>
#include <string>
#include <unordered_map>

#include "platform/forms/control.h"
#include "platform/forms/types.h"

class QPainter;

namespace forms::qtbackend {

// Twips to pixels at 15 twips a pixel (nearest pixel).
int Px(double twips);
// The pixel rectangle of a twips rectangle; edges are rounded separately so that controls
// that touch in twips touch on the screen.
QRect PxRect(double left, double top, double width, double height);
QRect PxRect(const Control& c);

// 0x00BBGGRR to a QColor; system colours come from the application palette.
QColor ToQColor(Color c);
Color FromQColor(const QColor& c);

// Turns the program's font descriptions into QFonts: the named family where installed, else a
// metric-compatible one; sizes in pixels at 96 dpi (pt × 96/72) whatever the screen's dpi.
class FontBook {
 public:
  QFont Make(const Font& font);
  // The family used for a font name (for tests and the design notes).
  QString FamilyFor(const std::string& name);
  static int PixelSize(double points);
  static int QtWeight(const Font& font);

  // Smooth shapes (ovals, circles, rounded ones) drawn once per look and size, then reused: the
  // score shows eighty note heads of a few looks, and each redraw paints them all.
  const QPixmap& ShapePixmap(const std::string& key, const QSize& size, const std::function<void(QPainter&)>& draw);

 private:
  bool Installed(const QString& family);
  std::unordered_map<std::string, QString> families_;
  std::unordered_map<std::string, QPixmap> shapes_;
};

// What painting a windowless control may touch, in its container's pixels (empty when it
// paints nothing: hidden, or a kind that has no picture).
QRect PaintBounds(const Control& c);
// Whether a point (container pixels) is on a windowless control that takes the mouse.
bool HitTest(const Control& c, const QPoint& p);
// Paints one windowless control in its container's pixel coordinates.
void PaintWindowless(QPainter& painter, const Control& c, FontBook& fonts);

// Caption text as Qt draws it: CR LF and lone CR become line breaks.
QString CaptionText(const std::string& s);

}  // namespace forms::qtbackend

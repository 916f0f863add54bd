#include "editor/design.h"

#include "platform/basic/basic.h"

namespace stavelark::design {

forms::Font WindowFont() {
  forms::Font f;
  f.Name = "MS Sans Serif";
  f.Size = 8.25;
  f.Bold = true;
  f.Weight = 700;
  return f;
}

forms::Font MakeFont(const char* name, double size, int weight) {
  forms::Font f;
  f.Name = name;
  f.Size = size;
  f.Weight = weight;
  f.Bold = weight >= 600;
  return f;
}

void Place(forms::Control& c, double left, double top, double width, double height) {
  c.Left.Init(left);
  c.Top.Init(top);
  c.Width.Init(width);
  c.Height.Init(height);
}

void PlaceLine(forms::Line& l, double x1, double y1, double x2, double y2, int width, forms::Color colour) {
  l.X1.Init(x1);
  l.Y1.Init(y1);
  l.X2.Init(x2);
  l.Y2.Init(y2);
  l.BorderWidth.Init(width);
  l.BorderColor.Init(colour);
}

forms::Label& MakeLabel(forms::Label& l, const char* caption, double left, double top, double width,
                        double height, const forms::Font& font) {
  Place(l, left, top, width, height);
  l.Caption.Init(caption);
  l.Font.Init(font);
  l.BackStyle.Init(forms::BackStyle::Transparent);
  return l;
}

forms::Picture ResPicture(const std::string& name) {
  try {
    return forms::LoadResPicture(name);
  } catch (const basic::RuntimeError&) {
    return {};
  }
}

forms::Picture ResIcon() {
  try {
    return forms::LoadResIcon("icon");
  } catch (const basic::RuntimeError&) {
    return {};
  }
}


}  // namespace stavelark::design

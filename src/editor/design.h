// Small helpers for the windows' designs: placing controls and setting their look before
// the window exists (no notifications are sent while designing).
#pragma once

#include <string>

#include "platform/forms/forms.h"

namespace stavelark::design {

forms::Font WindowFont();  // "MS Sans Serif" 8.25 pt bold
forms::Font MakeFont(const char* name, double size, int weight);
void Place(forms::Control& c, double left, double top, double width, double height);
void PlaceLine(forms::Line& l, double x1, double y1, double x2, double y2, int width = 1, forms::Color colour = 0);
forms::Label& MakeLabel(forms::Label& l, const char* caption, double left, double top, double width,
                        double height, const forms::Font& font);
// A picture of the program's resources, or none when it is missing.
forms::Picture ResPicture(const std::string& name);
// The program icon in every size the resources hold, or none when it is missing.
forms::Picture ResIcon();

}  // namespace stavelark::design

// The control's pictures, PNG files compiled into the library (drawn by pictures/make_pictures.py).
#pragma once

#include <span>

namespace glidebar {

std::span<const unsigned char> TrackPicture();    // 124 x 61, 24-bit: Picture2
std::span<const unsigned char> ThumbPicture();    // 17 x 32, 24-bit: AmpSlider
std::span<const unsigned char> ToolboxPicture();  // 16 x 15, 4-bit: the toolbox bitmap

// A bitmap resource by number: the toolbox bitmap is 30000; empty for any other.
std::span<const unsigned char> BitmapResource(int id);

}  // namespace glidebar

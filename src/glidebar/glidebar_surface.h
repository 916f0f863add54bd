// The control's visible constituents on a form of the host's window system: the background frame,
// the track, the thumb, the value box and the unit sign, at their design places (twips).
#pragma once

#include "platform/forms/forms.h"

namespace glidebar {

class GlidebarSurface final : public forms::Form {
 public:
  explicit GlidebarSurface(forms::WindowSystem& system);

  forms::Frame& VolFrame;       // the whole control's background
  forms::PictureBox& Picture2;  // the track
  forms::PictureBox& AmpSlider;  // the thumb; its left edge shows the value
  forms::TextBox& ValueText;    // shows and takes the value
  forms::Label& Units;          // "%"
};

}  // namespace glidebar

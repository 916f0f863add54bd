// The "Change Instruments" dialog: one option button per General MIDI program, a box per
// track showing its instrument, a Set Track button per track, Preview and OK.
#pragma once

#include "platform/forms/forms.h"

namespace stavelark {

class Program;

class TrackInst final : public forms::Form {
 public:
  explicit TrackInst(Program& program);

  forms::ControlArray<forms::OptionButton> Option1{*this, "Option1"};
  forms::ControlArray<forms::TextBox> TrackInstLabel{*this, "TrackInstLabel"};
  forms::ControlArray<forms::CommandButton> SetTrakInst{*this, "SetTrakInst"};
  forms::Label& Review;
  forms::CommandButton& OK;

  void Form_Load() override;

 private:
  Program& program_;
};

}  // namespace stavelark

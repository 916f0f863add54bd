// The "Set Octave" dialog: an option per octave, OK and Cancel. It is unloaded after each use,
// so every opening starts from its Form_Load.
#pragma once

#include "platform/forms/forms.h"

namespace stavelark {

class Program;

inline constexpr int kOctaves = 6;

class SetOctave final : public forms::Form {
 public:
  explicit SetOctave(Program& program);

  forms::Label& Title;
  forms::ControlArray<forms::OptionButton> OptionOctave{*this, "OptionOctave"};
  forms::CommandButton& cmdOK;
  forms::CommandButton& cmdCancel;

  // The chosen option (the octave less one); outside 0..5 when the track's octave has no option
  // and the user picked none, so that OK keeps that octave.
  int SelectedOctave = 0;
  // The track the dialog was opened for; OK stores its octave.
  int Track = 0;

  void Form_Load() override;
  void OptionOctave_Click(int Index);
  void cmdOK_Click();
  void cmdCancel_Click();

 private:
  Program& program_;
};

}  // namespace stavelark

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
  // Closing by the window frame only hides the dialog, as OK does: it keeps its state.
  void Form_QueryUnload(int& Cancel, int UnloadMode) override;

  // Asks for a preview of the checked instrument (the Change Instrument command sounds it).
  void Review_Click();
  // Gives track Index the checked instrument.
  void SetTrakInst_Click(int Index);
  // The track's box lights while its button is held.
  void SetTrakInst_MouseDown(int Index, int Button, int Shift, double X, double Y);
  void SetTrakInst_MouseUp(int Index, int Button, int Shift, double X, double Y);
  void OK_Click();

  // The index of the checked instrument option; -1 when none is checked.
  int CheckedInstrument() const;
  // Each track's box shows the track's instrument as it is now (a file or a quick pick may
  // have changed it since the boxes were written).
  void ShowTrackInstruments();

 private:
  Program& program_;
};

}  // namespace stavelark

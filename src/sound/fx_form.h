// The "Adjust Special Effects" dialog: the parameters of the eight effects.
//
// Each parameter is a text box with a knob in a vertical track above it; dragging the knob
// writes a value into the box, and the boxes' texts are the parameter values (the effect chain
// reads them at every play start). One effect's frame shows at a time, chosen with the column of
// label buttons on the left. OK (and the close box) brings the boxes into their ranges and hides
// the dialog; the values stay in the boxes.
#pragma once

#include <optional>
#include <string>

#include "platform/forms/forms.h"

namespace stavelark {

class Program;

class FXform final : public forms::Form {
 public:
  explicit FXform(Program& program);

  // The eight knob families; the knob of index i belongs to the value box of index i.
  enum class Knob { Eq, Chorus, Dist, Garg, Wave, Comp, Flanger, Echo };

  // ---- effect frames (one visible at a time) ----
  forms::Frame& EqFrame;
  forms::Frame& ChorusFrame;
  forms::Frame& DistFrame;
  forms::Frame& GargFrame;
  forms::Frame& WaveFrame;
  forms::Frame& CompFrame;
  forms::Frame& FlangerFrame;
  forms::Frame& EchoFrame;

  // ---- the column of frame buttons under its heading ----
  forms::Label& Label1;
  forms::Label& EchoButt;
  forms::Label& EQButt;
  forms::Label& ChorusButt;
  forms::Label& DistButt;
  forms::Label& GargButt;
  forms::Label& WaveButt;
  forms::Label& CompButt;
  forms::Label& Flangerbutt;

  // ---- value boxes and their knobs ----
  forms::ControlArray<forms::TextBox> eqvalue{*this, "eqvalue"};
  forms::ControlArray<forms::Image> EQAdjustSlider{*this, "EQAdjustSlider"};
  forms::ControlArray<forms::TextBox> ChorusAdjustValue{*this, "ChorusAdjustValue"};
  forms::ControlArray<forms::Image> ChorusAdjustSlider{*this, "ChorusAdjustSlider"};
  forms::ControlArray<forms::TextBox> DistAdjustValue{*this, "DistAdjustValue"};
  forms::ControlArray<forms::Image> distAdjustSlider{*this, "distAdjustSlider"};
  forms::ControlArray<forms::TextBox> GargAdjustValue{*this, "GargAdjustValue"};
  forms::ControlArray<forms::Image> GargAdjustSlider{*this, "GargAdjustSlider"};
  forms::ControlArray<forms::TextBox> WaveAdjustValue{*this, "WaveAdjustValue"};
  forms::ControlArray<forms::Image> WaveAdjustSlider{*this, "WaveAdjustSlider"};
  forms::ControlArray<forms::TextBox> CompAdjustValue{*this, "CompAdjustValue"};
  forms::ControlArray<forms::Image> CompAdjustSlider{*this, "CompAdjustSlider"};
  forms::ControlArray<forms::TextBox> FAdjustValue{*this, "FAdjustValue"};
  forms::ControlArray<forms::Image> FAdjustSlider{*this, "FAdjustSlider"};
  forms::ControlArray<forms::TextBox> EchoValue{*this, "EchoValue"};
  forms::ControlArray<forms::Image> EAdjustSlider{*this, "EAdjustSlider"};

  // ---- check boxes ----
  forms::CheckBox& CheckChorusSine;
  forms::CheckBox& CheckChorusTri;
  forms::CheckBox& CheckGargSine;
  forms::CheckBox& CheckGargTri;
  forms::CheckBox& FCheckSin;
  forms::CheckBox& FCheckTri;
  forms::CheckBox& Pandelay;
  forms::Label& PresetLabel;
  forms::CheckBox& Base;
  forms::CheckBox& Noise;

  forms::CommandButton& Command15;

  // Each family's knobs, value boxes and frame.
  forms::ControlArray<forms::Image>& Knobs(Knob family);
  forms::ControlArray<forms::TextBox>& Values(Knob family);
  forms::Frame& FrameOf(Knob family);

  // ---- handlers ----
  // The frame buttons: shows `frame`, hides the other seven.
  void ShowFrame(forms::Frame& frame);
  // The knob drag: a press starts it, moves follow the cursor's height in the track, a release
  // ends it (the chorus and gargle knobs then bring their box into range).
  void Knob_MouseDown(Knob family, int Index);
  void Knob_MouseMove(Knob family, int Index);
  void Knob_MouseUp(Knob family, int Index);
  // A waveform box's click: its partner takes the opposite value.
  void Waveform_Click(forms::CheckBox& clicked, forms::CheckBox& partner);
  // The equaliser presets, acting when their box becomes checked.
  void Base_Click();
  void Noise_Click();
  // OK: brings the boxes into their ranges and hides the dialog.
  void Command15_Click();
  // The close box: OK's steps; the dialog stays loaded with its values.
  void Form_Unload(int& Cancel) override;

  // The value a knob gives at `y` pixels below the top of its track (0..100).
  static double KnobValue(Knob family, int index, double y);

 private:
  void DesignPanel(Knob family, const char* caption, std::initializer_list<const char*> labels,
                   std::initializer_list<const char*> defaults);
  void DesignButtons();
  void DesignCheckBoxes();
  void Wire();
  bool& Dragging(Knob family);

  // The knob tracks (a knob taller than the 1500 twips the knob travels, so the knob shows
  // whole at both ends), the grooves drawn in them and the labels under the boxes, numbered
  // through all the frames.
  forms::ControlArray<forms::PictureBox> tracks_{*this, "KnobTrack"};
  forms::ControlArray<forms::Shape> grooves_{*this, "Groove"};
  forms::ControlArray<forms::Label> valueLabels_{*this, "ValueLabel"};
  int tabIndex_ = 0;
  Program& program_;
};

}  // namespace stavelark

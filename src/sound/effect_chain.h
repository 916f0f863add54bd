// The audio effects applied to everything that plays.
//
// The selection is the check marks of the eight effect items of the Special Effects menu; the
// parameters are the texts of the effects dialog's boxes. Neither takes effect when it changes:
// FX rebuilds the whole chain on the default audio path's buffer each time something is about
// to play, from the marks and the boxes as they are at that moment.
#pragma once

namespace stavelark {

class Form1;
class Program;

class EffectChain {
 public:
  explicit EffectChain(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

  // Rebuilds the effect chain of the default audio path's buffer before a segment starts.
  // Called after the segment to play has been loaded. Shows "No buffer" when nothing has been
  // loaded yet; reports its own failures ("FX error", the path then stays inactive until the
  // next complete rebuild) and never fails towards its caller.
  //
  // The chain holds the checked effects in the order Distortion, Echo, Chorus, Flanger,
  // Compressor, Gargle, ParamEq, WavesReverb; their parameters are read from the dialog (made,
  // not shown, when it doesn't exist yet) and applied in the order Echo, ParamEq, Chorus,
  // Distortion, Gargle, WavesReverb, Compressor, Flanger.
  void FX();

  // ---- Special Effects menu ----
  // Each effect item flips its own check mark; the chain changes at the next FX.
  void distortion_Click();
  void echo_Click();
  void Chorus_Click();
  void Flanger_Click();
  void Compressor_Click();
  void Gargle_Click();
  void Para_Click();
  void Reverb_Click();
  // Shows the effects dialog (made on first use), modeless.
  void SetupFX_Click();

 private:
  void Rebuild();

  Program& p_;
};

}  // namespace stavelark

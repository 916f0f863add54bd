// The audio effects applied to everything that plays.
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
  // loaded yet; reports its own failures ("FX error") and never fails towards its caller.
  void FX();

 private:
  Program& p_;
};

}  // namespace stavelark

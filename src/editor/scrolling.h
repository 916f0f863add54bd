// Moving the view through the score: the arrows, held arrows and the scroll thumb.
//
// Every change of ScrollPos here redraws the score, and every redraw places the thumb
// (UpdateScrollThumb), so the thumb always shows the visible range.
#pragma once

namespace stavelark {

class Form1;
class Program;

class Scrolling {
 public:
  explicit Scrolling(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

  // One position back, unless the view is at the start.
  void ScrollBack_Click();
  // One position on, while more than 15 positions of the longest track lie from ScrollPos on.
  void ScrollUp_Click();
  // Holding an arrow repeats its step on ScrollTimer; releasing either arrow stops the timer.
  void ScrollBack_MouseDown(int Button, int Shift, double X, double Y);
  void ScrollBack_MouseUp(int Button, int Shift, double X, double Y);
  void ScrollUp_MouseDown(int Button, int Shift, double X, double Y);
  void ScrollUp_MouseUp(int Button, int Shift, double X, double Y);
  void ScrollTimer_Timer();
  // Dragging the thumb jumps the view; the cursor is read from the window system.
  void SliderBar_MouseDown(int Button, int Shift, double X, double Y);
  void SliderBar_MouseMove(int Button, int Shift, double X, double Y);
  void SliderBar_MouseUp(int Button, int Shift, double X, double Y);

  // Sizes and places the thumb on its track for ScrollPos and the score's length.
  void UpdateScrollThumb();

 private:
  void StepBack();
  void StepForward();

  Program& p_;
};

}  // namespace stavelark

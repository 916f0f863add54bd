// Moving the view through the score: the arrows, held arrows and the scroll thumb.
#pragma once

namespace stavelark {

class Form1;
class Program;

class Scrolling {
 public:
  explicit Scrolling(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

  // Sizes and places the scroll thumb for ScrollPos and the score length.
  void UpdateScrollThumb();

 private:
  Program& p_;
};

}  // namespace stavelark

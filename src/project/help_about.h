// The help and about pages in a browser window, with a back button in a strip above them.
#pragma once

#include "platform/forms/forms.h"

namespace stavelark {

class Program;

class HelpAbout final : public forms::Form {
 public:
  explicit HelpAbout(Program& program);

  forms::WebBrowser& WebBrowser1;
  forms::PictureBox& Picture1;  // the back button
  forms::Label& Label1;

  // A press on the window's own surface (the strip, the margin) hides the window.
  void Form_MouseDown(int Button, int Shift, double X, double Y) override;
  // The browser fills the window below the strip, less a margin at the right.
  void Form_Resize() override;
  // Back one page; nothing when there is no earlier page.
  void Picture1_Click();
};

}  // namespace stavelark

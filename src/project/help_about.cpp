#include "project/help_about.h"

#include "editor/design.h"
#include "editor/program.h"
#include "platform/basic/basic.h"

namespace stavelark {

using namespace design;

namespace {
constexpr double kStripHeight = 600;  // the back button's strip above the pages
constexpr double kRightMargin = 100;
}  // namespace

HelpAbout::HelpAbout(Program& program)
    : Form(program.Ws, "HelpAbout"),
      WebBrowser1(Add<forms::WebBrowser>("WebBrowser1")),
      Picture1(Add<forms::PictureBox>("Picture1")),
      Label1(Add<forms::Label>("Label1")) {
  Caption.Init(" Stavelark Help");
  BackColor.Init(0xFFFFFF);
  StartUpPosition.Init(2);
  SetClientSize(10800, 8400);

  Place(WebBrowser1, 0, kStripHeight, 10800 - kRightMargin, 8400 - kStripHeight);
  Place(Picture1, 240, 0, 495, 525);
  Picture1.Picture.Init(ResPicture("back"));
  Picture1.BorderStyle.Init(0);
  Picture1.BackColor.Init(0xFFFFFF);
  Picture1.ToolTipText.Init("Back");
  MakeLabel(Label1, "Back", 960, 120, 1455, 375, MakeFont("Corbel", 12, 400));

  Picture1.Click = [this] { Picture1_Click(); };
}

void HelpAbout::Form_MouseDown(int, int, double, double) { Hide(); }

void HelpAbout::Form_Resize() {
  // Each size is applied only when it comes out positive; a window too low for the strip
  // keeps the browser's last height.
  const double width = ScaleWidth() - kRightMargin;
  const double height = ScaleHeight() - kStripHeight;
  if (width >= 0) WebBrowser1.Width = width;
  if (height >= 0) WebBrowser1.Height = height;
}

void HelpAbout::Picture1_Click() {
  try {
    WebBrowser1.GoBack();
  } catch (const basic::RuntimeError&) {
    // no earlier page
  }
}

}  // namespace stavelark

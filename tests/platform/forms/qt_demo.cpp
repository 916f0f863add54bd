// A form with one control of each kind, to look at under a real X server:
//   /work/shared/tools/xrun --shot /tmp/demo.png -- build/dev/tests/platform/forms/forms_qt_demo
#include <QApplication>
#include <QImage>

#include "platform/forms/forms.h"
#include "platform/forms/qt/qt_system.h"

namespace {

class DemoForm : public forms::Form {
 public:
  explicit DemoForm(forms::QtSystem& system) : Form(system, "Demo") {
    Caption = "Stavelark demo";
    BackColor = 0xFFFFFF;
    StartUpPosition = 2;
    auto& file = AddMenu("mnuFile", "&File");
    AddMenu("mnuOpen", "&Open...", &file);
    AddMenu("mnuSep", "-", &file);
    AddMenu("mnuExit", "E&xit", &file).Click = [&system] { system.End(); };
    AddMenu("mnuView", "&View");
    AddMenu("mnuHelp", "&Help");
    SetClientSize(9000, 6000);
    for (int i = 0; i < 5; ++i) {
      auto& staff = Add<forms::Line>("Staff");
      staff.X1 = 300, staff.X2 = 5700, staff.Y1 = staff.Y2 = 600 + i * 120;
    }
    auto& note = Add<forms::Shape>("Note");
    note.ShapeKind = forms::ShapeKind::Oval;
    note.Move(1200, 780, 180, 120);
    note.FillStyle = forms::FillStyle::Solid;
    auto& stem = Add<forms::Line>("Stem");
    stem.X1 = stem.X2 = 1365, stem.Y1 = 840, stem.Y2 = 420;
    auto& title = Add<forms::Label>("Title");
    title.Move(300, 120, 5400, 300);
    title.Caption = "Label: MS Sans Serif 8.25 pt, and an opaque one below";
    auto& box = Add<forms::Label>("Box");
    box.Move(300, 1320, 2400, 300);
    box.Caption = "Opaque label with a border";
    box.BackColor = forms::RGB(255, 255, 192);
    box.BorderStyle = 1;
    auto& big = Add<forms::Label>("Big");
    big.Move(3000, 1320, 2700, 450);
    big.Caption = "Arial Black 12";
    big.Font = forms::Font{"Arial Black", 12, false, false, false, 900};
    big.BackStyle = forms::BackStyle::Transparent;
    for (int k = 0; k < 7; ++k) {
      auto& key = Add<forms::CommandButton>("Key");
      key.Move(6000 + k * 360, 300, 345, 1500);
      key.Style = forms::ButtonStyle::Graphical;
      key.BackColor = k == 3 ? forms::RGB(255, 128, 0) : forms::RGB(255, 255, 255);
    }
    auto& text = Add<forms::TextBox>("Text1");
    text.Move(300, 2100, 2400, 330);
    text.Text = "A text box";
    auto& ok = Add<forms::CommandButton>("Ok");
    ok.Move(3000, 2100, 1200, 375);
    ok.Caption = "&OK";
    auto& check = Add<forms::CheckBox>("Check1");
    check.Move(300, 2640, 2400, 300);
    check.Caption = "Check box";
    check.Value = 1;
    auto& option = Add<forms::OptionButton>("Option1");
    option.Move(300, 2940, 2400, 300);
    option.Caption = "Option button";
    option.Value = true;
    auto& combo = Add<forms::ComboBox>("Combo1");
    combo.Move(3000, 2640, 1800, 330);
    combo.AddItem("Piano");
    combo.AddItem("Strings");
    combo.ListIndex = 0;
    auto& slider = Add<forms::Slider>("Slider1");
    slider.Move(300, 3360, 2400, 450);
    slider.Value = 4;
    auto& frame = Add<forms::Frame>("Frame1");
    frame.Move(5100, 2100, 3600, 1500);
    frame.Caption = "Frame";
    auto& inFrame = Add<forms::Shape>("InFrame");
    inFrame.SetContainer(&frame);
    inFrame.ShapeKind = forms::ShapeKind::RoundedRectangle;
    inFrame.Move(300, 450, 1500, 750);
    inFrame.FillStyle = forms::FillStyle::Solid;
    inFrame.FillColor = forms::RGB(0, 160, 0);
    auto& picture = Add<forms::PictureBox>("Picture1");
    picture.Move(300, 4050, 2400, 1500);
    picture.BackColor = forms::RGB(192, 224, 255);
    auto& circle = Add<forms::Shape>("Circle");
    circle.SetContainer(&picture);
    circle.ShapeKind = forms::ShapeKind::Circle;
    circle.Move(150, 150, 1200, 1200);
    circle.BorderWidth = 3;
    circle.BorderColor = forms::RGB(200, 0, 0);
    auto& tabs = Add<forms::TabStrip>("Tabs");
    tabs.Move(3000, 3900, 2700, 1800);
    tabs.TabCaptions = {"Notes", "Effects"};
    auto& onPage = Add<forms::Label>("OnPage");
    onPage.SetContainer(&tabs, 0);
    onPage.Move(150, 600, 2400, 300);
    onPage.Caption = "On the first page";
    auto& scroll = Add<forms::HScrollBar>("HScroll1");
    scroll.Move(5850, 3900, 2850, 255);
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  forms::QtSystem system;
  DemoForm form(system);
  system.MainForm = &form;
  try {
    form.Show();
    system.Run();
  } catch (const forms::EndProgram&) {
  }
  return 0;
}

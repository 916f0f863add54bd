#include "printing/print_fm.h"

#include "editor/design.h"
#include "editor/program.h"
#include "editor/score_layout.h"
#include "platform/basic/basic.h"

namespace stavelark {

using namespace design;

PrintFm::PrintFm(Program& program)
    : Form(program.Ws, "PrintFm"),
      PrintTitle(Add<forms::Label>("PrintTitle")),
      Author(Add<forms::Label>("Author")),
      Label11(Add<forms::Label>("Label11")),
      Label13(Add<forms::Label>("Label13")),
      Label1(Add<forms::Label>("Label1")),
      Label2(Add<forms::Label>("Label2")),
      Label9(Add<forms::Label>("Label9")),
      PreviewBox(Add<forms::TextBox>("PreviewBox")),
      Previous(Add<forms::CommandButton>("Previous")),
      Nex(Add<forms::CommandButton>("Nex")),
      Clos(Add<forms::CommandButton>("Clos")),
      printpage(Add<forms::Label>("printpage")),
      PrintTimer(Add<forms::Timer>("PrintTimer")),
      Image1(Add<forms::Image>("Image1")),
      Image2(Add<forms::Image>("Image2")),
      Image3(Add<forms::Image>("Image3")),
      Image4(Add<forms::Image>("Image4")),
      Picture1(Add<forms::PictureBox>("Picture1")),
      program_(program) {
  Caption.Init("Print");
  BackColor.Init(0xFFFFFF);
  BorderStyle.Init(1);
  MaxButton.Init(false);
  Font.Init(WindowFont());
  SetClientSize(11625, 8625);

  const forms::Font arial = MakeFont("Arial", 9.75, 700);
  const forms::Font black = MakeFont("Arial Black", 9.75, 900);
  MakeLabel(PrintTitle, "Untitled", 3000, 120, 5895, 255, MakeFont("Arial", 11, 700))
      .Alignment.Init(forms::Alignment::Center);
  MakeLabel(Author, "By me", 4680, 360, 2655, 255, arial).Alignment.Init(forms::Alignment::Center);
  static const char* kBar[4] = {"1", "2 ", "3", "4"};
  for (int t = 0; t < 4; ++t) {
    MakeLabel(Bar.Design(t), kBar[t], 120, 1440 + 1440 * t, 255, 255, black);
    MakeLabel(OctLabel.Design(t), "4", 120, 1920 + 1440 * t, 255, 255, black).ForeColor.Init(0x008080);
  }
  MakeLabel(Label11, "Vol", 480, 2160, 495, 255, WindowFont());
  MakeLabel(Label13, "Vol", 480, 3600, 615, 255, WindowFont());
  MakeLabel(Label1, "Vol", 480, 5160, 615, 255, WindowFont());
  MakeLabel(Label2, "Vol", 480, 6600, 615, 255, WindowFont());
  MakeLabel(Label9, "Lyrics", 120, 6960, 735, 255, MakeFont("Arial Black", 8.25, 900));
  forms::TextBox& lyric = Lyric.Design(0);
  Place(lyric, 960, 6960, 490, 315);
  lyric.Font.Init(MakeFont("Arial", 8.25, 400));
  lyric.BorderStyle.Init(0);
  for (int t = 0; t < 4; ++t) MakeLabel(InstLabel.Design(t), "00", 6480, 7560 + 240 * t, 3015, 255, WindowFont());
  Place(PreviewBox, 0, 7680, 6255, 975);
  PreviewBox.Text.Init("Print Preview");
  PreviewBox.Font.Init(MakeFont("Arial", 18, 700));
  PreviewBox.Locked.Init(true);
  // Several lines: the caption stands at the top, above the buttons that lie on the box.
  PreviewBox.MultiLine.Init(true);
  static const char* kButtons[3] = {"Previous", "Next", "Close"};
  forms::CommandButton* buttons[3] = {&Previous, &Nex, &Clos};
  static constexpr int kButtonLeft[3] = {840, 2520, 4080};
  for (int i = 0; i < 3; ++i) {
    Place(*buttons[i], kButtonLeft[i], 8040, 1215, 375);
    buttons[i]->Caption.Init(kButtons[i]);
  }
  MakeLabel(printpage, "Page 1", 9720, 8160, 1455, 255, WindowFont());
  PrintTimer.Interval.Init(100);
  PrintTimer.Enabled.Init(false);

  // Staves at the main window's heights, a little wider.
  layout::DesignStaffLines(*this, 360, 11040, 1080, 10920, 0xC0C0C0);
  layout::DesignTrebleClefs(*this, 480);
  Place(Picture1, 480, 2880, 375, 420);
  Picture1.Picture.Init(ResPicture("bass_clef"));
  Picture1.BorderStyle.Init(0);
  Picture1.BackColor.Init(0xFFFFFF);
  Picture1.Visible.Init(false);

  // Element 0 of each glyph pool; the page's cells 1..80 are made by Form_Load.
  layout::DesignGlyphModels(*this, 500, 440, 2160);

  Nex.Click = [this] { Nex_Click(); };
  Previous.Click = [this] { Previous_Click(); };
  Clos.Click = [this] { Clos_Click(); };
  PrintTimer.Tick = [this] { PrintTimer_Timer(); };
}

void PrintFm::Form_Load() {
  for (int i = 1; i <= 80; ++i) {
    Music.Load(i);
    Tail.Load(i);
    Clef1.Load(i);
    Clef2.Load(i);
    Clef3.Load(i);
    VolLabel.Load(i);
    P1.Load(i);
    P2.Load(i);
    Sharpy1.Load(i);
    Sharpy2.Load(i);
    Sharpy3.Load(i);
    Sharpy4.Load(i);
  }
  for (int i = 1; i <= 19; ++i) {
    forms::TextBox& box = Lyric.Load(i);
    box.Visible = true;
    box.Left = Lyric[i - 1].Left + 500;
  }
}

void PrintFm::Form_QueryUnload(int& cancel, int unloadMode) {
  if (unloadMode != forms::unload_mode::FormControlMenu) return;
  cancel = 1;
  Clos_Click();
  Hide();
}

void PrintFm::Form_Terminate() { program_.G.PrintState = "WAIT"; }

void PrintFm::Nex_Click() { program_.G.PrintState = "NEXT"; }
void PrintFm::Previous_Click() { program_.G.PrintState = "PREVIOUS"; }
void PrintFm::Clos_Click() { program_.G.PrintState = "CLOSE"; }

void PrintFm::PrintTimer_Timer() {
  Globals& g = program_.G;
  if (g.PrintState != "PRINT") return;
  g.PrintState = "WAIT";
  try {
    PrintForm();
  } catch (const basic::RuntimeError&) {
    PrintFailed = true;
  }
}

}  // namespace stavelark

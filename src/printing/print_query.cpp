#include "printing/print_query.h"

#include "editor/design.h"
#include "editor/program.h"
#include "platform/basic/basic.h"

namespace stavelark {

using namespace design;

PrintQuery::PrintQuery(Program& program)
    : Form(program.Ws, "PrintQuery"),
      Frame2(Add<forms::Frame>("Frame2")),
      PrintAll(Add<forms::OptionButton>("PrintAll")),
      PrintSome(Add<forms::OptionButton>("PrintSome")),
      From(Add<forms::TextBox>("From")),
      Label2(Add<forms::Label>("Label2")),
      Too(Add<forms::TextBox>("Too")),
      Frame1(Add<forms::Frame>("Frame1")),
      Label1(Add<forms::Label>("Label1")),
      Copies(Add<forms::Label>("Copies")),
      VScrollCopy(Add<forms::VScrollBar>("VScrollCopy")),
      OK(Add<forms::CommandButton>("OK")),
      Canc(Add<forms::CommandButton>("Canc")),
      program_(program) {
  Caption.Init("Print");
  BorderStyle.Init(3);
  MinButton.Init(false);
  MaxButton.Init(false);
  StartUpPosition.Init(2);
  Font.Init(WindowFont());
  SetClientSize(4320, 2940);

  // The page range. Positions inside a frame are relative to it.
  Place(Frame2, 120, 120, 4080, 1215);
  Frame2.Caption.Init("Pages");
  Frame2.Font.Init(WindowFont());
  Place(PrintAll, 240, 300, 1215, 255);
  PrintAll.Caption.Init("All");
  Place(PrintSome, 240, 720, 1215, 255);
  PrintSome.Caption.Init("From Page");
  Place(From, 1560, 690, 615, 315);
  MakeLabel(Label2, "to Page", 2280, 720, 735, 255, WindowFont());
  Place(Too, 3120, 690, 615, 315);
  for (forms::Control* c : std::initializer_list<forms::Control*>{&PrintAll, &PrintSome, &From, &Label2, &Too})
    c->SetContainer(&Frame2);
  for (forms::OptionButton* o : {&PrintAll, &PrintSome}) o->Font.Init(WindowFont());
  for (forms::TextBox* t : {&From, &Too}) t->Font.Init(MakeFont("MS Sans Serif", 8.25, 400));

  // The number of copies.
  Place(Frame1, 120, 1440, 4080, 735);
  Frame1.Caption.Init("Copies");
  Frame1.Font.Init(WindowFont());
  MakeLabel(Label1, "Number of Copies", 240, 330, 1815, 255, WindowFont());
  MakeLabel(Copies, "1", 2280, 330, 375, 255, WindowFont()).Alignment.Init(forms::Alignment::Center);
  Place(VScrollCopy, 2760, 240, 255, 375);
  VScrollCopy.Min.Init(-9);
  VScrollCopy.Max.Init(10);
  VScrollCopy.Value.Init(-1);
  for (forms::Control* c : std::initializer_list<forms::Control*>{&Label1, &Copies, &VScrollCopy})
    c->SetContainer(&Frame1);

  Place(OK, 1440, 2400, 1215, 375);
  OK.Caption.Init("OK");
  OK.Default.Init(true);
  Place(Canc, 2880, 2400, 1215, 375);
  Canc.Caption.Init("Cancel");
  Canc.Cancel.Init(true);

  VScrollCopy.Change = [this] { VScrollCopy_Change(); };
  OK.Click = [this] { OK_Click(); };
  Canc.Click = [this] { Canc_Click(); };
}

void PrintQuery::Form_Load() {
  PrintAll.Value = true;
  PrintSome.Value = false;
  Copies.Caption = "1";
  From.Text = "1";
  Too.Text = "1";
}

void PrintQuery::Form_QueryUnload(int& cancel, int unloadMode) {
  if (unloadMode != forms::unload_mode::FormControlMenu) return;
  cancel = 1;
  Canc_Click();
}

void PrintQuery::VScrollCopy_Change() { Copies.Caption = basic::CStr(-VScrollCopy.Value()); }

void PrintQuery::OK_Click() { program_.G.PrintState = "OK"; }

void PrintQuery::Canc_Click() {
  Hide();
  program_.G.PrintState = "CANC";
}

}  // namespace stavelark

#include "sound/karaoke.h"

#include "editor/design.h"
#include "editor/program.h"

namespace stavelark {

using namespace design;

Karaoke::Karaoke(Program& program) : Form(program.Ws, "Karaoke"), Ball(Add<forms::Shape>("Ball")) {
  Caption.Init("Karaoke");
  BackColor.Init(0x400000);
  BorderStyle.Init(2);
  StartUpPosition.Init(2);
  SetClientSize(9840, 3000);
  const forms::Font comic = MakeFont("Comic Sans MS", 18, 700);
  // The lyrics and the ball start where Form_Resize keeps them: at 0.3 and 0.5 of the height.
  for (int i = 0; i < 5; ++i) {
    // Lyric i is centred on the ball's place for it (840 + 1800 i).
    forms::Label& l = MakeLabel(VocLabel.Design(i), "", 840 + 1800 * i - 660, 0.3 * Height(), 1680, 615, comic);
    l.ForeColor.Init(0x00FFFF);
    l.Alignment.Init(forms::Alignment::Center);
  }
  Place(Ball, 840, 0.5 * Height(), 360, 360);
  Ball.ShapeKind.Init(forms::ShapeKind::Circle);
  Ball.FillStyle.Init(forms::FillStyle::Solid);
  Ball.FillColor.Init(0x0000FF);
  Ball.BorderColor.Init(0x0000FF);
}

void Karaoke::Form_Click() { Hide(); }

void Karaoke::Form_Resize() {
  for (int i = 0; i < 5; ++i) VocLabel[i].Top = 0.3 * Height();
  Ball.Top = 0.5 * Height();
}

}  // namespace stavelark

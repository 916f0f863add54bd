#include "editor/track_inst.h"

#include <string>

#include "editor/design.h"
#include "editor/program.h"

namespace stavelark {

using namespace design;

namespace {
constexpr int kOptionColumns = 4;
constexpr int kOptionRows = 32;
constexpr double kColumnWidth = 2460;
constexpr double kRowHeight = 240;
}  // namespace

TrackInst::TrackInst(Program& program)
    : Form(program.Ws, "TrackInst"),
      Review(Add<forms::Label>("Review")),
      OK(Add<forms::CommandButton>("OK")),
      program_(program) {
  Caption.Init("Change Instruments");
  BorderStyle.Init(3);
  MinButton.Init(false);
  MaxButton.Init(false);
  StartUpPosition.Init(2);
  Font.Init(WindowFont());
  SetClientSize(120 + kOptionColumns * kColumnWidth, 9480);

  const forms::Font regular = MakeFont("MS Sans Serif", 8.25, 400);
  for (int i = 0; i < kOptionColumns * kOptionRows; ++i) {
    forms::OptionButton& o = Option1.Design(i);
    Place(o, 120 + (i / kOptionRows) * kColumnWidth, 120 + (i % kOptionRows) * kRowHeight, kColumnWidth - 60, kRowHeight);
    o.Font.Init(regular);
    o.TabIndex.Init(i);
  }
  for (int t = 0; t < 4; ++t) {
    forms::TextBox& box = TrackInstLabel.Design(t);
    Place(box, 120 + t * kColumnWidth, 7980, kColumnWidth - 120, 315);
    box.BackColor.Init(0xC0FFFF);
    box.Locked.Init(true);
    box.Font.Init(regular);
    box.TabStop.Init(false);
    forms::CommandButton& set = SetTrakInst.Design(t);
    Place(set, 120 + t * kColumnWidth, 8340, kColumnWidth - 120, 375);
    set.Caption.Init("Set Track " + std::to_string(t + 1));
    set.TabIndex.Init(200 + t);
  }
  MakeLabel(Review, "Preview", 120, 8880, 1215, 375, WindowFont());
  Review.ForeColor.Init(0xC00000);
  Review.Alignment.Init(forms::Alignment::Center);
  Review.BorderStyle.Init(1);
  Place(OK, 120 + 3 * kColumnWidth, 8820, kColumnWidth - 120, 435);
  OK.Caption.Init("OK");
  OK.Default.Init(true);
  OK.TabIndex.Init(210);
}

void TrackInst::Form_Load() {
  Option1[0].Value = true;
  program_.G.InstPicked = false;
}

}  // namespace stavelark

#include "editor/track_inst.h"

#include <string>

#include "editor/design.h"
#include "editor/form1.h"
#include "editor/program.h"

namespace stavelark {

using namespace design;

namespace {
constexpr int kOptionColumns = 4;
constexpr int kOptionRows = 32;
constexpr double kColumnWidth = 2460;
constexpr double kRowHeight = 240;
constexpr int kInstruments = 128;
constexpr forms::Color kBoxColour = 0xC0FFFF;   // light yellow
constexpr forms::Color kHeldColour = 0x0A80FF;  // orange
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
    box.BackColor.Init(kBoxColour);
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

  Review.Click = [this] { Review_Click(); };
  SetTrakInst.Click = [this](int index) { SetTrakInst_Click(index); };
  SetTrakInst.MouseDown = [this](int index, int b, int s, double x, double y) { SetTrakInst_MouseDown(index, b, s, x, y); };
  SetTrakInst.MouseUp = [this](int index, int b, int s, double x, double y) { SetTrakInst_MouseUp(index, b, s, x, y); };
  OK.Click = [this] { OK_Click(); };
}

void TrackInst::Form_Load() {
  Option1[0].Value = true;
  program_.G.InstPicked = false;
}

void TrackInst::Form_QueryUnload(int& Cancel, int UnloadMode) {
  if (UnloadMode != forms::unload_mode::FormControlMenu) return;
  Cancel = 1;
  Hide();
}

int TrackInst::CheckedInstrument() const {
  for (int i = 0; i < kInstruments; ++i)
    if (Option1.Exists(i) && Option1[i].Value()) return i;
  return -1;
}

void TrackInst::ShowTrackInstruments() {
  const Globals& g = program_.G;
  for (int t = 0; t < kTracks; ++t) {
    const int instrument = g.TrackInstrument[t];
    if (TrackInstLabel.Exists(t) && Option1.Exists(instrument)) TrackInstLabel[t].Text = Option1[instrument].Caption();
  }
}

void TrackInst::Review_Click() {
  const int chosen = CheckedInstrument();
  if (chosen < 0) return;
  program_.G.PickedInstrument = static_cast<int16_t>(chosen);
  program_.G.InstPicked = true;
}

void TrackInst::SetTrakInst_Click(int Index) {
  const int chosen = CheckedInstrument();
  if (chosen < 0 || Index < 0 || Index >= kTracks) return;
  const std::string name = Option1[chosen].Caption();
  TrackInstLabel[Index].Text = name;
  Globals& g = program_.G;
  // A new instrument is a change the project file keeps, at once: the dialog may stay open
  // while the program ends or another composition is opened.
  if (g.TrackInstrument[Index] != chosen) g.Modified = true;
  g.TrackInstrument[Index] = static_cast<int16_t>(chosen);
  forms::Label& label = program_.Form1().InstLabel[Index];
  label.Caption = name;
  label.ToolTipText = name;
}

void TrackInst::SetTrakInst_MouseDown(int Index, int, int, double, double) {
  if (TrackInstLabel.Exists(Index)) TrackInstLabel[Index].BackColor = kHeldColour;
}

void TrackInst::SetTrakInst_MouseUp(int Index, int, int, double, double) {
  if (TrackInstLabel.Exists(Index)) TrackInstLabel[Index].BackColor = kBoxColour;
}

void TrackInst::OK_Click() { Hide(); }

}  // namespace stavelark

#include "sound/fx_form.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "editor/design.h"
#include "editor/globals.h"
#include "editor/program.h"
#include "platform/basic/basic.h"

namespace stavelark {

using namespace design;

namespace {

// ---- layout (twips) ----
constexpr double kFrameLeft = 1800;
constexpr double kFrameTop = 120;
constexpr double kFrameWidth = 6840;
constexpr double kFrameHeight = 3600;
constexpr double kColumnLeft = 240;   // box 0's left edge in its frame
constexpr double kColumnStep = 1080;
constexpr double kBoxWidth = 900;
constexpr double kBoxHeight = 285;
constexpr double kTravel = 1500;      // how far a knob moves: 100 pixels
constexpr double kKnobWidth = 300;
constexpr double kKnobHeight = 150;
constexpr double kTrackWidth = 360;
constexpr double kCheckTop = 330;     // the check boxes' row, under the frame's caption
// A knob's track begins this many pixels below the dialog's top edge; the drag's arithmetic
// counts the cursor's height from there.
constexpr double kTrackScreenOffset = 90;

constexpr forms::Color kGroove = 0x505050;
constexpr forms::Color kButtonFace = 0xF0E8E0;

constexpr std::array<FXform::Knob, 8> kFamilies = {FXform::Knob::Eq,   FXform::Knob::Chorus, FXform::Knob::Dist,
                                                   FXform::Knob::Garg, FXform::Knob::Wave,   FXform::Knob::Comp,
                                                   FXform::Knob::Flanger, FXform::Knob::Echo};

// Reads a box for OK and the knob releases: none (the box is left alone) for a text that is no number.
std::optional<double> BoxNumber(const forms::TextBox& box) { return basic::ToNumber(box.Text()); }

// Holds a box's number to lo..hi and writes it back as plain text (no leading blank, a fraction
// kept); a box that holds no number is left as it is.
void Limit(forms::TextBox& box, double lo, double hi) {
  const std::optional<double> v = BoxNumber(box);
  if (v) box.Text = basic::CStr(std::clamp(*v, lo, hi));
}

}  // namespace

FXform::FXform(Program& program)
    : Form(program.Ws, "FXform"),
      EqFrame(Add<forms::Frame>("EqFrame")),
      ChorusFrame(Add<forms::Frame>("ChorusFrame")),
      DistFrame(Add<forms::Frame>("DistFrame")),
      GargFrame(Add<forms::Frame>("GargFrame")),
      WaveFrame(Add<forms::Frame>("WaveFrame")),
      CompFrame(Add<forms::Frame>("CompFrame")),
      FlangerFrame(Add<forms::Frame>("FlangerFrame")),
      EchoFrame(Add<forms::Frame>("EchoFrame")),
      Label1(Add<forms::Label>("Label1")),
      EchoButt(Add<forms::Label>("EchoButt")),
      EQButt(Add<forms::Label>("EQButt")),
      ChorusButt(Add<forms::Label>("ChorusButt")),
      DistButt(Add<forms::Label>("DistButt")),
      GargButt(Add<forms::Label>("GargButt")),
      WaveButt(Add<forms::Label>("WaveButt")),
      CompButt(Add<forms::Label>("CompButt")),
      Flangerbutt(Add<forms::Label>("Flangerbutt")),
      CheckChorusSine(Add<forms::CheckBox>("CheckChorusSine")),
      CheckChorusTri(Add<forms::CheckBox>("CheckChorusTri")),
      CheckGargSine(Add<forms::CheckBox>("CheckGargSine")),
      CheckGargTri(Add<forms::CheckBox>("CheckGargTri")),
      FCheckSin(Add<forms::CheckBox>("FCheckSin")),
      FCheckTri(Add<forms::CheckBox>("FCheckTri")),
      Pandelay(Add<forms::CheckBox>("Pandelay")),
      PresetLabel(Add<forms::Label>("PresetLabel")),
      Base(Add<forms::CheckBox>("Base")),
      Noise(Add<forms::CheckBox>("Noise")),
      Command15(Add<forms::CommandButton>("Command15")),
      program_(program) {
  Caption.Init("Adjust Special Effects");
  BorderStyle.Init(3);
  MinButton.Init(false);
  MaxButton.Init(false);
  StartUpPosition.Init(2);
  Font.Init(WindowFont());
  SetClientSize(kFrameLeft + kFrameWidth + 120, kFrameTop + kFrameHeight + 720);

  DesignButtons();
  DesignPanel(Knob::Eq, "Notch Filter", {"Center", "Gain", "Bandwidth"}, {"2960", "10", "6"});
  DesignPanel(Knob::Chorus, "Chorus", {"Delay", "Depth", "Feed back", "Wet/Dry Mix", "Phase", "Frequency"},
              {"4", "24", "-54", "23", "0", "2"});
  DesignPanel(Knob::Dist, "Distortion", {"Edge", "Gain", "Post EQ BW", "Post EQ Center Freq", "Prelow"},
              {"23", "-41", "200", "1940", "2100"});
  DesignPanel(Knob::Garg, "Gargle", {"Delay"}, {"190"});
  DesignPanel(Knob::Wave, "Waves", {"Gain", "High Freq.", "Reverb Mix", "Reverb Time Freq"},
              {"-24", "769", "-24", "2300"});
  DesignPanel(Knob::Comp, "Compressor", {"Gain", "Predelay", "Ratio", "Attack", "Release", "Threshold"},
              {"32", "3", "78", "312", "2280", "-15"});
  DesignPanel(Knob::Flanger, "Flanger", {"Freq", "Delay", "Depth", "Feed back", "Phase", "Wet/Dry Mix"},
              {"7", "3", "77", "50", "3", "76"});
  DesignPanel(Knob::Echo, "Echo", {"Feedback", "Left Delay", "Right Delay", "Wetdry"}, {"8", "8", "8", "8"});
  DesignCheckBoxes();
  EqFrame.Visible.Init(true);

  Place(Command15, kFrameLeft + kFrameWidth - 1200, kFrameTop + kFrameHeight + 180, 1200, 375);
  Command15.Caption.Init("OK");
  Command15.TabIndex.Init(tabIndex_++);
  Wire();
}

void FXform::DesignButtons() {
  MakeLabel(Label1, "Special Effects", 120, kFrameTop + 60, 1560, 255, WindowFont());
  Label1.Alignment.Init(forms::Alignment::Center);
  const forms::Font regular = MakeFont("MS Sans Serif", 8.25, 400);
  forms::Label* buttons[] = {&EchoButt, &EQButt, &ChorusButt, &DistButt, &GargButt, &WaveButt, &CompButt, &Flangerbutt};
  const char* captions[] = {"Echo", "ParamEQ", "Chorus", "Distortion", "Gargle", "WaveReverb", "Compressor", "Flanger"};
  for (int i = 0; i < 8; ++i) {
    forms::Label& b = *buttons[i];
    MakeLabel(b, captions[i], 120, kFrameTop + 420 + i * 390, 1560, 315, regular);
    b.Alignment.Init(forms::Alignment::Center);
    b.BorderStyle.Init(1);
    b.BackStyle.Init(forms::BackStyle::Opaque);
    b.BackColor.Init(kButtonFace);
  }
}

void FXform::DesignPanel(Knob family, const char* caption, std::initializer_list<const char*> labels,
                         std::initializer_list<const char*> defaults) {
  forms::Frame& frame = FrameOf(family);
  Place(frame, kFrameLeft, kFrameTop, kFrameWidth, kFrameHeight);
  frame.Caption.Init(caption);
  frame.Visible.Init(false);
  // The track's top edge lies kTrackScreenOffset pixels below the dialog's top edge.
  const double trackTop = kTrackScreenOffset * forms::TwipsPerPixel - FrameTop() - kFrameTop;
  const forms::Font regular = MakeFont("MS Sans Serif", 8.25, 400);
  const forms::Picture knobPicture = ResPicture("knob");
  const std::vector<const char*> names(labels), texts(defaults);
  for (int i = 0; i < static_cast<int>(names.size()); ++i) {
    const double left = kColumnLeft + i * kColumnStep;

    forms::PictureBox& track = tracks_.Design(static_cast<int>(tracks_.Count()));
    track.SetContainer(&frame);
    Place(track, left + (kBoxWidth - kTrackWidth) / 2, trackTop, kTrackWidth, kTravel + kKnobHeight);
    track.BorderStyle.Init(0);
    track.TabStop.Init(false);
    forms::Shape& groove = grooves_.Design(static_cast<int>(grooves_.Count()));
    groove.SetContainer(&track);
    Place(groove, (kTrackWidth - 60) / 2, kKnobHeight / 2, 60, kTravel);
    groove.FillStyle.Init(forms::FillStyle::Solid);
    groove.FillColor.Init(kGroove);
    groove.BorderColor.Init(kGroove);

    // The knob starts where its formula gives the box's default.
    const double wanted = basic::Val(texts[static_cast<size_t>(i)]);
    double bestY = 0;
    for (int y = 0; y <= 100; ++y)
      if (std::fabs(KnobValue(family, i, y) - wanted) < std::fabs(KnobValue(family, i, bestY) - wanted)) bestY = y;
    forms::Image& knob = Knobs(family).Design(i);
    knob.SetContainer(&track);
    Place(knob, (kTrackWidth - kKnobWidth) / 2, bestY * forms::TwipsPerPixel, kKnobWidth, kKnobHeight);
    knob.Picture.Init(knobPicture);
    knob.Stretch.Init(true);

    forms::TextBox& box = Values(family).Design(i);
    box.SetContainer(&frame);
    Place(box, left, trackTop + kTravel + kKnobHeight + 120, kBoxWidth, kBoxHeight);
    box.Text.Init(texts[static_cast<size_t>(i)]);
    box.ToolTipText.Init("Enter a db value");
    box.Font.Init(regular);
    box.Alignment.Init(forms::Alignment::Center);
    box.TabIndex.Init(tabIndex_++);

    forms::Label& label = valueLabels_.Design(static_cast<int>(valueLabels_.Count()));
    label.SetContainer(&frame);
    MakeLabel(label, names[static_cast<size_t>(i)], left - 60, box.Top() + kBoxHeight + 60, kBoxWidth + 120, 420,
              regular);
    label.Alignment.Init(forms::Alignment::Center);
    label.WordWrap.Init(true);
  }
}

void FXform::DesignCheckBoxes() {
  const forms::Font regular = MakeFont("MS Sans Serif", 8.25, 400);
  auto check = [&](forms::CheckBox& box, forms::Frame& frame, const char* caption, double left, double width,
                   int value) {
    box.SetContainer(&frame);
    Place(box, left, kCheckTop, width, 285);
    box.Caption.Init(caption);
    box.Font.Init(regular);
    box.Value.Init(value);
    box.TabIndex.Init(tabIndex_++);
  };
  check(CheckChorusSine, ChorusFrame, "Sine", kColumnLeft, 1000, 1);
  check(CheckChorusTri, ChorusFrame, "Triangle", kColumnLeft + kColumnStep, 1000, 0);
  check(CheckGargSine, GargFrame, "Sine", kColumnLeft, 1000, 1);
  check(CheckGargTri, GargFrame, "Triangle", kColumnLeft + kColumnStep, 1000, 0);
  check(FCheckSin, FlangerFrame, "Sine", kColumnLeft, 1000, 1);
  check(FCheckTri, FlangerFrame, "Triangle", kColumnLeft + kColumnStep, 1000, 0);
  check(Pandelay, EchoFrame, "Pan Delay", kColumnLeft, 1400, 1);
  PresetLabel.SetContainer(&EqFrame);
  MakeLabel(PresetLabel, "Preset Filters", kColumnLeft, kCheckTop + 30, 1320, 255, WindowFont());
  check(Base, EqFrame, "Bass boost", kColumnLeft + 1440, 1320, 0);
  check(Noise, EqFrame, "Noise Reduction", kColumnLeft + 2880, 1800, 0);
}

void FXform::Wire() {
  const std::pair<forms::Label*, forms::Frame*> buttons[] = {
      {&EchoButt, &EchoFrame}, {&EQButt, &EqFrame},   {&ChorusButt, &ChorusFrame}, {&DistButt, &DistFrame},
      {&GargButt, &GargFrame}, {&WaveButt, &WaveFrame}, {&CompButt, &CompFrame},   {&Flangerbutt, &FlangerFrame}};
  for (auto [button, frame] : buttons) button->Click = [this, frame = frame] { ShowFrame(*frame); };
  for (Knob family : kFamilies) {
    forms::ControlArray<forms::Image>& knobs = Knobs(family);
    knobs.MouseDown = [this, family](int i, int, int, double, double) { Knob_MouseDown(family, i); };
    knobs.MouseMove = [this, family](int i, int, int, double, double) { Knob_MouseMove(family, i); };
    knobs.MouseUp = [this, family](int i, int, int, double, double) { Knob_MouseUp(family, i); };
  }
  CheckChorusSine.Click = [this] { Waveform_Click(CheckChorusSine, CheckChorusTri); };
  CheckChorusTri.Click = [this] { Waveform_Click(CheckChorusTri, CheckChorusSine); };
  CheckGargSine.Click = [this] { Waveform_Click(CheckGargSine, CheckGargTri); };
  CheckGargTri.Click = [this] { Waveform_Click(CheckGargTri, CheckGargSine); };
  FCheckSin.Click = [this] { Waveform_Click(FCheckSin, FCheckTri); };
  FCheckTri.Click = [this] { Waveform_Click(FCheckTri, FCheckSin); };
  Base.Click = [this] { Base_Click(); };
  Noise.Click = [this] { Noise_Click(); };
  Command15.Click = [this] { Command15_Click(); };
}

// ---- families ----

forms::ControlArray<forms::Image>& FXform::Knobs(Knob family) {
  switch (family) {
    case Knob::Eq: return EQAdjustSlider;
    case Knob::Chorus: return ChorusAdjustSlider;
    case Knob::Dist: return distAdjustSlider;
    case Knob::Garg: return GargAdjustSlider;
    case Knob::Wave: return WaveAdjustSlider;
    case Knob::Comp: return CompAdjustSlider;
    case Knob::Flanger: return FAdjustSlider;
    case Knob::Echo: return EAdjustSlider;
  }
  return EQAdjustSlider;
}

forms::ControlArray<forms::TextBox>& FXform::Values(Knob family) {
  switch (family) {
    case Knob::Eq: return eqvalue;
    case Knob::Chorus: return ChorusAdjustValue;
    case Knob::Dist: return DistAdjustValue;
    case Knob::Garg: return GargAdjustValue;
    case Knob::Wave: return WaveAdjustValue;
    case Knob::Comp: return CompAdjustValue;
    case Knob::Flanger: return FAdjustValue;
    case Knob::Echo: return EchoValue;
  }
  return eqvalue;
}

forms::Frame& FXform::FrameOf(Knob family) {
  switch (family) {
    case Knob::Eq: return EqFrame;
    case Knob::Chorus: return ChorusFrame;
    case Knob::Dist: return DistFrame;
    case Knob::Garg: return GargFrame;
    case Knob::Wave: return WaveFrame;
    case Knob::Comp: return CompFrame;
    case Knob::Flanger: return FlangerFrame;
    case Knob::Echo: return EchoFrame;
  }
  return EqFrame;
}

bool& FXform::Dragging(Knob family) {
  Globals& g = program_.G;
  switch (family) {
    case Knob::Eq: return g.EqDragging;
    case Knob::Chorus: return g.ChorusDragging;
    case Knob::Dist: return g.DistDragging;
    case Knob::Garg: return g.GargDragging;
    case Knob::Wave: return g.WaveDragging;
    case Knob::Comp: return g.CompDragging;
    case Knob::Flanger: return g.FlangerDragging;
    case Knob::Echo: return g.EchoDragging;
  }
  return g.EqDragging;
}

double FXform::KnobValue(Knob family, int index, double y) {
  const double v = 100 - y;  // the families whose values fall as the knob goes down
  switch (family) {
    case Knob::Eq:
      if (index == 0) return 160 * y + 80;
      if (index == 1) return 0.3 * y - 15;
      return 0.36 * y;
    case Knob::Chorus:
      if (index == 0) return 0.2 * y;
      if (index == 2) return 2 * y - 100;
      if (index == 4) return 0.04 * y;
      if (index == 5) return y / 10;
      return y;
    case Knob::Dist:
      if (index == 0) return y;
      if (index == 1) return 0.6 * y - 60;
      return 80 * y + 100;
    case Knob::Garg:
      return 10 * y;
    case Knob::Echo:
      return 10 - std::trunc(basic::RoundHalfEven(y) / 10);
    case Knob::Comp:
      if (index == 0) return 1.2 * v - 60;
      if (index == 1) return v / 25;
      if (index == 2) return v;
      if (index == 3) return 4 * v;
      if (index == 4) return 30 * v;
      return 0.6 * v - 60;
    case Knob::Flanger:
      if (index == 0) return 0.1 * v;
      if (index == 1 || index == 4) return v / 25;
      if (index == 3) return 2 * v - 100;
      return v;
    case Knob::Wave:
      if (index == 1) return 9.99 * v;
      if (index == 3) return 30 * v;
      return 0.96 * v - 96;
  }
  return 0;
}

// ---- handlers ----

void FXform::ShowFrame(forms::Frame& frame) {
  for (Knob family : kFamilies) {
    forms::Frame& f = FrameOf(family);
    f.Visible = &f == &frame;
  }
}

void FXform::Knob_MouseDown(Knob family, int) { Dragging(family) = true; }

void FXform::Knob_MouseMove(Knob family, int Index) {
  if (!Dragging(family)) return;
  // The cursor's height below the track's top, in pixels; the event's own coordinates are
  // relative to the knob, which moves under the cursor.
  const forms::PointApi cursor = program_.Ws.GetCursorPos();
  double y = cursor.y - Top() / forms::TwipsPerPixel - kTrackScreenOffset;
  if (!(y * forms::TwipsPerPixel > -5 && y * forms::TwipsPerPixel < 1510)) return;
  if (y < 0) y = 0;
  Knobs(family)[Index].Top = y * forms::TwipsPerPixel;
  const float value = static_cast<float>(KnobValue(family, Index, y));
  Values(family)[Index].Text = basic::CStr(basic::Int(value));
}

void FXform::Knob_MouseUp(Knob family, int Index) {
  Dragging(family) = false;
  if (family == Knob::Chorus) {
    static constexpr double kLow[] = {0, 0, -100, 0, 0, 0};
    static constexpr double kHigh[] = {20, 100, 100, 100, 4, 10};
    if (Index >= 0 && Index < 6) Limit(ChorusAdjustValue[Index], kLow[Index], kHigh[Index]);
  } else if (family == Knob::Garg) {
    forms::TextBox& box = GargAdjustValue[Index];
    if (const std::optional<double> v = BoxNumber(box)) box.Text = basic::CStr(basic::Int(std::clamp(*v, 1.0, 1000.0)));
  }
}

void FXform::Waveform_Click(forms::CheckBox& clicked, forms::CheckBox& partner) {
  partner.Value = clicked.Value() == 0 ? 1 : 0;
}

void FXform::Base_Click() {
  if (Base.Value() != 1) return;
  Noise.Value = 0;
  EQAdjustSlider[0].Top = 80;
  eqvalue[0].Text = "80";
  EQAdjustSlider[1].Top = 1440;
  eqvalue[1].Text = "14";
}

void FXform::Noise_Click() {
  if (Noise.Value() != 1) return;
  Base.Value = 0;
  EQAdjustSlider[0].Top = 400;
  eqvalue[0].Text = "4000";
  EQAdjustSlider[1].Top = 80;
  eqvalue[1].Text = "-14";
  EQAdjustSlider[2].Top = 600;
  eqvalue[2].Text = "12";
}

void FXform::Command15_Click() {
  for (int i = 0; i < 4; ++i) Limit(EchoValue[i], 0, 10);
  Limit(CompAdjustValue[0], -60, 60);
  Limit(CompAdjustValue[1], 0, 4);
  Limit(CompAdjustValue[2], 1, 100);
  Limit(CompAdjustValue[3], 1, 500);
  Limit(CompAdjustValue[4], 50, 3000);
  Limit(CompAdjustValue[5], -60, 0);
  Limit(DistAdjustValue[0], 0, 100);
  Limit(DistAdjustValue[1], -60, 0);
  for (int i = 2; i < 5; ++i) Limit(DistAdjustValue[i], 100, 8000);
  Limit(eqvalue[0], 80, 16000);
  Limit(eqvalue[1], -15, 15);
  Limit(eqvalue[2], 1, 36);
  Limit(FAdjustValue[0], 0, 10);
  Limit(FAdjustValue[1], 0, 3);
  Limit(FAdjustValue[2], 0, 100);
  Limit(FAdjustValue[3], -100, 100);
  Limit(FAdjustValue[4], 0, 4);
  Limit(FAdjustValue[5], 0, 100);
  // The gargle box is only held to 0..1000; a value in range keeps its text as typed.
  if (const std::optional<double> v = BoxNumber(GargAdjustValue[0])) {
    if (*v < 0) GargAdjustValue[0].Text = "0";
    else if (*v > 1000) GargAdjustValue[0].Text = "1000";
  }
  Limit(WaveAdjustValue[0], -96, 0);
  Limit(WaveAdjustValue[1], 1, 999);
  Limit(WaveAdjustValue[2], -96, 0);
  Limit(WaveAdjustValue[3], 1, 3000);
  Hide();
}

void FXform::Form_Unload(int& Cancel) {
  // Closing keeps the dialog, and so its values, as OK does.
  Command15_Click();
  Cancel = 1;
}

}  // namespace stavelark

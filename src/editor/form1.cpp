#include "editor/form1.h"

#include "editor/design.h"
#include "editor/program.h"
#include "editor/score_layout.h"
#include "platform/basic/basic.h"

namespace stavelark {

using forms::Alignment;
using forms::BackStyle;
using forms::BorderStyle;
using forms::ButtonStyle;
using forms::FillStyle;
using forms::Font;
using forms::ShapeKind;

using namespace design;

Form1::Form1(Program& program)
    : Form(program.Ws, "Form1"),
      file(AddMenu("file", "&File")),
      New(AddMenu("New", "&New", &file)),
      Open(AddMenu("Open", "&Open MSF File", &file)),
      Save(AddMenu("Save", "&Save MSF File", &file)),
      SaveMidi(AddMenu("SaveMidi", "Save as &MIDI File", &file)),
      PlayMIDI(AddMenu("PlayMIDI", "Play a M&IDI File", &file)),
      PrintSetup(AddMenu("PrintSetup", "Print Setup", &file)),
      PrintPreview(AddMenu("PrintPreview", "Print Pre&view", &file)),
      Print(AddMenu("Print", "&Print", &file)),
      Exit(AddMenu("Exit", "&Exit", &file)),
      Edit(AddMenu("Edit", "&Edit")),
      Cut(AddMenu("Cut", "&Cut ", &Edit)),
      copy(AddMenu("copy", "C&opy", &Edit)),
      paste(AddMenu("paste", "&Paste", &Edit)),
      Repeat(AddMenu("Repeat", "&Repeat", &Edit)),
      Delete(AddMenu("Delete", "&Delete", &Edit)),
      Insert(AddMenu("Insert", "&Insert", &Edit)),
      SelectTrack(AddMenu("SelectTrack", "Select &Track", &Edit)),
      SelectAll(AddMenu("SelectAll", "&Select All", &Edit)),
      Cutstart(AddMenu("Cutstart", "C&ut Start > Selection", &Edit)),
      Cutend(AddMenu("Cutend", "Cut Selection > &End", &Edit)),
      noet(AddMenu("noet", "&Modify")),
      high(AddMenu("high", "&Higher Pitch", &noet)),
      low(AddMenu("low", "&Lower Pitch", &noet)),
      long_(AddMenu("long", "L&onger Duration", &noet)),
      short_(AddMenu("short", "&Shorter Duration", &noet)),
      incvol(AddMenu("incvol", "&Increase Volume", &noet)),
      decvol(AddMenu("decvol", "&Decrease Volume", &noet)),
      changeinst(AddMenu("changeinst", "&Change Instrument", &noet)),
      FadeIn(AddMenu("FadeIn", "Fade in", &noet)),
      FadeOut(AddMenu("FadeOut", "Fade Out", &noet)),
      Play(AddMenu("Play", "&Play")),
      PlayFull(AddMenu("PlayFull", "Pla&y", &Play)),
      pause(AddMenu("pause", "Pa&use", &Play)),
      Stop(AddMenu("Stop", "St&op", &Play)),
      sp1(AddMenu("sp1", "-", &Play)),
      actrk(AddMenu("actrk", "&Active Track", &Play)),
      PlayAct(AddMenu("PlayAct", "&Selection", &Play)),
      PlayStartActive(AddMenu("PlayStartActive", "S&tart to Selection", &Play)),
      PlayFrom(AddMenu("PlayFrom", "F&rom Selection to End", &Play)),
      ChkLoop(AddMenu("ChkLoop", "&Loop", &Play)),
      tr(AddMenu("tr", "&Track")),
      t1(AddMenu("t1", "&1", &tr)),
      t2(AddMenu("t2", "2", &tr)),
      t3(AddMenu("t3", "3", &tr)),
      t4(AddMenu("t4", "4", &tr)),
      sp2(AddMenu("sp2", "-", &tr)),
      BassClef(AddMenu("BassClef", "Track 2 &Bass Clef", &tr)),
      trktrk(AddMenu("trktrk", "&Copy Track to Track", &tr)),
      setoct(AddMenu("setoct", "&Set Octave", &tr)),
      ClrTrk(AddMenu("ClrTrk", "C&lear Track", &tr)),
      ClearAll(AddMenu("ClearAll", "Clear &All Tracks", &tr)),
      SPfx(AddMenu("SPfx", "&Special Effects")),
      SetupFX(AddMenu("SetupFX", "Setup Special Effects", &SPfx)),
      distortion(AddMenu("distortion", "Distortion", &SPfx)),
      echo(AddMenu("echo", "Echo", &SPfx)),
      Chorus(AddMenu("Chorus", "Chorus", &SPfx)),
      Flanger(AddMenu("Flanger", "Flanger", &SPfx)),
      Compressor(AddMenu("Compressor", "Compressor", &SPfx)),
      Gargle(AddMenu("Gargle", "Gargle", &SPfx)),
      Para(AddMenu("Para", "Parameq", &SPfx)),
      Reverb(AddMenu("Reverb", "WaveReverb", &SPfx)),
      OptionMenu(AddMenu("OptionMenu", "&Options")),
      Kar(AddMenu("Kar", "&Karaoke")),
      KaroEn(AddMenu("KaroEn", "Karaoke Mode Enabled", &Kar)),
      KaroDis(AddMenu("KaroDis", "Karaoke Mode Disabled", &Kar)),
      PlayerPiano(AddMenu("PlayerPiano", "Pla&yer Piano")),
      PPEn(AddMenu("PPEn", "Player Piano Mode Enabled", &PlayerPiano)),
      PPDis(AddMenu("PPDis", "Player Piano Mode Disabled", &PlayerPiano)),
      Teacher(AddMenu("Teacher", "&Teacher")),
      TeachOn(AddMenu("TeachOn", "Teacher On", &Teacher)),
      TeachOff(AddMenu("TeachOff", "Teacher Off", &Teacher)),
      Helpy(AddMenu("Helpy", "&Help")),
      Help(AddMenu("Help", "Stavelark Help", &Helpy)),
      About(AddMenu("About", "About Stavelark", &Helpy)),
      Image1(Add<forms::Image>("Image1")),
      Image2(Add<forms::Image>("Image2")),
      Image3(Add<forms::Image>("Image3")),
      Image4(Add<forms::Image>("Image4")),
      Image5(Add<forms::Image>("Image5")),
      Line1(Add<forms::Line>("Line1")),
      Line3(Add<forms::Line>("Line3")),
      Line5(Add<forms::Line>("Line5")),
      Line6(Add<forms::Line>("Line6")),
      Line4(Add<forms::Line>("Line4")),
      Line7(Add<forms::Line>("Line7")),
      Line8(Add<forms::Line>("Line8")),
      Label3(Add<forms::Label>("Label3")),
      Label11(Add<forms::Label>("Label11")),
      Label13(Add<forms::Label>("Label13")),
      Label1(Add<forms::Label>("Label1")),
      Label2(Add<forms::Label>("Label2")),
      Label9(Add<forms::Label>("Label9")),
      NoteNumber(Add<forms::Label>("NoteNumber")),
      BufferStart(Add<forms::Line>("BufferStart")),
      BufferEnd(Add<forms::Line>("BufferEnd")),
      BufferTop(Add<forms::Line>("BufferTop")),
      BufferBottom(Add<forms::Line>("BufferBottom")),
      List4(Add<forms::ComboBox>("List4")),
      RecButt(Add<forms::Shape>("RecButt")),
      StopBox(Add<forms::Shape>("StopBox")),
      ScrollBack(Add<forms::Image>("ScrollBack")),
      ScrollUp(Add<forms::Image>("ScrollUp")),
      LocBox(Add<forms::Shape>("LocBox")),
      SliderBar(Add<forms::CommandButton>("SliderBar")),
      Shape1(Add<forms::Shape>("Shape1")),
      DurBlok(Add<forms::Shape>("DurBlok")),
      Label5(Add<forms::Label>("Label5")),
      TimeDisplay(Add<forms::Label>("TimeDisplay")),
      Label7(Add<forms::Label>("Label7")),
      NoteNumDisplay(Add<forms::Label>("NoteNumDisplay")),
      Label10(Add<forms::Label>("Label10")),
      DivControl(Add<forms::Slider>("DivControl")),
      Label8(Add<forms::Label>("Label8")),
      NoteVolume(Add<forms::Slider>("NoteVolume")),
      Label6(Add<forms::Label>("Label6")),
      Label12(Add<forms::Label>("Label12")),
      Volslider(Add<forms::HostedControl>("Volslider")),
      Line9(Add<forms::Line>("Line9")),
      Line10(Add<forms::Line>("Line10")),
      Line12(Add<forms::Line>("Line12")),
      Line13(Add<forms::Line>("Line13")),
      Line14(Add<forms::Line>("Line14")),
      Line11(Add<forms::Line>("Line11")),
      ScrollTimer(Add<forms::Timer>("ScrollTimer")),
      TimerClock(Add<forms::Timer>("TimerClock")),
      DelayTimer(Add<forms::Timer>("DelayTimer")),
      Timer1(Add<forms::Timer>("Timer1")),
      CommonDialog1(Add<forms::CommonDialog>("CommonDialog1")) {
  Caption.Init("Stavelark");
  BorderStyle.Init(2);
  StartUpPosition.Init(2);
  BackColor.Init(0xFFFFFF);
  Font.Init(WindowFont());
  Icon.Init(ResIcon());
  SetClientSize(14550, 10320);

  actrk.Checked.Init(false);
  ChkLoop.Checked.Init(false);
  // The mode pairs' marks before start-up sets them from the stored modes.
  KaroDis.Checked.Init(true);
  PPDis.Checked.Init(true);
  TeachOn.Checked.Init(true);

  DesignStaves();
  DesignTrackLabels();
  DesignGlyphPools();
  DesignTopStrip();
  DesignBottomStrip();
  DesignKeyboard();

  ScrollTimer.Interval.Init(10);
  ScrollTimer.Enabled.Init(true);
  TimerClock.Interval.Init(100);
  TimerClock.Enabled.Init(false);
  DelayTimer.Interval.Init(1000);
  DelayTimer.Enabled.Init(false);
  Timer1.Interval.Init(100);
  Timer1.Enabled.Init(false);
}

void Form1::DesignStaves() {
  // Staff lines, and the guide lines the toolbar's expanded scale shows.
  layout::DesignStaffLines(*this, 240, 10920, 960, 10800, 0x404040);
  // Staff ends.
  forms::Line* left[4] = {&Line1, &Line3, &Line5, &Line6};
  Line2.Design(4);
  forms::Line* right[4] = {&Line2[4], &Line4, &Line7, &Line8};
  for (int t = 0; t < 4; ++t) {
    PlaceLine(*left[t], 240, 1440 + 1440 * t, 240, 1920 + 1440 * t);
    PlaceLine(*right[t], 10920, 1440 + 1440 * t, 10920, 1920 + 1440 * t);
  }
  // Clefs: treble on every staff, the bass clef in place of track 2's when switched on.
  layout::DesignTrebleClefs(*this, 360);
  Place(Image5, 360, 2880, 375, 420);
  Image5.Picture.Init(ResPicture("bass_clef"));
  Image5.Visible.Init(false);
}

void Form1::DesignTrackLabels() {
  const forms::Font black = MakeFont("Arial Black", 9.75, 900);
  static const char* kBarCaptions[4] = {"1", "2 ", "3", "4"};
  for (int t = 0; t < 4; ++t) {
    forms::Label& b = MakeLabel(Bar.Design(t), kBarCaptions[t], 0, 1440 + 1440 * t, 255, 255, black);
    b.ForeColor.Init(t == 0 ? 0x000000 : 0xC0C0C0);
    b.ToolTipText.Init("Track (click to set)");
  }
  for (int t = 0; t < 4; ++t) {
    forms::Label& o = MakeLabel(OctLabel.Design(t), "4", 0, 1920 + 1440 * t, 255, 255, black);
    o.ForeColor.Init(0x00C0C0);
    o.ToolTipText.Init("Octave (click to set)");
  }
  for (int t = 0; t < 4; ++t) MakeLabel(InstLabel.Design(t), "00", 11040, 1560 + 1440 * t, 2655, 255, WindowFont());
  MakeLabel(Label3, "Instrument", 11160, 120, 975, 255, WindowFont());
  // The "Vol" labels beside each track's row of volume numbers.
  MakeLabel(Label11, "Vol", 360, 2200, 495, 255, WindowFont());
  MakeLabel(Label13, "Vol", 360, 3600, 615, 255, WindowFont());
  MakeLabel(Label1, "Vol", 360, 5080, 615, 255, WindowFont());
  MakeLabel(Label2, "Vol", 360, 6600, 615, 255, WindowFont());
  // The lyric row: its caption left of the first box.
  MakeLabel(Label9, "Lyrics", 105, 390, 735, 255, MakeFont("Arial Black", 8.25, 900));
  forms::TextBox& lyric = Lyric.Design(0);
  Place(lyric, 840, 360, 490, 315);
  lyric.Font.Init(WindowFont());
  MakeLabel(NoteNumber, "1", 1080, 6960, 735, 255, WindowFont());
}

void Form1::DesignGlyphPools() {
  forms::Label& vol = layout::DesignGlyphModels(*this, 1000, 940, 2200);
  vol.ToolTipText.Init("Click to set volume");
  // The rubber band of a rectangle selection.
  for (forms::Line* l : {&BufferStart, &BufferEnd, &BufferTop, &BufferBottom}) {
    PlaceLine(*l, 0, 0, 0, 0, 1, 0x8000);
    l->BorderStyle.Init(BorderStyle::Dot);
    l->Visible.Init(false);
  }
}

void Form1::DesignTopStrip() {
  static const char* kTips[22] = {"New", "Open MSF File", "Save MSF File", "Print Sheet Music File", "Cut", "Copy",
                                  "Paste", "Insert Note", "Delete Note", "Record", "Play", "Pause", "Stop",
                                  "Change Instrument", "Increase Pitch", "Decrease Pitch", "Increase Duration",
                                  "Decrease Duration", "Toggle Expanded Scale", "Increase volume",
                                  "Decrease volume", "Exit"};
  for (int i = 0; i < 22; ++i) {
    forms::Image& b = Toolbar.Design(i);
    Place(b, i * 360, 0, 360, 360);
    b.ToolTipText.Init(kTips[i]);
    b.Picture.Init(ResPicture("toolbar" + std::to_string(i)));
  }
  Place(List4, 7920, 0, 2895, 315);
  List4.BackColor.Init(0x000000);
  List4.ForeColor.Init(0xFF);
  List4.Font.Init(WindowFont());
  List4.Style.Init(forms::ComboStyle::DropDownList);
  List4.Text.Init("Combo1");
  List4.ToolTipText.Init("Select instrument then click inst number to the right of the bar");

  // The lamps lie over their toolbar buttons.
  Place(RecButt, 3240, 60, 375, 255);
  RecButt.ShapeKind.Init(ShapeKind::Circle);
  RecButt.FillStyle.Init(FillStyle::Solid);
  RecButt.FillColor.Init(0xFF);
  RecButt.BackStyle.Init(BackStyle::Opaque);
  RecButt.BackColor.Init(0xFF);
  for (int i = 0; i < 2; ++i) {
    forms::Shape& bar = PauseBar.Design(i);
    Place(bar, 4050, i == 0 ? 40 : 200, 200, 100);
    bar.FillStyle.Init(FillStyle::Solid);
    bar.FillColor.Init(0x808080);
  }
  Place(StopBox, 4380, 60, 240, 240);
  StopBox.FillStyle.Init(FillStyle::Solid);
  StopBox.FillColor.Init(0x808080);
  RecButt.ZOrder(0);
  PauseBar[0].ZOrder(0);
  PauseBar[1].ZOrder(0);
  StopBox.ZOrder(0);
}

void Form1::DesignBottomStrip() {
  // Scrolling.
  Place(ScrollBack, 480, 7080, 480, 480);
  ScrollBack.ToolTipText.Init("Scroll Left");
  ScrollBack.Picture.Init(ResPicture("arrow_left"));
  Place(ScrollUp, 10920, 7080, 480, 480);
  ScrollUp.ToolTipText.Init("Scroll Right");
  ScrollUp.Picture.Init(ResPicture("arrow_right"));
  Place(LocBox, 960, 7200, 9975, 255);
  LocBox.FillStyle.Init(FillStyle::Solid);
  LocBox.FillColor.Init(0xC0FFC0);
  LocBox.BackStyle.Init(BackStyle::Opaque);
  LocBox.BackColor.Init(0xC0FFC0);
  Place(SliderBar, 960, 7200, 9975, 255);
  SliderBar.Style.Init(ButtonStyle::Graphical);
  SliderBar.BackColor.Init(0xFF8080);
  SliderBar.ToolTipText.Init("Sheet Slider Control");
  SliderBar.TabStop.Init(false);

  // Duration palette over its backdrop.
  Place(Shape1, 960, 7680, 3495, 615);
  Shape1.BackStyle.Init(BackStyle::Opaque);
  Shape1.BackColor.Init(0x404040);
  for (int i = 0; i < 8; ++i) {
    forms::PictureBox& p = Picture2.Design(i);
    double left = i <= 5 ? 1080 + 480 * i : (i == 6 ? 480 : 3960);
    Place(p, left, 7680, 375, 615);
    p.BorderStyle.Init(0);
    p.BackColor.Init(0xFFFFFF);
    p.Picture.Init(ResPicture("duration" + std::to_string(i)));
    p.TabStop.Init(false);
    if (i == 6) p.Visible.Init(false);
  }
  // The marker frames the chosen entry, 92 twips out on each side.
  Place(DurBlok, 3 * 480 + 988, 7680 - 60, 375 + 2 * 92, 615 + 120);
  DurBlok.BorderColor.Init(0x00FFFF);
  DurBlok.BorderWidth.Init(3);

  MakeLabel(Label5, "Duration", 2280, 8280, 855, 255, WindowFont()).Alignment.Init(Alignment::Center);
  const forms::Font lcd = MakeFont("Arial", 9.75, 700);
  for (forms::Label* l : {&TimeDisplay, &NoteNumDisplay}) {
    l->Font.Init(lcd);
    l->BackStyle.Init(BackStyle::Opaque);
    l->BackColor.Init(0x000000);
    l->ForeColor.Init(0xFF);
    l->Alignment.Init(Alignment::Right);
  }
  Place(TimeDisplay, 4560, 7680, 1095, 255);
  TimeDisplay.Caption.Init("0:00.0");
  TimeDisplay.ToolTipText.Init("Song Time MN:SEC.TENTHS");
  Place(NoteNumDisplay, 4560, 7920, 1095, 255);
  NoteNumDisplay.Caption.Init("0");
  MakeLabel(Label7, "Timer", 5760, 7680, 975, 255, WindowFont());
  MakeLabel(Label10, "Note #", 5760, 7920, 855, 255, WindowFont());

  Place(DivControl, 6600, 7680, 2175, 495);
  DivControl.Min.Init(16);
  DivControl.Max.Init(127);
  DivControl.SmallChange.Init(1);
  DivControl.LargeChange.Init(10);
  DivControl.TickFrequency.Init(10);
  DivControl.Value.Init(64);
  DivControl.ToolTipText.Init("Set the Tempo");
  MakeLabel(Label8, "Tempo", 6840, 8280, 1575, 255, WindowFont()).Alignment.Init(Alignment::Center);
  Place(NoteVolume, 8760, 7680, 2175, 495);
  NoteVolume.Min.Init(1);
  NoteVolume.Max.Init(127);
  NoteVolume.SmallChange.Init(1);
  NoteVolume.LargeChange.Init(5);
  NoteVolume.TickFrequency.Init(10);
  NoteVolume.Value.Init(100);
  NoteVolume.ToolTipText.Init("Set Volume of a note");
  MakeLabel(Label6, "Note Volume", 9120, 8280, 1575, 255, WindowFont()).Alignment.Init(Alignment::Center);
  MakeLabel(Label12, "Master Volume", 12480, 8280, 1575, 255, WindowFont()).Alignment.Init(Alignment::Center);
  Place(Volslider, 12000, 8520, 2475, 925);
}

void Form1::DesignKeyboard() {
  static const char* kWhite[16] = {"B", "C", "D", "E", "F", "G", "A", "B", "C", "D", "E", "F", "G", "A", "B", "Pause"};
  static const char* kBlack[10] = {"C#", "D#", "F#", "G#", "A#", "C#", "D#", "F#", "G#", "A#"};
  static constexpr int kBlackLeft[10] = {1320, 2040, 3480, 4200, 4920, 6360, 7080, 8520, 9240, 9960};
  for (int i = 0; i < 16; ++i) {
    forms::CommandButton& k = Piano.Design(i);
    Place(k, 120 + 720 * i, 8520, 735, 1095);
    k.Style.Init(ButtonStyle::Graphical);
    k.BackColor.Init(0xCFF5FB);
    k.Caption.Init(kWhite[i]);
    k.Font.Init(MakeFont("MS Sans Serif", i <= 6 ? 8.25 : 9.75, 400));
  }
  // Black keys lie in front of the white ones.
  for (int i = 0; i < 10; ++i) {
    forms::CommandButton& k = Piano.Design(16 + i);
    Place(k, kBlackLeft[i], 8520, 495, 375);
    k.Style.Init(ButtonStyle::Graphical);
    k.BackColor.Init(0x000000);
    k.ForeColor.Init(0xFFFFFF);
    k.Caption.Init(kBlack[i]);
    k.ToolTipText.Init(kBlack[i]);
    k.Font.Init(MakeFont("MS Sans Serif", 9.75, 400));
  }
  // The keys take the first places of the tab order, left to right, the rest key last.
  int order = 0;
  for (int i = 0; i < 15; ++i) {
    Piano[i].TabIndex.Init(order++);
    for (int b = 0; b < 10; ++b)
      if (kBlackLeft[b] > 120 + 720 * i && kBlackLeft[b] < 120 + 720 * (i + 1)) Piano[16 + b].TabIndex.Init(order++);
  }
  Piano[15].TabIndex.Init(order++);

  // Marks under the keyboard at the middles of the keys E, G, B, D, F, joined at their feet.
  forms::Line* marks[5] = {&Line9, &Line10, &Line12, &Line13, &Line14};
  static constexpr int kMarkX[5] = {2640, 4080, 5520, 6960, 8400};
  for (int i = 0; i < 5; ++i) PlaceLine(*marks[i], kMarkX[i], 9600, kMarkX[i], 9840, 2);
  PlaceLine(Line11, 2640, 9840, 8400, 9840, 2);

  // Everything else follows the keys in the tab order.
  int next = 26;
  for (const auto& c : Controls())
    if (c->CanFocus() && !(c->Name() == "Piano")) c->TabIndex.Init(next++);
}

void Form1::Form_Load() {
  if (OnLoad) OnLoad();
}
void Form1::Form_Unload(int& Cancel) {
  if (OnUnload) OnUnload(Cancel);
}
void Form1::Form_Click() {
  if (OnClick) OnClick();
}
void Form1::Form_MouseDown(int Button, int Shift, double X, double Y) {
  if (OnMouseDown) OnMouseDown(Button, Shift, X, Y);
}
void Form1::Form_MouseMove(int Button, int Shift, double X, double Y) {
  if (OnMouseMove) OnMouseMove(Button, Shift, X, Y);
}
void Form1::Form_MouseUp(int Button, int Shift, double X, double Y) {
  if (OnMouseUp) OnMouseUp(Button, Shift, X, Y);
}
void Form1::Form_KeyDown(int& KeyCode, int Shift) {
  if (OnKeyDown) OnKeyDown(KeyCode, Shift);
}

}  // namespace stavelark

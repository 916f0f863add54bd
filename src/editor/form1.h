// The main window: menu bar, image toolbar, four staves with their glyph pools, lyric row,
// transport strip, sliders, on-screen piano and the master-volume slider. The constructor
// is the window's design; the handlers live in the program's topic classes, which Program
// wires to these controls.
#pragma once

#include "platform/forms/forms.h"

namespace stavelark {

class Program;

class Form1 final : public forms::Form {
 public:
  explicit Form1(Program& program);

  // ---- menu bar ----
  forms::Menu& file;
  forms::Menu& New;
  forms::Menu& Open;
  forms::Menu& Save;
  forms::Menu& SaveMidi;
  forms::Menu& PlayMIDI;
  forms::Menu& PrintSetup;
  forms::Menu& PrintPreview;
  forms::Menu& Print;
  forms::Menu& Exit;
  forms::Menu& Edit;
  forms::Menu& Cut;
  forms::Menu& copy;
  forms::Menu& paste;
  forms::Menu& Repeat;
  forms::Menu& Delete;
  forms::Menu& Insert;
  forms::Menu& SelectTrack;
  forms::Menu& SelectAll;
  forms::Menu& Cutstart;
  forms::Menu& Cutend;
  forms::Menu& noet;
  forms::Menu& high;
  forms::Menu& low;
  forms::Menu& long_;  // "long" is a keyword
  forms::Menu& short_;
  forms::Menu& incvol;
  forms::Menu& decvol;
  forms::Menu& changeinst;
  forms::Menu& FadeIn;
  forms::Menu& FadeOut;
  forms::Menu& Play;
  forms::Menu& PlayFull;
  forms::Menu& pause;
  forms::Menu& Stop;
  forms::Menu& sp1;
  forms::Menu& actrk;
  forms::Menu& PlayAct;
  forms::Menu& PlayStartActive;
  forms::Menu& PlayFrom;
  forms::Menu& ChkLoop;
  forms::Menu& tr;
  forms::Menu& t1;
  forms::Menu& t2;
  forms::Menu& t3;
  forms::Menu& t4;
  forms::Menu& sp2;
  forms::Menu& BassClef;
  forms::Menu& trktrk;
  forms::Menu& setoct;
  forms::Menu& ClrTrk;
  forms::Menu& ClearAll;
  forms::Menu& SPfx;
  forms::Menu& SetupFX;
  forms::Menu& distortion;
  forms::Menu& echo;
  forms::Menu& Chorus;
  forms::Menu& Flanger;
  forms::Menu& Compressor;
  forms::Menu& Gargle;
  forms::Menu& Para;
  forms::Menu& Reverb;
  forms::Menu& OptionMenu;
  forms::Menu& Kar;
  forms::Menu& KaroEn;
  forms::Menu& KaroDis;
  forms::Menu& PlayerPiano;
  forms::Menu& PPEn;
  forms::Menu& PPDis;
  forms::Menu& Teacher;
  forms::Menu& TeachOn;
  forms::Menu& TeachOff;
  forms::Menu& Helpy;
  forms::Menu& Help;
  forms::Menu& About;

  // ---- staves, clefs, guide lines ----
  forms::ControlArray<forms::Line> Scal{*this, "Scal"};
  forms::Image& Image1;
  forms::Image& Image2;
  forms::Image& Image3;
  forms::Image& Image4;
  forms::Image& Image5;
  forms::Line& Line1;
  forms::Line& Line3;
  forms::Line& Line5;
  forms::Line& Line6;
  forms::ControlArray<forms::Line> Line2{*this, "Line2"};
  forms::Line& Line4;
  forms::Line& Line7;
  forms::Line& Line8;

  // ---- track labels ----
  forms::ControlArray<forms::Label> Bar{*this, "Bar"};
  forms::ControlArray<forms::Label> OctLabel{*this, "OctLabel"};
  forms::ControlArray<forms::Label> InstLabel{*this, "InstLabel"};
  forms::Label& Label3;
  forms::Label& Label11;
  forms::Label& Label13;
  forms::Label& Label1;
  forms::Label& Label2;

  // ---- lyric row and position number ----
  forms::Label& Label9;
  forms::ControlArray<forms::TextBox> Lyric{*this, "Lyric"};
  forms::Label& NoteNumber;

  // ---- glyph pools (element 0 designed, 1..80 made at start-up) ----
  forms::ControlArray<forms::Shape> Music{*this, "Music"};
  forms::ControlArray<forms::Line> Tail{*this, "Tail"};
  forms::ControlArray<forms::Line> Clef1{*this, "Clef1"};
  forms::ControlArray<forms::Line> Clef2{*this, "Clef2"};
  forms::ControlArray<forms::Line> Clef3{*this, "Clef3"};
  forms::ControlArray<forms::Label> VolLabel{*this, "VolLabel"};
  forms::ControlArray<forms::Line> P1{*this, "P1"};
  forms::ControlArray<forms::Line> P2{*this, "P2"};
  forms::ControlArray<forms::Line> Sharpy1{*this, "Sharpy1"};
  forms::ControlArray<forms::Line> Sharpy2{*this, "Sharpy2"};
  forms::ControlArray<forms::Line> Sharpy3{*this, "Sharpy3"};
  forms::ControlArray<forms::Line> Sharpy4{*this, "Sharpy4"};

  // ---- rubber band ----
  forms::Line& BufferStart;
  forms::Line& BufferEnd;
  forms::Line& BufferTop;
  forms::Line& BufferBottom;

  // ---- toolbar and lamps ----
  forms::ControlArray<forms::Image> Toolbar{*this, "Toolbar"};
  forms::ComboBox& List4;
  forms::Shape& RecButt;
  forms::ControlArray<forms::Shape> PauseBar{*this, "PauseBar"};
  forms::Shape& StopBox;

  // ---- scrolling ----
  forms::Image& ScrollBack;
  forms::Image& ScrollUp;
  forms::Shape& LocBox;
  forms::CommandButton& SliderBar;

  // ---- strip under the staves ----
  forms::Shape& Shape1;
  forms::ControlArray<forms::PictureBox> Picture2{*this, "Picture2"};
  forms::Shape& DurBlok;
  forms::Label& Label5;
  forms::Label& TimeDisplay;
  forms::Label& Label7;
  forms::Label& NoteNumDisplay;
  forms::Label& Label10;
  forms::Slider& DivControl;
  forms::Label& Label8;
  forms::Slider& NoteVolume;
  forms::Label& Label6;
  forms::Label& Label12;
  forms::HostedControl& Volslider;

  // ---- keyboard ----
  forms::ControlArray<forms::CommandButton> Piano{*this, "Piano"};
  forms::Line& Line9;
  forms::Line& Line10;
  forms::Line& Line12;
  forms::Line& Line13;
  forms::Line& Line14;
  forms::Line& Line11;

  // ---- invisible controls ----
  forms::Timer& ScrollTimer;
  forms::Timer& TimerClock;
  forms::Timer& DelayTimer;
  forms::Timer& Timer1;
  forms::CommonDialog& CommonDialog1;

  // Event handlers of the window itself, forwarded by Program.
  std::function<void()> OnLoad;
  std::function<void(int& Cancel)> OnUnload;
  std::function<void()> OnClick;
  std::function<void(int Button, int Shift, double X, double Y)> OnMouseDown, OnMouseMove, OnMouseUp;
  std::function<void(int& KeyCode, int Shift)> OnKeyDown;

  void Form_Load() override;
  void Form_Unload(int& Cancel) override;
  void Form_Click() override;
  void Form_MouseDown(int Button, int Shift, double X, double Y) override;
  void Form_MouseMove(int Button, int Shift, double X, double Y) override;
  void Form_MouseUp(int Button, int Shift, double X, double Y) override;
  void Form_KeyDown(int& KeyCode, int Shift) override;

 private:
  void DesignStaves();
  void DesignGlyphPools();
  void DesignTrackLabels();
  void DesignTopStrip();
  void DesignBottomStrip();
  void DesignKeyboard();
};

}  // namespace stavelark

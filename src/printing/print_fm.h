// The page window: one printed page of the score (20 positions of the four staves with the
// lyric row, title, author and page number), and the print preview's buttons.
#pragma once

#include "platform/forms/forms.h"

namespace stavelark {

class Program;

class PrintFm final : public forms::Form {
 public:
  explicit PrintFm(Program& program);

  forms::Label& PrintTitle;
  forms::Label& Author;
  forms::ControlArray<forms::Label> Bar{*this, "Bar"};
  forms::ControlArray<forms::Label> OctLabel{*this, "OctLabel"};
  forms::Label& Label11;
  forms::Label& Label13;
  forms::Label& Label1;
  forms::Label& Label2;
  forms::Label& Label9;
  forms::ControlArray<forms::TextBox> Lyric{*this, "Lyric"};
  forms::ControlArray<forms::Label> InstLabel{*this, "InstLabel"};
  forms::TextBox& PreviewBox;
  forms::CommandButton& Previous;
  forms::CommandButton& Nex;
  forms::CommandButton& Clos;
  forms::Label& printpage;
  forms::Timer& PrintTimer;

  forms::ControlArray<forms::Line> Scal{*this, "Scal"};
  forms::Image& Image1;
  forms::Image& Image2;
  forms::Image& Image3;
  forms::Image& Image4;
  forms::PictureBox& Picture1;

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

  // First use: the glyph cells 1..80 and the lyric boxes 1..19.
  void Form_Load() override;
  // Closing the window by its frame is the preview's Close; the window stays for the next use.
  void Form_QueryUnload(int& Cancel, int UnloadMode) override;
  void Form_Terminate() override;

  // The preview's buttons answer through the print state word.
  void Nex_Click();
  void Previous_Click();
  void Clos_Click();
  // Every 100 ms while printing: a page waiting for the printer ("PRINT") is printed.
  void PrintTimer_Timer();

  // Set when printing a page failed; the Print command then ends.
  bool PrintFailed = false;

 private:
  Program& program_;
};

}  // namespace stavelark

// Print, Print Preview and Print Setup, and the page renderer.
//
// A page is 20 positions of the four tracks, laid out in the page window (PrintFm) with the
// same kind of glyph cells as the main window's score; the window's client area is then
// printed, or shown as the preview. The commands, the print dialog (PrintQuery) and the page
// window talk only through the print state word `PrintState`.
#pragma once

namespace stavelark {

class Form1;
class Program;

class PrintCommands {
 public:
  explicit PrintCommands(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

  // Asks for the pages and copies, then prints each copy as a run of pages, all in one print
  // job. Refused while the preview or the print dialog is open, or a print is under way.
  void Print_Click();
  // Shows the pages one at a time in the page window, with Next, Previous and Close.
  void PrintPreview_Click();
  // The printer's page set-up dialog; nothing is read back.
  void PrintSetup_Click();

  // Shows one note in page cell `cell` (track * 20 + column, columns 1..20): the main
  // window's glyph rules, with the page's column offsets and staff heights. Cells outside
  // 1..80 show nothing.
  void DrawPageNoteGlyph(int cell, int pitch, int duration, int volume);

 private:
  // Lays out page `page`, whose first position is `firstPosition` (one that fits the model).
  void FillPage(int page, int firstPosition);
  // Runs the copies of a print once the range is known; a failure ends it.
  void PrintCopies(int firstPage, int lastPage, double copies);

  Program& p_;
  bool printing_ = false;  // a print is between its pages
};

}  // namespace stavelark

#include "printing/printing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>

#include "editor/form1.h"
#include "project/option_form.h"
#include "editor/program.h"
#include "editor/score_display.h"
#include "editor/score_layout.h"
#include "editor/startup.h"
#include "platform/basic/basic.h"
#include "printing/print_fm.h"
#include "printing/print_query.h"

namespace stavelark {

namespace {

constexpr int kPageCells = kCells;  // page cells are 1..80
constexpr int kPositionsPerPage = kColumns;
// The page of the model's last position (10000): it shows that position and nineteen empty
// columns, as the page count of a full track offers it.
constexpr int kLastPage = (kPositions - 1) / kPositionsPerPage + 1;
constexpr int kPrintSetupFlags = 64;  // the printer dialog's page set-up form

// Per track on the page: the staff base (head top of step 0) and the volume labels' row.
constexpr std::array<int, kTracks> kPageStaffBase = {2080, 3540, 5000, 6440};
constexpr std::array<int, kTracks> kPageVolLabelTop = {2160, 3620, 5080, 6520};
constexpr std::array<layout::RestStrokes, kTracks> kPageRest = {{
    {1580, 1700, 1680, 1840},
    {2980, 3100, 3080, 3240},
    {4400, 4520, 4500, 4660},
    {5820, 5940, 5920, 6080},
}};

bool PageFits(int page) { return page >= 1 && page <= kLastPage; }
int FirstPositionOf(int page) { return (page - 1) * kPositionsPerPage; }

// A page number typed into the dialog, rounded to a whole number (halves to the even one, so
// "1.5" is page 2 and "2.5" page 2 too), or nothing when the text is no number.
std::optional<double> PageNumber(const std::string& text) {
  const std::optional<double> v = basic::ToNumber(text);
  if (!v || !std::isfinite(*v)) return std::nullopt;
  return basic::RoundHalfEven(*v);
}

// Runs `end` when the scope is left, however it is left.
template <typename F>
class AtExit {
 public:
  explicit AtExit(F f) : f_(std::move(f)) {}
  ~AtExit() { f_(); }
  AtExit(const AtExit&) = delete;
  AtExit& operator=(const AtExit&) = delete;

 private:
  F f_;
};

}  // namespace

void PrintCommands::Wire(Form1& form) {
  form.Print.Click = [this] { Print_Click(); };
  form.PrintPreview.Click = [this] { PrintPreview_Click(); };
  form.PrintSetup.Click = [this] { PrintSetup_Click(); };
}

void PrintCommands::Print_Click() {
  Globals& g = p_.G;
  if (printing_) return;
  if (p_.HasPrintFm() && p_.PrintFm().Visible()) return;
  g.ComputeScoreLength();
  if (p_.HasPrintQuery() && p_.PrintQuery().Visible()) return;
  printing_ = true;
  AtExit done([this] { printing_ = false; });

  // A length that is a multiple of 20 ends with a page without notes.
  const int pageCount = static_cast<int>(basic::Int(g.ScoreLength / kPositionsPerPage)) + 1;
  PrintQuery& dialog = p_.PrintQuery();
  dialog.From.Text = "1";
  dialog.Too.Text = basic::CStr(pageCount);
  dialog.Show();
  g.PrintState = "CHOICE";
  while (basic::TextEquals(g.PrintState, "CHOICE")) p_.Ws.DoEvents();
  if (basic::TextEquals(g.PrintState, "CANC")) return;
  dialog.Hide();

  double first = 1;
  double last = pageCount;
  if (!dialog.PrintAll.Value()) {
    const std::optional<double> from = PageNumber(dialog.From.Text());
    const std::optional<double> to = PageNumber(dialog.Too.Text());
    if (!from || !to) {
      g.PrintState = "WAIT";
      return;
    }
    first = *from;
    last = std::min(*to, last);
  }
  // Pages before the first one or past the model's last print nothing.
  first = std::max(first, 1.0);
  last = std::max(0.0, std::min(last, static_cast<double>(kLastPage)));
  const double copies = basic::Val(dialog.Copies.Caption());
  PrintCopies(static_cast<int>(std::min(first, last + 1)), static_cast<int>(last), copies);
}

void PrintCommands::PrintCopies(int firstPage, int lastPage, double copies) {
  Globals& g = p_.G;
  PrintFm& window = p_.PrintFm();
  window.PrintFailed = false;
  p_.Ws.BeginPrintJob();
  AtExit end([&] {
    window.PrintTimer.Enabled = false;
    window.Hide();
    p_.Ws.EndPrintJob();
  });
  g.PrintState = "WAIT";
  try {
    for (double copy = 1; copy <= copies; ++copy) {
      g.PrintState = "WAIT";
      for (forms::Control* c : std::initializer_list<forms::Control*>{&window.PreviewBox, &window.Nex,
                                                                        &window.Previous, &window.Clos})
        c->Visible = false;
      window.PrintTimer.Enabled = true;
      window.PrintTitle.Caption = g.CompositionName;
      window.Author.Caption = p_.OptionForm().CompAuthor.Text();
      for (int page = firstPage; page <= lastPage; ++page) {
        FillPage(page, FirstPositionOf(page));
        // The page window's timer prints the page during the wait; a page it did not get to
        // is printed here, so that every page comes out once per copy.
        g.PrintState = "PRINT";
        p_.Startup().WaitDelay();
        if (g.PrintState == "PRINT") {
          g.PrintState = "WAIT";
          window.PrintForm();
        }
        g.PrintState = "WAIT";
        if (window.PrintFailed) return;
      }
    }
  } catch (const basic::RuntimeError&) {
    // A failure ends the print silently; pages already printed stay printed.
  }
}

void PrintCommands::PrintPreview_Click() {
  Globals& g = p_.G;
  if (p_.HasPrintFm() && p_.PrintFm().Visible()) p_.PrintFm().ZOrder();
  if (p_.HasPrintQuery() && p_.PrintQuery().Visible()) return;
  if (printing_) return;

  PrintFm& window = p_.PrintFm();
  int page = 1;
  window.PreviewBox.Visible = true;
  window.Previous.Enabled = false;
  window.Clos.Visible = true;
  window.Nex.Visible = true;
  window.Previous.Visible = true;
  window.Caption = "Print Preview";
  window.Show();
  g.PrintState = "PREVIEW";
  window.PrintTitle.Caption = g.CompositionName;
  window.Author.Caption = p_.OptionForm().CompAuthor.Text();

  int first = 0;
  window.Nex.Enabled = true;
  g.ComputeScoreLength();
  const double length = g.ScoreLength;
  if (length < 21) window.Nex.Enabled = false;

  for (;;) {
    FillPage(page, first);
    g.PrintState = "WAIT";
    for (bool moved = false; !moved;) {
      p_.Ws.DoEvents();
      if (basic::TextEquals(g.PrintState, "WAIT")) continue;
      if (basic::TextEquals(g.PrintState, "NEXT")) {
        // Never past the model's last page.
        if (first < length && PageFits(page + 1)) {
          first += kPositionsPerPage;
          ++page;
          if (first + kPositionsPerPage > length || !PageFits(page + 1)) window.Nex.Enabled = false;
          window.Previous.Enabled = true;
          moved = true;
        } else {
          g.PrintState = "WAIT";
        }
      } else if (basic::TextEquals(g.PrintState, "PREVIOUS")) {
        if (first - kPositionsPerPage >= 0) {
          first -= kPositionsPerPage;
          --page;
          if (page == 1) window.Previous.Enabled = false;
          window.Nex.Enabled = true;
          moved = true;
        } else {
          g.PrintState = "WAIT";
        }
      } else {
        window.PrintTimer.Enabled = false;
        window.Hide();
        return;
      }
    }
  }
}

void PrintCommands::PrintSetup_Click() {
  forms::CommonDialog& dialog = p_.Form1().CommonDialog1;
  try {
    dialog.CancelError = true;
    dialog.Flags = kPrintSetupFlags;
    dialog.ShowPrinter();
  } catch (const basic::RuntimeError&) {
    // cancelled, or no printer to set up
  }
}

void PrintCommands::FillPage(int page, int firstPosition) {
  const Globals& g = p_.G;
  PrintFm& w = p_.PrintFm();
  w.printpage.Caption = "Page " + basic::Str(page);
  for (int cell = 1; cell <= kPageCells; ++cell) {
    for (auto* pool : {&w.Clef1, &w.Clef2, &w.Clef3}) (*pool)[cell].Visible = false;
    w.Music[cell].Visible = false;
    w.VolLabel[cell].Caption = std::string();
    for (auto* pool : {&w.Tail, &w.P1, &w.P2, &w.Sharpy1, &w.Sharpy2, &w.Sharpy3, &w.Sharpy4})
      (*pool)[cell].Visible = false;
  }
  for (int c = 0; c < kColumns; ++c) {
    const int pos = firstPosition + c;
    w.Lyric[c].Text = pos < kPositions ? g.Lyrics[static_cast<size_t>(pos)] : std::string();
  }
  for (int t = 0; t < kTracks; ++t) {
    const size_t track = static_cast<size_t>(t);
    const int count = g.NoteCount[track];
    for (int column = 1; column <= kColumns && firstPosition + column <= count; ++column) {
      const size_t pos = static_cast<size_t>(firstPosition + column - 1);
      DrawPageNoteGlyph(t * kColumns + column, g.NotePitch[track][pos], g.NoteDuration[track][pos],
                        g.NoteVol[track][pos]);
    }
  }
  Form1& f = p_.Form1();
  for (int t = 0; t < kTracks; ++t) {
    // Only the first page names the instruments; every page gives the octaves.
    w.InstLabel[t].Caption = page == 1 ? "Track " + basic::Str(t + 1) + "= " + f.InstLabel[t].Caption() : "";
    w.OctLabel[t].Caption = basic::CStr(g.TrackOctave[static_cast<size_t>(t)]);
  }
}

void PrintCommands::DrawPageNoteGlyph(int cell, int pitch, int duration, int volume) {
  if (cell < 1 || cell > kPageCells) return;
  PrintFm& w = p_.PrintFm();
  const int track = (cell - 1) / kColumns;
  const int column = cell - kColumns * track;  // 1..20
  // Page column k stands where the main window's column k - 1 stands.
  const double x0 = 500.0 * (column - 1);

  const size_t t = static_cast<size_t>(track);
  layout::PlaceNoteGlyph(w, cell, track, x0, pitch, duration, volume, kPageStaffBase[t], kPageVolLabelTop[t],
                         kPageRest[t]);
}

}  // namespace stavelark

#include "editor/score_display.h"

#include <algorithm>
#include <array>
#include <string>

#include "editor/form1.h"
#include "editor/program.h"
#include "editor/score_layout.h"
#include "editor/scrolling.h"
#include "platform/basic/basic.h"
#include "printing/print_fm.h"

namespace stavelark {

namespace {

constexpr int kColumnWidth = 500;
// The pool elements run 0..80; element 80 exists for the pools' sake but no band owns it.
constexpr int kLastPoolCell = kCells;

// The staff step of each code of the two octaves, sharps sharing their natural's step.
constexpr std::array<int, 25> kStepOfPitch = {1, 2, 2, 3, 3, 4, 5, 5, 6, 6, 7, 7, 8,
                                              9, 9, 10, 10, 11, 12, 12, 13, 13, 14, 14, 15};

// Per track: the staff base (head top of step 0) and the volume labels' row.
constexpr std::array<int, kTracks> kStaffBase = {2120, 3520, 4960, 6400};
constexpr std::array<int, kTracks> kVolLabelTop = {2200, 3620, 5100, 6570};

// Per track: the rest sign's two strokes.
constexpr std::array<layout::RestStrokes, kTracks> kRest = {{
    {1620, 1740, 1680, 1880},
    {3020, 3140, 3120, 3280},
    {4440, 4560, 4540, 4700},
    {5860, 5980, 5960, 6120},
}};

constexpr forms::Color kBlack = 0;
constexpr forms::Color kSelected = 0xFF;

// The track whose band holds a display cell, or -1 for a number outside the four bands.
int BandOf(int cell) { return cell >= 0 && cell < kCells ? cell / kColumns : -1; }

}  // namespace

int StaffStep(int pitch) {
  if (pitch >= 0 && pitch < static_cast<int>(kStepOfPitch.size())) return kStepOfPitch[static_cast<size_t>(pitch)];
  return pitch;
}

bool IsSharpPitch(int pitch) {
  switch (pitch) {
    case 2: case 4: case 7: case 9: case 11: case 14: case 16: case 19: case 21: case 23: return true;
    default: return false;
  }
}

void ScoreDisplay::Wire(Form1& form) {
  // The user's switch is a change the project file keeps (Open switches it too, unchanged).
  form.BassClef.Click = [this] {
    BassClef_Click();
    p_.G.Modified = true;
  };
}

void ScoreDisplay::DrawNoteGlyph(int cell, int pitch, int duration, int volume) {
  // Only the four bands are on screen: element 80 of the pools is never shown.
  const int track = BandOf(cell);
  if (track < 0) return;
  const size_t t = static_cast<size_t>(track);
  const double x0 = static_cast<double>(kColumnWidth) * (cell - kColumns * track);
  layout::PlaceNoteGlyph(p_.Form1(), cell, track, x0, pitch, duration, volume, kStaffBase[t], kVolLabelTop[t], kRest[t]);
}

void ScoreDisplay::RedrawScore() {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  ClearSelectionHighlight();

  const int scroll = g.ScrollPos;
  for (int c = 0; c < kColumns; ++c) {
    const int pos = scroll + c;
    // No position lies beyond the last one; such boxes stay empty.
    f.Lyric[c].Text = pos >= 0 && pos < kPositions ? g.Lyrics[static_cast<size_t>(pos)] : std::string();
  }
  f.NoteNumber.Caption = std::to_string(scroll + 1);

  // Every cell ends as if it had been emptied and then drawn, but each part is written only
  // with its final value, so a redraw that changes little costs little on screen.
  for (int cell = 0; cell < kCells; ++cell) {
    const int t = cell / kColumns;
    const int pos = scroll + cell % kColumns;
    const bool hasNote = pos >= 0 && pos < g.NoteCount[static_cast<size_t>(t)] && pos < kPositions;
    const int pitch = hasNote ? g.NotePitch[static_cast<size_t>(t)][static_cast<size_t>(pos)] : 0;
    const int duration = hasNote ? g.NoteDuration[static_cast<size_t>(t)][static_cast<size_t>(pos)] : 0;
    const bool rest = hasNote && pitch == kRestPitch;
    const bool note = hasNote && !rest;

    if (!note) {
      // Nothing or a rest: no note parts, and an empty volume label.
      f.Music[cell].Visible = false;
      for (auto* pool : {&f.Tail, &f.Clef1, &f.Clef2, &f.Clef3, &f.Sharpy1, &f.Sharpy2, &f.Sharpy3, &f.Sharpy4})
        (*pool)[cell].Visible = false;
      f.VolLabel[cell].Caption = std::string();
    } else if (duration > 7) {
      // Drawing such a note leaves flags and stem as they are: they must be gone first.
      for (auto* pool : {&f.Tail, &f.Clef1, &f.Clef2, &f.Clef3}) (*pool)[cell].Visible = false;
    }
    if (!rest) {
      f.P1[cell].Visible = false;
      f.P2[cell].Visible = false;
    }
    if (hasNote) DrawNoteGlyph(cell, pitch, duration, g.NoteVol[static_cast<size_t>(t)][static_cast<size_t>(pos)]);
  }

  p_.Scrolling().UpdateScrollThumb();
}

void ScoreDisplay::SetCellColour(Form1& f, int cell, forms::Color colour) {
  static_assert(kPoolCells == kLastPoolCell + 1);
  const bool kept = cell >= 0 && cell < kPoolCells;
  if (kept && cellColour_[cell] == colour) return;
  for (auto* pool : {&f.Clef1, &f.Clef2, &f.Clef3, &f.Tail, &f.P1, &f.P2, &f.Sharpy1, &f.Sharpy2, &f.Sharpy3,
                     &f.Sharpy4})
    (*pool)[cell].BorderColor = colour;
  forms::Shape& head = f.Music[cell];
  head.BorderColor = colour;
  head.FillColor = colour;
  if (kept) cellColour_[cell] = colour;
}

void ScoreDisplay::HighlightSelection() {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  // The columns are kept as single-precision numbers; they count as the nearest whole ones.
  // Tracks and columns outside the score's cells colour nothing.
  auto column = [](float v) {
    const double r = basic::RoundHalfEven(v);
    if (!(r > -1)) return -1;  // NaN too
    return r > kColumns ? kColumns : static_cast<int>(r);
  };
  const int colFrom = std::max(0, column(g.SelColFrom));
  const int colTo = std::min(kColumns - 1, column(g.SelColTo));
  const int trackFrom = std::max<int>(0, g.SelTrackFrom);
  const int trackTo = std::min<int>(kTracks - 1, g.SelTrackTo);
  for (int t = trackFrom; t <= trackTo; ++t)
    for (int c = colFrom; c <= colTo; ++c) SetCellColour(f, t * kColumns + c, kSelected);
  g.SelectionActive = true;
}

void ScoreDisplay::ClearSelectionHighlight() {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  g.SelectionActive = false;
  for (int cell = 0; cell <= kLastPoolCell; ++cell) SetCellColour(f, cell, kBlack);
  for (forms::Line* l : {&f.BufferStart, &f.BufferEnd, &f.BufferTop, &f.BufferBottom}) l->Visible = false;
  g.SelColFrom = -1;
  g.SelColTo = -1;
}

void ScoreDisplay::BassClef_Click() {
  Form1& f = p_.Form1();
  PrintFm& page = p_.PrintFm();
  if (f.BassClef.Checked) {
    f.BassClef.Checked = false;
    f.Image2.Visible = true;
    f.Image5.Visible = false;
    page.Image2.Visible = true;
    page.Picture1.Visible = false;
    return;
  }
  f.BassClef.Checked = true;
  f.Image2.Visible = false;
  f.Image5.Visible = true;
  page.Image2.Visible = false;
  page.Picture1.Visible = true;
  // Track 2 reads two octaves lower under a bass clef; only its label says so, the stored
  // octave (which playing and saving use) stays.
  const double octave = basic::Val(f.OctLabel[0].Caption());
  if (octave > 3) f.OctLabel[1].Caption = basic::CStr(octave - 2);
}

}  // namespace stavelark

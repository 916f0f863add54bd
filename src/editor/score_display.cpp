#include "editor/score_display.h"

#include <algorithm>
#include <array>
#include <string>

#include "editor/form1.h"
#include "editor/program.h"
#include "editor/scrolling.h"
#include "platform/basic/basic.h"
#include "printing/print_fm.h"

namespace stavelark {

namespace {

constexpr int kStaffStep = 60;  // twips per staff step
constexpr int kColumnWidth = 500;
// The pool elements run 0..80; element 80 exists for the pools' sake but no band owns it.
constexpr int kLastPoolCell = kCells;

// The staff step of each code of the two octaves, sharps sharing their natural's step.
constexpr std::array<int, 25> kStepOfPitch = {1, 2, 2, 3, 3, 4, 5, 5, 6, 6, 7, 7, 8,
                                              9, 9, 10, 10, 11, 12, 12, 13, 13, 14, 14, 15};

// Per track: the staff base (head top of step 0) and the volume labels' row.
constexpr std::array<int, kTracks> kStaffBase = {2120, 3520, 4960, 6400};
constexpr std::array<int, kTracks> kVolLabelTop = {2200, 3620, 5100, 6570};

// Per track: the rest sign's two strokes, heights only (x is fixed against the column).
struct RestStrokes {
  int p1From, p1To, p2From, p2To;
};
constexpr std::array<RestStrokes, kTracks> kRest = {{
    {1620, 1740, 1680, 1880},
    {3020, 3140, 3120, 3280},
    {4440, 4560, 4540, 4700},
    {5860, 5980, 5960, 6120},
}};

constexpr forms::Color kBlack = 0;
constexpr forms::Color kSelected = 0xFF;

void PlaceLine(forms::Line& l, double x1, double y1, double x2, double y2) {
  l.X1 = x1;
  l.Y1 = y1;
  l.X2 = x2;
  l.Y2 = y2;
}

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

void ScoreDisplay::Wire(Form1& form) { form.BassClef.Click = [this] { BassClef_Click(); }; }

void ScoreDisplay::DrawNoteGlyph(int cell, int pitch, int duration, int volume) {
  // Only the four bands are on screen: element 80 of the pools is never shown.
  const int track = BandOf(cell);
  if (track < 0) return;
  Form1& f = p_.Form1();
  const double x0 = static_cast<double>(kColumnWidth) * (cell - kColumns * track);

  if (pitch == kRestPitch) {
    forms::Line& p1 = f.P1[cell];
    forms::Line& p2 = f.P2[cell];
    p1.Visible = true;
    p2.Visible = true;
    const RestStrokes& r = kRest[static_cast<size_t>(track)];
    PlaceLine(p1, x0 + 1000, r.p1From, x0 + 1240, r.p1To);
    PlaceLine(p2, x0 + 1120, r.p2From, x0 + 1000, r.p2To);
    return;
  }

  forms::Shape& head = f.Music[cell];
  forms::Line& stem = f.Tail[cell];
  forms::Line& flag1 = f.Clef1[cell];
  forms::Line& flag2 = f.Clef2[cell];
  forms::Line& flag3 = f.Clef3[cell];
  forms::Label& vol = f.VolLabel[cell];

  // Each part's visibility is written once, with its final value: the head shows for every
  // code but the two rests; a code outside the palette leaves flags, stem and fill alone.
  const bool known = duration >= 0 && duration <= 7;
  head.Visible = !(duration == 6 || duration == 7);
  vol.Visible = true;
  if (known) {
    flag1.Visible = duration <= 2;
    flag2.Visible = duration <= 1;
    flag3.Visible = duration == 0;
    stem.Visible = duration <= 4;
    if (duration <= 3) head.FillStyle = forms::FillStyle::Solid;
    else if (duration <= 5) head.FillStyle = forms::FillStyle::Transparent;
  }
  vol.Caption = std::to_string(volume);

  // In double: a code from outside may be any 16-bit value and land far off the staff.
  const double y = kStaffBase[static_cast<size_t>(track)] - static_cast<double>(kStaffStep) * StaffStep(pitch);

  forms::Line* sharp[4] = {&f.Sharpy1[cell], &f.Sharpy2[cell], &f.Sharpy3[cell], &f.Sharpy4[cell]};
  if (IsSharpPitch(pitch)) {
    PlaceLine(*sharp[0], x0 + 860, y, x0 + 860, y + 140);
    PlaceLine(*sharp[1], x0 + 920, y, x0 + 920, y + 140);
    PlaceLine(*sharp[2], x0 + 840, y + 20, x0 + 960, y + 20);
    PlaceLine(*sharp[3], x0 + 840, y + 100, x0 + 960, y + 100);
    for (forms::Line* s : sharp) s->Visible = true;
  } else {
    for (forms::Line* s : sharp) s->Visible = false;
  }

  head.Top = y;
  head.Left = x0 + 1000;
  PlaceLine(stem, x0 + 1160, y - 240, x0 + 1160, y + 60);
  vol.Left = x0 + 940;
  // Track 1's labels keep the row they were made in.
  if (track > 0) vol.Top = kVolLabelTop[static_cast<size_t>(track)];
  PlaceLine(flag1, x0 + 1160, y - 240, x0 + 1260, y - 190);
  PlaceLine(flag2, x0 + 1160, y - 180, x0 + 1260, y - 130);
  PlaceLine(flag3, x0 + 1160, y - 120, x0 + 1260, y - 70);
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
  for (auto* pool : {&f.Clef1, &f.Clef2, &f.Clef3, &f.Tail, &f.P1, &f.P2, &f.Sharpy1, &f.Sharpy2, &f.Sharpy3,
                     &f.Sharpy4})
    (*pool)[cell].BorderColor = colour;
  forms::Shape& head = f.Music[cell];
  head.BorderColor = colour;
  head.FillColor = colour;
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

// The parts of a score window that the main window and the printed page share: the staves'
// heights, and element 0 of each note-glyph pool (the model its display cells copy).
#pragma once

#include <string>

#include "editor/design.h"
#include "editor/globals.h"
#include "editor/score_display.h"
#include "platform/forms/forms.h"

namespace stavelark::layout {

// Staff lines by their index in `Scal`: five per track, top to bottom within each staff.
inline constexpr int kStaffLineY[20] = {1440, 1560, 1680, 1800, 5760, 2880, 3000, 3120, 3240, 3360,
                                        4800, 4680, 4560, 4440, 4320, 6240, 6120, 6000, 5880, 1920};
// Dashed guide lines one step above and below each staff (`Scal(20..27)`).
inline constexpr int kGuideLineY[8] = {1320, 2760, 3480, 4200, 4920, 6360, 2040, 5640};

// The staves of a score window: lines from x1 to x2, guide lines from g1 to g2 (hidden).
template <typename W>
void DesignStaffLines(W& w, double x1, double x2, double g1, double g2, forms::Color guideColour) {
  for (int i = 0; i < 20; ++i) design::PlaceLine(w.Scal.Design(i), x1, kStaffLineY[i], x2, kStaffLineY[i]);
  for (int i = 0; i < 8; ++i) {
    forms::Line& g = w.Scal.Design(20 + i);
    design::PlaceLine(g, g1, kGuideLineY[i], g2, kGuideLineY[i], 1, guideColour);
    g.BorderStyle.Init(forms::BorderStyle::Dash);
    g.Visible.Init(false);
  }
}

// The treble clefs at the start of the four staves (30 x 50 pixel pictures).
template <typename W>
void DesignTrebleClefs(W& w, double left) {
  const forms::Picture treble = design::ResPicture("treble_clef");
  forms::Image* clefs[4] = {&w.Image1, &w.Image2, &w.Image3, &w.Image4};
  for (int t = 0; t < 4; ++t) {
    design::Place(*clefs[t], left, 1320 + 1440 * t, 450, 750);
    clefs[t]->Picture.Init(treble);
  }
}

// Element 0 of the twelve glyph pools: an oval head 195 x 150 with a 2-pixel border, 2-pixel
// stem, flags and rest strokes, 1-pixel sharp strokes (all hidden), and the volume label.
template <typename W>
forms::Label& DesignGlyphModels(W& w, double headLeft, double volLeft, double volTop) {
  forms::Shape& head = w.Music.Design(0);
  design::Place(head, headLeft, 1840, 195, 150);
  head.ShapeKind.Init(forms::ShapeKind::Oval);
  head.BorderWidth.Init(2);
  head.BorderColor.Init(0);
  head.FillColor.Init(0);
  head.FillStyle.Init(forms::FillStyle::Solid);
  head.Visible.Init(false);
  for (auto* pool : {&w.Tail, &w.Clef1, &w.Clef2, &w.Clef3, &w.P1, &w.P2}) {
    forms::Line& l = pool->Design(0);
    design::PlaceLine(l, 0, 0, 0, 0, 2);
    l.Visible.Init(false);
  }
  for (auto* pool : {&w.Sharpy1, &w.Sharpy2, &w.Sharpy3, &w.Sharpy4}) {
    forms::Line& l = pool->Design(0);
    design::PlaceLine(l, 0, 0, 0, 0, 1);
    l.Visible.Init(false);
  }
  return design::MakeLabel(w.VolLabel.Design(0), "", volLeft, volTop, 375, 255, design::WindowFont());
}

// Heights of a rest sign's two strokes on one staff (x is fixed against the column).
struct RestStrokes {
  int p1From, p1To, p2From, p2To;
};

inline void PlaceStroke(forms::Line& l, double x1, double y1, double x2, double y2) {
  l.X1 = x1;
  l.Y1 = y1;
  l.X2 = x2;
  l.Y2 = y2;
}

// Shows one note in display cell `cell` of a score window (the main window or the page) whose
// column starts at x0: its head at x0 + 1000, stem, flags, sharp and volume label, or only the
// two rest strokes for a rest. `staffBase` is the head top of step 0 on the cell's staff; the
// volume label takes `volTop` except on the first staff, whose labels keep the row they were
// made in. A rest leaves the rest of the cell as it was; a note leaves rest strokes shown; a
// duration code outside the palette leaves flags, stem and fill alone.
template <typename W>
void PlaceNoteGlyph(W& w, int cell, int track, double x0, int pitch, int duration, int volume, double staffBase,
                    double volTop, const RestStrokes& rest) {
  if (pitch == kRestPitch) {
    forms::Line& p1 = w.P1[cell];
    forms::Line& p2 = w.P2[cell];
    p1.Visible = true;
    p2.Visible = true;
    PlaceStroke(p1, x0 + 1000, rest.p1From, x0 + 1240, rest.p1To);
    PlaceStroke(p2, x0 + 1120, rest.p2From, x0 + 1000, rest.p2To);
    return;
  }
  forms::Shape& head = w.Music[cell];
  forms::Line& stem = w.Tail[cell];
  forms::Line& flag1 = w.Clef1[cell];
  forms::Line& flag2 = w.Clef2[cell];
  forms::Line& flag3 = w.Clef3[cell];
  forms::Label& vol = w.VolLabel[cell];

  // Each part's visibility is written once, with its final value: the head shows for every
  // code but the two rests.
  head.Visible = !(duration == 6 || duration == 7);
  vol.Visible = true;
  if (duration >= 0 && duration <= 7) {
    flag1.Visible = duration <= 2;
    flag2.Visible = duration <= 1;
    flag3.Visible = duration == 0;
    stem.Visible = duration <= 4;
    if (duration <= 3) head.FillStyle = forms::FillStyle::Solid;
    else if (duration <= 5) head.FillStyle = forms::FillStyle::Transparent;
  }
  vol.Caption = std::to_string(volume);

  // In double: a code from outside may be any 16-bit value and land far off the staff.
  const double y = staffBase - 60.0 * StaffStep(pitch);
  forms::Line* sharp[4] = {&w.Sharpy1[cell], &w.Sharpy2[cell], &w.Sharpy3[cell], &w.Sharpy4[cell]};
  if (IsSharpPitch(pitch)) {
    PlaceStroke(*sharp[0], x0 + 860, y, x0 + 860, y + 140);
    PlaceStroke(*sharp[1], x0 + 920, y, x0 + 920, y + 140);
    PlaceStroke(*sharp[2], x0 + 840, y + 20, x0 + 960, y + 20);
    PlaceStroke(*sharp[3], x0 + 840, y + 100, x0 + 960, y + 100);
    for (forms::Line* s : sharp) s->Visible = true;
  } else {
    for (forms::Line* s : sharp) s->Visible = false;
  }
  head.Top = y;
  head.Left = x0 + 1000;
  PlaceStroke(stem, x0 + 1160, y - 240, x0 + 1160, y + 60);
  vol.Left = x0 + 940;
  if (track > 0) vol.Top = volTop;
  PlaceStroke(flag1, x0 + 1160, y - 240, x0 + 1260, y - 190);
  PlaceStroke(flag2, x0 + 1160, y - 180, x0 + 1260, y - 130);
  PlaceStroke(flag3, x0 + 1160, y - 120, x0 + 1260, y - 70);
}

}  // namespace stavelark::layout

// The parts of a score window that the main window and the printed page share: the staves'
// heights, and element 0 of each note-glyph pool (the model its display cells copy).
#pragma once

#include "editor/design.h"
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

}  // namespace stavelark::layout

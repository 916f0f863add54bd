#include "editor/mouse_input.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include "editor/form1.h"
#include "editor/program.h"
#include "editor/score_display.h"
#include "platform/basic/basic.h"

namespace stavelark {

namespace {

constexpr int kTwips = forms::TwipsPerPixel;
// The cursor's y counts 48 pixels of title and menu bar above the client area; the rubber
// band's tick takes 40 of them off and the window's Top (120 twips) for the rest.
constexpr int kTickTopPixels = 40;

// Hit box of a head around its top-left pixel (all bounds strict).
constexpr int kHitLeft = 5, kHitRight = 10, kHitAbove = 5, kHitBelow = 6;

// Track bands of a press, in pixels of the client area (bounds strict).
struct Band {
  int from, to;
};
constexpr std::array<Band, kTracks> kPressBand = {{{72, 146}, {172, 241}, {268, 343}, {365, 441}}};
// Where a dragged head may go, per track (twips, inclusive).
constexpr std::array<Band, kTracks> kDragBand = {{{1226, 2080}, {2650, 3520}, {4120, 4975}, {5520, 6420}}};
// The rubber band's corners pick tracks by these twip bands (bounds strict).
constexpr std::array<Band, kTracks> kRubberBand = {{{720, 2325}, {2400, 3660}, {3870, 5160}, {5300, 6660}}};
// The drop: pitch 0's height per track; each pitch code 38 twips higher.
constexpr std::array<int, kTracks> kDropBase = {2120, 3580, 5020, 6460};
constexpr int kDropStep = 38;
constexpr int kHighestDropPitch = 24;

// A rectangle smaller than this both ways (or drawn leftwards and upwards) selects nothing.
constexpr int kMinRubber = 30;
// Rubber band columns: a corner counts only between these x (strict), shifted by half a column.
constexpr int kRubberLeft = 500, kRubberRight = 11000;
constexpr int kHalfColumn = 250;
constexpr int kColumnOrigin = 340;
constexpr int kColumnWidth = 500;

constexpr forms::Color kActiveBar = 0x000000;
constexpr forms::Color kInactiveBar = 0xA0A0A0;
constexpr forms::Color kPauseBarGrey = 0x808080;

// Whole pixels of a twip value: rounded to whole twips first, then divided toward zero.
int64_t PixelsOf(double twips) {
  if (std::isnan(twips)) return 0;
  const double r = std::clamp(basic::RoundHalfEven(twips), -1e15, 1e15);
  return static_cast<int64_t>(r) / kTwips;
}

bool ValidTrack(int t) { return t >= 0 && t < kTracks; }

// The whole pixel of a client-area twip value, as the cursor reports it.
int PixelOf(double twips) {
  if (std::isnan(twips)) return 0;
  const double px = std::floor(twips / kTwips);
  return static_cast<int>(std::clamp(px, static_cast<double>(std::numeric_limits<int32_t>::min()),
                                     static_cast<double>(std::numeric_limits<int32_t>::max())));
}

}  // namespace

void MouseInput::Wire(Form1& form) {
  form.OnMouseDown = [this](int b, int s, double x, double y) { Form_MouseDown(b, s, x, y); };
  form.OnMouseMove = [this](int b, int s, double x, double y) { Form_MouseMove(b, s, x, y); };
  form.OnMouseUp = [this](int b, int s, double x, double y) { Form_MouseUp(b, s, x, y); };
  form.OnClick = [this] { Form_Click(); };
  form.OnKeyDown = [this](int& keyCode, int shift) { Form_KeyDown(keyCode, shift); };
  form.Timer1.Tick = [this] { Timer1_Timer(); };
  form.Bar.Click = [this](int index) { Bar_Click(index); };
  form.t1.Click = [this] { t1_Click(); };
  form.t2.Click = [this] { t2_Click(); };
  form.t3.Click = [this] { t3_Click(); };
  form.t4.Click = [this] { t4_Click(); };
  form.SelectAll.Click = [this] { SelectAll_Click(); };
  form.SelectTrack.Click = [this] { SelectTrack_Click(); };
}

void MouseInput::EventPoint(double X, double Y, int& x, int& y) {
  x = PixelOf(X);
  y = PixelOf(Y);
}

void MouseInput::ColourBars() {
  Form1& f = p_.Form1();
  for (int t = 0; t < kTracks; ++t) f.Bar[t].ForeColor = kInactiveBar;
  if (ValidTrack(p_.G.ActiveTrack)) f.Bar[p_.G.ActiveTrack].ForeColor = kActiveBar;
}

int MouseInput::TrackOfBandY(int y) {
  for (int t = 0; t < kTracks; ++t)
    if (kRubberBand[t].from < y && y < kRubberBand[t].to) return t;
  return -1;
}

void MouseInput::Form_MouseDown(int, int, double X, double Y) {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  g.RubberMoved = false;
  g.Dragging = false;
  int x = 0, y = 0;
  EventPoint(X, Y, x, y);

  // Every head is tried: of overlapping ones the last (highest cell) wins.
  for (int i = 0; i < kCells; ++i) {
    const forms::Shape& head = f.Music[i];
    if (!head.Visible) continue;
    const int64_t left = PixelsOf(head.Left), top = PixelsOf(head.Top);
    if (left - kHitLeft < x && x < left + kHitRight && top - kHitAbove < y && y < top + kHitBelow) {
      g.Dragging = true;
      g.DragIndex = static_cast<int16_t>(i);
    }
  }

  for (int t = 0; t < kTracks; ++t)
    if (kPressBand[t].from < y && y < kPressBand[t].to) g.ActiveTrack = static_cast<int16_t>(t);
  // A head near its staff's top edge may lie outside the band: it drags within its own track.
  if (g.Dragging) g.ActiveTrack = static_cast<int16_t>(g.DragIndex / kColumns);

  p_.ScoreDisplay().ClearSelectionHighlight();
  Bar_Click(g.ActiveTrack);

  if (g.Dragging) {
    g.DragPressX = X;
    g.DragPressY = Y;
    g.DragMoved = false;
    // The picked note is the selection, so the note commands act on it next.
    g.SelTrackFrom = g.SelTrackTo = g.ActiveTrack;
    g.SelColFrom = g.SelColTo = static_cast<float>(g.DragIndex - kColumns * (g.DragIndex / kColumns));
    p_.ScoreDisplay().HighlightSelection();
    return;
  }

  g.RubberX1 = g.RubberX2 = basic::SaturateInt16(static_cast<double>(x) * kTwips);
  g.RubberY1 = g.RubberY2 = basic::SaturateInt16(static_cast<double>(y) * kTwips);
  for (forms::Line* l : {&f.BufferStart, &f.BufferTop, &f.BufferBottom, &f.BufferEnd}) {
    l->X1 = g.RubberX1;
    l->Y1 = g.RubberY1;
    l->X2 = g.RubberX1;
    l->Y2 = g.RubberY1;
    l->Visible = true;
  }
  f.Timer1.Enabled = true;
}

void MouseInput::Form_MouseMove(int Button, int, double X, double Y) {
  Globals& g = p_.G;
  if (!g.Dragging) {
    if (Button == forms::button::Left) g.RubberMoved = true;
    return;
  }
  // A move to the press point itself is no drag: the head stays on its step.
  if (!g.DragMoved && X == g.DragPressX && Y == g.DragPressY) return;
  g.DragMoved = true;
  const int track = g.ActiveTrack;
  const int cell = g.DragIndex;
  if (!ValidTrack(track) || cell < 0 || cell >= kCells) return;
  Form1& f = p_.Form1();
  int x = 0, y = 0;
  EventPoint(X, Y, x, y);
  // The head follows the cursor up and down but never leaves its track's band or column.
  const double yt = std::clamp(static_cast<double>(y) * kTwips, static_cast<double>(kDragBand[track].from),
                               static_cast<double>(kDragBand[track].to));
  f.Music[cell].Top = yt;
  auto setHeights = [](forms::Line& l, double y1, double y2) {
    l.Y1 = y1;
    l.Y2 = y2;
  };
  setHeights(f.Clef1[cell], yt - 240, yt - 190);
  setHeights(f.Clef2[cell], yt - 180, yt - 130);
  setHeights(f.Clef3[cell], yt - 120, yt - 70);
  setHeights(f.Tail[cell], yt - 240, yt + 60);
  for (auto* pool : {&f.Sharpy1, &f.Sharpy2, &f.Sharpy3, &f.Sharpy4}) (*pool)[cell].Visible = false;
}

void MouseInput::Timer1_Timer() {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  g.CursorPoint = p_.Ws.GetCursorPos();
  StretchRubberBand(static_cast<double>(g.CursorPoint.x) * kTwips - f.Left(),
                    static_cast<double>(g.CursorPoint.y - kTickTopPixels) * kTwips - f.Top());
}

void MouseInput::StretchRubberBand(double x2, double y2) {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  g.RubberX2 = basic::SaturateInt16(x2);
  g.RubberY2 = basic::SaturateInt16(y2);
  // The press put all four lines on the fixed corner; these ends make them the rectangle.
  f.BufferStart.Y2 = g.RubberY2;
  f.BufferTop.X2 = g.RubberX2;
  f.BufferEnd.X1 = g.RubberX2;
  f.BufferEnd.X2 = g.RubberX2;
  f.BufferEnd.Y2 = g.RubberY2;
  f.BufferBottom.X2 = g.RubberX2;
  f.BufferBottom.Y1 = g.RubberY2;
  f.BufferBottom.Y2 = g.RubberY2;
}

void MouseInput::Form_MouseUp(int, int, double X, double Y) {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  // The rectangle the user drew ends where the button was let go, whether or not a tick of
  // the timer has followed the pointer there (a quick drag ends before the first tick).
  if (!g.Dragging && f.Timer1.Enabled())
    StretchRubberBand(static_cast<double>(PixelOf(X)) * kTwips, static_cast<double>(PixelOf(Y)) * kTwips);

  // A release where the note was picked up, the pointer never having left that point, is a
  // click that selects the note: its height says nothing of a pitch (the drop's steps are not
  // the display's), so the note keeps the pitch it has.
  const bool clicked = !g.DragMoved && X == g.DragPressX && Y == g.DragPressY;
  if (g.Dragging && !clicked) {
    const int track = g.ActiveTrack;
    const int column = g.DragIndex - kColumns * track;
    const int pos = g.ScrollPos + column;
    if (ValidTrack(track) && column >= 0 && column < kColumns && pos >= 0 && pos < kPositions) {
      // Whole twips, then whole steps of 38 toward zero, held to the two octaves.
      double steps = basic::Fix(basic::RoundHalfEven(kDropBase[track] - Y) / kDropStep);
      if (std::isnan(steps)) steps = 0;
      const int pitch = static_cast<int>(std::clamp(steps, 0.0, static_cast<double>(kHighestDropPitch)));
      g.NotePitch[track][pos] = static_cast<int16_t>(pitch);
      p_.ScoreDisplay().DrawNoteGlyph(g.DragIndex, pitch, g.NoteDuration[track][pos], g.NoteVol[track][pos]);
      g.Modified = true;
    }
  }
  f.Timer1.Enabled = false;
  // Any release on the score ends a pause: the next Play starts afresh.
  g.Paused = false;
  if (g.Dragging) {
    g.Dragging = false;
    return;
  }

  g.SelectionActive = false;
  f.PauseBar[0].FillColor = kPauseBarGrey;
  f.PauseBar[1].FillColor = kPauseBarGrey;
  if (!g.RubberMoved) return;
  for (forms::Line* l : {&f.BufferStart, &f.BufferEnd, &f.BufferTop, &f.BufferBottom}) l->Visible = false;
  g.RubberMoved = false;
  if (!(g.RubberX2 - g.RubberX1 >= kMinRubber || g.RubberY2 - g.RubberY1 >= kMinRubber)) return;

  const int trackFrom = TrackOfBandY(g.RubberY1);
  g.SelTrackFrom = static_cast<int16_t>(trackFrom);
  if (trackFrom >= 0) {
    g.ActiveTrack = static_cast<int16_t>(trackFrom);
    ColourBars();
  }
  const int trackTo = TrackOfBandY(g.RubberY2);
  g.SelTrackTo = static_cast<int16_t>(trackTo);
  if (trackFrom < 0 || trackTo < 0) return;

  // The start corner counts from half a column to its right, the end corner from half a
  // column to its left, so a corner selects the column it mostly covers.
  g.SelColFrom = -1;
  if (kRubberLeft < g.RubberX1 && g.RubberX1 < kRubberRight) {
    g.RubberX1 = static_cast<int16_t>(g.RubberX1 + kHalfColumn);
    g.SelColFrom = static_cast<float>(basic::Int((g.RubberX1 - kColumnOrigin) / static_cast<double>(kColumnWidth)) - 1);
  }
  g.SelColTo = -1;
  if (kRubberLeft < g.RubberX2 && g.RubberX2 < kRubberRight) {
    g.RubberX2 = static_cast<int16_t>(g.RubberX2 - kHalfColumn);
    g.SelColTo = static_cast<float>(basic::Int((g.RubberX2 - kColumnOrigin) / static_cast<double>(kColumnWidth)) - 1);
  }
  // A rectangle drawn upwards across staves covers no track: it selects nothing, so that the
  // commands and Play act as without a selection.
  if (g.SelColFrom != -1 && g.SelColTo != -1 && g.SelColFrom <= g.SelColTo && trackFrom <= trackTo)
    p_.ScoreDisplay().HighlightSelection();
}

void MouseInput::Form_Click() {
  Form1& f = p_.Form1();
  if (f.Visible()) f.Piano[1].SetFocus();
}

void MouseInput::Form_KeyDown(int&, int) {
  // The key itself is not played: the piano takes the keys from the next one on.
  Form1& f = p_.Form1();
  if (f.Visible()) f.Piano[0].SetFocus();
}

void MouseInput::Bar_Click(int Index) {
  Globals& g = p_.G;
  if (!ValidTrack(Index)) return;
  p_.ScoreDisplay().ClearSelectionHighlight();
  g.ActiveTrack = static_cast<int16_t>(Index);
  ColourBars();
  if (g.NoteCount[Index] < g.ScrollPos) {
    g.SetScrollPos(std::max(g.NoteCount[Index] - 1, 0));
    p_.ScoreDisplay().RedrawScore();
  }
}

void MouseInput::t1_Click() { Bar_Click(0); }
void MouseInput::t2_Click() { Bar_Click(1); }
void MouseInput::t3_Click() { Bar_Click(2); }
void MouseInput::t4_Click() { Bar_Click(3); }

void MouseInput::ResetSelection() {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  g.SelectionActive = false;
  p_.ScoreDisplay().ClearSelectionHighlight();
  for (forms::Line* l : {&f.BufferStart, &f.BufferEnd, &f.BufferTop, &f.BufferBottom}) l->Visible = false;
  g.RubberMoved = false;
  ColourBars();
}

void MouseInput::SelectAll_Click() {
  Globals& g = p_.G;
  ResetSelection();
  g.SelTrackFrom = 0;
  g.SelTrackTo = kTracks - 1;
  g.SelColFrom = 0;
  g.SelColTo = kColumns - 1;
  p_.ScoreDisplay().HighlightSelection();
}

void MouseInput::SelectTrack_Click() {
  Globals& g = p_.G;
  ResetSelection();
  const int track = g.ActiveTrack;
  if (!ValidTrack(track)) return;
  g.SelTrackFrom = g.SelTrackTo = static_cast<int16_t>(track);
  g.SelColFrom = 0;
  // Up to the track's note count, not counted from the view: a track ending inside the first
  // 20 positions selects fewer columns.
  g.SelColTo = static_cast<float>(std::min<int>(kColumns - 1, g.NoteCount[track] - 1));
  if (g.SelColTo == -1) return;
  if (g.SelColFrom > g.SelColTo) {
    g.SelectionActive = false;
    return;
  }
  p_.ScoreDisplay().HighlightSelection();
}

}  // namespace stavelark

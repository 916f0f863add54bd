#include "editor/scrolling.h"

#include "editor/form1.h"
#include "editor/program.h"
#include "editor/score_display.h"
#include "platform/basic/basic.h"

namespace stavelark {

namespace {

// Stepping forward stops when this many positions of the longest track remain in view.
constexpr int kStepMargin = 15;
// Up to this many positions the thumb covers its whole track.
constexpr float kWholeTrackLength = 21;
// The thumb covers 20 positions: one screen.
constexpr float kThumbPositions = kColumns;

// The drag's fixed geometry (twips): the track's left edge, the distance that maps to the
// whole score, and the right limit of the cursor.
constexpr float kDragLeft = 960;
constexpr float kDragSpan = 9255;
constexpr float kDragCursorLimit = 10100;

}  // namespace

void Scrolling::Wire(Form1& form) {
  form.ScrollBack.Click = [this] { ScrollBack_Click(); };
  form.ScrollBack.MouseDown = [this](int b, int s, double x, double y) { ScrollBack_MouseDown(b, s, x, y); };
  form.ScrollBack.MouseUp = [this](int b, int s, double x, double y) { ScrollBack_MouseUp(b, s, x, y); };
  form.ScrollUp.Click = [this] { ScrollUp_Click(); };
  form.ScrollUp.MouseDown = [this](int b, int s, double x, double y) { ScrollUp_MouseDown(b, s, x, y); };
  form.ScrollUp.MouseUp = [this](int b, int s, double x, double y) { ScrollUp_MouseUp(b, s, x, y); };
  form.ScrollTimer.Tick = [this] { ScrollTimer_Timer(); };
  form.SliderBar.MouseDown = [this](int b, int s, double x, double y) { SliderBar_MouseDown(b, s, x, y); };
  form.SliderBar.MouseMove = [this](int b, int s, double x, double y) { SliderBar_MouseMove(b, s, x, y); };
  form.SliderBar.MouseUp = [this](int b, int s, double x, double y) { SliderBar_MouseUp(b, s, x, y); };
}

void Scrolling::StepBack() {
  Globals& g = p_.G;
  if (g.ScrollPos <= 0) return;
  g.SetScrollPos(g.ScrollPos - 1);
  p_.ScoreDisplay().RedrawScore();  // which places the thumb too
}

void Scrolling::StepForward() {
  Globals& g = p_.G;
  g.ComputeScoreLength();
  // The lyric row ends at the last position: the view stops where it still fits.
  if (!(g.ScrollPos + kStepMargin < g.ScoreLength) || g.ScrollPos >= kMaxScrollPos) return;
  g.SetScrollPos(g.ScrollPos + 1);
  p_.ScoreDisplay().RedrawScore();
}

void Scrolling::ScrollBack_Click() { StepBack(); }

void Scrolling::ScrollUp_Click() { StepForward(); }

void Scrolling::ScrollBack_MouseDown(int, int, double, double) {
  p_.G.ScrollBackHeld = true;
  p_.Form1().ScrollTimer.Enabled = true;
  p_.Form1().ScrollTimer.Resume();
}

void Scrolling::ScrollBack_MouseUp(int, int, double, double) {
  p_.G.ScrollBackHeld = false;
  p_.Form1().ScrollTimer.Enabled = false;
}

void Scrolling::ScrollUp_MouseDown(int, int, double, double) {
  p_.G.ScrollUpHeld = true;
  p_.Form1().ScrollTimer.Enabled = true;
  p_.Form1().ScrollTimer.Resume();
}

void Scrolling::ScrollUp_MouseUp(int, int, double, double) {
  p_.G.ScrollUpHeld = false;
  p_.Form1().ScrollTimer.Enabled = false;
}

void Scrolling::ScrollTimer_Timer() {
  Globals& g = p_.G;
  // With no arrow held the ticks have nothing to do until the next press.
  if (!g.ScrollBackHeld && !g.ScrollUpHeld) {
    p_.Form1().ScrollTimer.Rest();
    return;
  }
  if (g.ScrollBackHeld) StepBack();
  if (g.ScrollUpHeld) StepForward();
}

void Scrolling::UpdateScrollThumb() {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  g.ComputeScoreLength();
  const float trackWidth = static_cast<float>(f.LocBox.Width());
  const float trackLeft = static_cast<float>(f.LocBox.Left());
  if (g.ScoreLength <= kWholeTrackLength) {
    f.SliderBar.Width = trackWidth;
    f.SliderBar.Left = trackLeft;
    return;
  }
  const float unit = trackWidth / g.ScoreLength;  // one position on the track
  const float remaining = g.ScoreLength - g.ScrollPos;
  // Near the end the thumb shrinks to the positions left; past the end it keeps a screen's width.
  if (remaining < kThumbPositions && g.ScrollPos < g.ScoreLength) f.SliderBar.Width = remaining * unit;
  else f.SliderBar.Width = kThumbPositions * unit;
  f.SliderBar.Left = trackLeft + g.ScrollPos * unit;
}

void Scrolling::SliderBar_MouseDown(int, int, double, double) {
  Globals& g = p_.G;
  g.CursorPoint = p_.Ws.GetCursorPos();
  g.ThumbGrabOffset = static_cast<float>(g.CursorPoint.x) * forms::TwipsPerPixel -
                      static_cast<float>(p_.Form1().SliderBar.Left());
  g.ThumbDragging = true;
  g.ComputeScoreLength();
}

void Scrolling::SliderBar_MouseMove(int, int, double, double) {
  Globals& g = p_.G;
  if (!g.ThumbDragging) return;
  Form1& f = p_.Form1();
  g.CursorPoint = p_.Ws.GetCursorPos();
  const float x = static_cast<float>(g.CursorPoint.x) * forms::TwipsPerPixel;
  const float left = x - g.ThumbGrabOffset;
  if (left <= kDragLeft || x >= kDragCursorLimit) return;
  f.SliderBar.Left = left;
  // The drag may go past the arrows' limit, up to about the score's length (and never past
  // the last position the lyric row can show).
  const float position = (static_cast<float>(f.SliderBar.Left()) - kDragLeft) / kDragSpan * g.ScoreLength;
  g.SetScrollPos(basic::RoundHalfEven(position));
  p_.ScoreDisplay().RedrawScore();
}

void Scrolling::SliderBar_MouseUp(int, int, double, double) { p_.G.ThumbDragging = false; }

}  // namespace stavelark

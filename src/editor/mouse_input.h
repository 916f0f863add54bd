// Mouse input on the score: picking up and dropping a note, the rubber-band selection, the
// track labels, Select All and Select Track.
//
// The press, the drag and the release take the score point from their event's own position
// (in whole pixels of the client area), so a press followed at once by a move still picks up
// the note under the press. The rubber band's tick, which has no event, reads the cursor (the
// window system's GetCursorPos, whose coordinates put the main window's client area at the
// screen's left edge, 48 pixels down) less the window's Left and Top and 40 pixels, which
// lands on the same point.
#pragma once

namespace stavelark {

class Form1;
class Program;

class MouseInput {
 public:
  explicit MouseInput(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

  // A press on a visible note head picks it up (and selects it); elsewhere it starts a
  // rubber band. Inside a track's band the track becomes the active one.
  void Form_MouseDown(int Button, int Shift, double X, double Y);
  // Moves the picked head within its track's band (once the pointer has left the press
  // point), or marks the rubber band as moved.
  void Form_MouseMove(int Button, int Shift, double X, double Y);
  // Drops a dragged note at the pitch of Y (a release at the press point, the pointer never
  // having moved, is a click: the note keeps its pitch), or turns the rubber band into a
  // selection.
  void Form_MouseUp(int Button, int Shift, double X, double Y);
  // Stretches the rubber band to the cursor, every 100 ms while a rectangle is drawn.
  void Timer1_Timer();
  // The keyboard goes to the piano: a click gives it key 1, a key press key 0.
  void Form_Click();
  void Form_KeyDown(int& KeyCode, int Shift);

  // Makes track Index the active one; a track ending before the view brings its last note
  // into the first column.
  void Bar_Click(int Index);
  // The Track menu's "&1".."4".
  void t1_Click();
  void t2_Click();
  void t3_Click();
  void t4_Click();
  // The 20 visible columns of all four tracks.
  void SelectAll_Click();
  // The visible columns of the active track, up to its note count.
  void SelectTrack_Click();

 private:
  // An event's twips as whole pixels of the main window's client area.
  static void EventPoint(double X, double Y, int& x, int& y);
  // Moves the rubber band's moving corner (twips) and the rectangle's lines with it.
  void StretchRubberBand(double x2, double y2);
  // Bar labels: the active track's black, the others grey.
  void ColourBars();
  // The first steps Select All and Select Track share: no selection, no rubber band.
  void ResetSelection();
  // The track whose twip band holds y in a rubber band's corner, -1 for none.
  static int TrackOfBandY(int y);

  Program& p_;
};

}  // namespace stavelark

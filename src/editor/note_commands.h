// Commands that change existing notes: pitch, volume, duration, fades, the duration palette,
// the sliders and the lyric boxes.
//
// With a selection the step commands act on every selected note (positions past a track's
// last note are left alone); without one, the pitch and volume commands act on the last note
// of the active track. They keep the selection, so they can be repeated on the same notes.
#pragma once

namespace stavelark {

class Form1;
class Program;

class NoteCommands {
 public:
  explicit NoteCommands(Program& program) : p_(program) {}
  // Connects the Modify menu, the palette, the volume labels, the sliders and the lyric boxes.
  void Wire(Form1& form);

  // One pitch step up or down.
  void high_Click();
  void low_Click();
  // One duration code longer or shorter (a selection only).
  void long_Click();
  void short_Click();
  // Five volume steps up or down.
  void incvol_Click();
  void decvol_Click();
  // Linear volume ramps over the selected columns of each selected track: from silence up to
  // the first note's volume, or from it down to silence.
  void FadeIn_Click();
  void FadeOut_Click();
  // A click on a note's volume number gives the note the current note volume.
  void VolLabel_Click(int Index);
  // The duration palette: the tool for new notes, and the duration of a selection.
  void Picture2_Click(int Index);
  // The note-volume slider (a user's change): the volume of new notes, and of a selection.
  void NoteVolume_ValueChanged();
  // The tempo slider (a user's change). A new tempo is a change the project file keeps.
  void DivControl_ValueChanged();
  // A lyric box's text is the lyric of its column's position, stored as it is typed: the
  // arrows, the toolbar and the menus take no focus from the box, and what they do may move
  // the view and rewrite the boxes, so waiting for the box to lose the focus would lose it.
  // The program's own writes (a redraw) show the stored lyric and so change nothing.
  void Lyric_Change(int Index);
  // Leaving a lyric box stores its text, as typing already did.
  void Lyric_LostFocus(int Index);

 private:
  enum class Field { Pitch, Volume, Duration };
  using Test = bool (*)(int value);
  // A step command: `delta` on every selected note that passes `selected`, or, without a
  // selection, on the active track's last note when it passes `last` (nullptr: no action).
  void Step(Field field, int delta, Test selected, Test last);
  // Shows a changed note in its cell: the whole glyph, or only the volume number.
  void ShowChange(Field field, int cell, int track, int pos);
  void Fade(bool fadeIn);
  // Takes lyric box Index's text as the lyric of its position; a new text is a change.
  void StoreLyric(int Index);

  Program& p_;
};

}  // namespace stavelark

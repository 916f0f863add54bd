// Commands that change existing notes: pitch, volume, duration, fades, the duration palette,
// the sliders and the lyric boxes.
#pragma once

namespace stavelark {

class Form1;
class Program;

class NoteCommands {
 public:
  explicit NoteCommands(Program& program) : p_(program) {}
  void Wire(Form1& form);

  // The duration palette: the tool for new notes, and the duration of a selection.
  void Picture2_Click(int Index);

 private:
  Program& p_;
};

}  // namespace stavelark

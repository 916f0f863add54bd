// The main window's MIDI file writers: a file that sounds one note, and a file of a range of
// tracks and positions of the composition.
#pragma once

#include <string>

namespace stavelark {

class Form1;
class Program;

class MidiFiles {
 public:
  explicit MidiFiles(Program& program) : p_(program) {}
  void Wire(Form1& form);

  // One note of the active track's octave at the current note volume, to CurrentFilePath.
  void writenote(int Instrument, double notz, int Lng);
  // Tracks FirstTrack..LastTrack, positions StartPos up to (not including) EndPos, to FileName,
  // after the one-second wait. Returns false when there was nothing to write (EndPos before
  // StartPos): the file is then left as it was.
  bool WriteMidiFile(const std::string& FileName, int FirstTrack, int LastTrack, double StartPos, double EndPos);

 private:
  Program& p_;
};

}  // namespace stavelark

// The on-screen piano: keys clicked or typed sound a note and, in record mode, enter it at the
// end of the active track. The instrument preview of the track-instrument dialog sounds its
// note the same way.
#pragma once

namespace stavelark {

class Form1;
class Program;

class PianoKeys {
 public:
  explicit PianoKeys(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

  void Piano_Click(int Index);
  void Piano_KeyDown(int Index, int& KeyCode, int Shift);
  void Piano_KeyUp(int Index, int& KeyCode, int Shift);
  // Maps LastKeyCode (a virtual-key code) to PianoKeyIndex, -1 for a key that doesn't play.
  void KeyCodeToPianoKey();
  // Sounds the D of the active track's octave with PickedInstrument and clears InstPicked.
  void PreviewInstrumentNote();

  // The pitch code of piano key 0..25 (RestPitch for the rest key 15).
  static int PitchOfKey(int key);

 private:
  void EnterNote(int pitch);
  // Sounds one note through the single-note file; a failure ends it silently (false).
  bool SoundNote(int instrument, int pitch, int duration);

  Program& p_;
};

}  // namespace stavelark

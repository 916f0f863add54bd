// Choosing a track's instrument and octave from the main window: the instrument list, the
// instrument and octave labels, and the Set Octave menu item.
#pragma once

namespace stavelark {

class Form1;
class Program;

class TrackDialogs {
 public:
  explicit TrackDialogs(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

  // The instrument picked in the list becomes the one a click on an instrument label gives.
  void List4_Click();
  // Gives track Index the instrument picked in the list.
  void InstLabel_Click(int Index);
  // Opens the octave dialog for track Index (or points the open one at that track).
  void OctLabel_Click(int Index);
  // The octave dialog for the active track.
  void setoct_Click();

 private:
  Program& p_;
};

}  // namespace stavelark

// The image toolbar and the menu items that run its commands.
//
// Every button goes through Toolbar_Click: most run the handler of the matching menu item (so a
// button does exactly what its menu item does, and nothing while that item has no handler), the
// record and transport buttons run the play commands, and three commands live here: Change
// Instrument, Toggle Expanded Scale and Exit. The menu items Change Instrument, Play, Pause, Stop
// and Selection run their button, so both ways always do the same thing.
#pragma once

namespace stavelark {

class Form1;
class Program;

class ToolbarCommands {
 public:
  explicit ToolbarCommands(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

  // Runs the command of button Index (0..21); any other index does nothing.
  void Toolbar_Click(int Index);

  // ---- menu items that run a button ----
  void changeinst_Click();
  void PlayFull_Click();
  void pause_Click();
  void Stop_Click();
  // Plays only while there is a selection.
  void PlayAct_Click();

 private:
  // Shows the instrument dialog and waits until it is hidden, sounding each preview asked for
  // meanwhile; then the composition counts as changed.
  void ChangeInstrument();
  // Shows or hides the dashed guide lines above and below the staves.
  void ToggleExpandedScale();
  // The main window's shutdown, which ends the program unless the save prompt calls it off.
  void ExitProgram();

  Program& p_;
};

}  // namespace stavelark

// The settings kept from run to run, and the project file type's registration.
#pragma once

namespace stavelark {

class Form1;
class Program;

class SettingsTopic {
 public:
  explicit SettingsTopic(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

 private:
  Program& p_;
};

}  // namespace stavelark

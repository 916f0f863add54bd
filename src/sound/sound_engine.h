// The sound platform's objects for the whole run: start-up, teardown, notifications and the master volume.
#pragma once

namespace stavelark {

class Form1;
class Program;

class SoundEngine {
 public:
  explicit SoundEngine(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

 private:
  Program& p_;
};

}  // namespace stavelark

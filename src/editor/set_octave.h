// The "Set Octave" dialog: an option per octave, OK and Cancel.
#pragma once

#include "platform/forms/forms.h"

namespace stavelark {

class Program;

class SetOctave final : public forms::Form {
 public:
  explicit SetOctave(Program& program);

 private:
  Program& program_;
};

}  // namespace stavelark

// The "Adjust Special Effects" dialog: the parameters of the eight effects.
#pragma once

#include "platform/forms/forms.h"

namespace stavelark {

class Program;

class FXform final : public forms::Form {
 public:
  explicit FXform(Program& program);

 private:
  Program& program_;
};

}  // namespace stavelark

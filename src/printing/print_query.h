// The print dialog: page range and number of copies.
#pragma once

#include "platform/forms/forms.h"

namespace stavelark {

class Program;

class PrintQuery final : public forms::Form {
 public:
  explicit PrintQuery(Program& program);

 private:
  Program& program_;
};

}  // namespace stavelark

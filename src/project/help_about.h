// The help and about pages in a browser window.
#pragma once

#include "platform/forms/forms.h"

namespace stavelark {

class Program;

class HelpAbout final : public forms::Form {
 public:
  explicit HelpAbout(Program& program);

 private:
  Program& program_;
};

}  // namespace stavelark

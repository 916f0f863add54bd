// The karaoke window: five lyrics at a time with a ball over the one being sung.
#pragma once

#include "platform/forms/forms.h"

namespace stavelark {

class Program;

class Karaoke final : public forms::Form {
 public:
  explicit Karaoke(Program& program);

  forms::ControlArray<forms::Label> VocLabel{*this, "VocLabel"};
  forms::Shape& Ball;

  void Form_Click() override;
  void Form_Resize() override;
};

}  // namespace stavelark

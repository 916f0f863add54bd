// The print dialog: page range and number of copies. It answers through the print state word:
// OK sets "OK" (Print hides the dialog), Cancel hides it and sets "CANC".
#pragma once

#include "platform/forms/forms.h"

namespace stavelark {

class Program;

class PrintQuery final : public forms::Form {
 public:
  explicit PrintQuery(Program& program);

  forms::Frame& Frame2;
  forms::OptionButton& PrintAll;
  forms::OptionButton& PrintSome;
  forms::TextBox& From;
  forms::Label& Label2;
  forms::TextBox& Too;
  forms::Frame& Frame1;
  forms::Label& Label1;
  forms::Label& Copies;
  // Up raises the count: the bar's value is the count negated.
  forms::VScrollBar& VScrollCopy;
  forms::CommandButton& OK;
  forms::CommandButton& Canc;

  void Form_Load() override;
  // Closing the dialog by its frame is Cancel; the dialog itself stays for the next use.
  void Form_QueryUnload(int& Cancel, int UnloadMode) override;
  void VScrollCopy_Change();
  void OK_Click();
  void Canc_Click();

 private:
  Program& program_;
};

}  // namespace stavelark

// The "Options / Properties" dialog: the background picture and colour on one tab, the
// composition's texts, note counts and playing time on the other.
#pragma once

#include <cstdint>
#include <string>

#include "platform/forms/forms.h"

namespace stavelark {

class Program;

class OptionForm final : public forms::Form {
 public:
  explicit OptionForm(Program& program);

  forms::TabStrip& OptTab;
  // "General"
  forms::Label& Label1;
  forms::ComboBox& Imagelist;
  forms::Image& Preview;
  forms::Label& Label5;
  forms::CommandButton& Browse;
  forms::Label& Label6;
  forms::Shape& BackColorBox;
  forms::CommandButton& ChangeBackColor;
  forms::Line& Line1;
  forms::CommonDialog& CommonDialog1;
  // "Composition Properties"
  forms::Label& Label2;
  forms::TextBox& CompName;
  forms::Label& Label3;
  forms::TextBox& CompAuthor;
  forms::Label& Label4;
  forms::TextBox& CompCopy;
  forms::ControlArray<forms::Label> Tracksize{*this, "Tracksize"};
  forms::ControlArray<forms::TextBox> TrakLen{*this, "TrakLen"};
  forms::Label& Label7;
  forms::TextBox& TimeBox;
  // outside the tabs
  forms::CommandButton& OK;
  forms::CommandButton& Cancel;

  // State kept while the dialog is hidden.
  std::string PicturePath;
  uint8_t PendingImageId = 0;
  float PendingBackColor = 0;

  void Form_Load() override;
  // Closing the dialog by its frame hides it, as Cancel does: the dialog keeps the composition's
  // texts and is never made afresh.
  void Form_QueryUnload(int& Cancel, int UnloadMode) override;

  // A user's edit of the composition's name, author or copyright is a change of the
  // composition. The program writes a text into its field before its box (start-up, New,
  // Open), so a box whose text is its field's was not edited.
  void CompName_Change();
  void CompAuthor_Change();
  void CompCopy_Change();
  void Imagelist_Click();
  void Browse_Click();
  void ChangeBackColor_Click();
  void OK_Click();
  void Cancel_Click();

 private:
  void CompositionTextChange(const forms::TextBox& box, const std::string& stored);

  Program& program_;
};

}  // namespace stavelark

// The settings kept from run to run (background, track instruments, display modes) and the
// registration of the project file type, which the first run does.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/store/registry.h"

namespace stavelark {

class Form1;
class Program;

class SettingsTopic {
 public:
  explicit SettingsTopic(Program& program) : p_(program) {}
  void Wire(Form1& form);

  // Start-up's first step: the texts the association is written from.
  void SetAssociationTexts();
  // "RegLoaded" holds "True" (in any case): the file type was registered by an earlier run.
  bool IsLaterRun() const;
  void WriteFileAssociation();
  void WriteFirstRunSettings();
  void UseFirstRunValues();  // the first run's values in memory, with the mode menus' marks
  void MarkRegistered();     // "RegLoaded" = "True"
  void ReadSettings();       // a later run; values that can't be read leave their fields alone
  void ShowBackground();     // the main window's background picture from the settings
  void WriteSettings();      // shutdown

  void CreateRegKey(std::string_view subKey, store::HKey root);
  void SetRegKeyValue(std::string_view subKey, std::string_view valueName, std::string_view value,
                      uint32_t valueType, store::HKey root);
  int32_t RegSetValueHelper(store::HKey key, std::string_view valueName, uint32_t valueType, std::string_view value);

 private:
  std::string Get(std::string_view key) const;
  void Put(std::string_view key, std::string_view value);
  void ShowModeMarks();

  Program& p_;
};

}  // namespace stavelark

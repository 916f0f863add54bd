#include "platform/store/settings.h"

#include "platform/store/paths.h"
#include "platform/store/test_folders.h"

#include <gtest/gtest.h>

#include <fstream>
#include <utility>
#include <vector>

using namespace store;
using testing_support::ScopedEnv;
using testing_support::TempFolder;

namespace {

class IniSettings : public ::testing::Test {
 protected:
  TempFolder home;
  ScopedEnv config{"XDG_CONFIG_HOME", (home.Path() / "config").string()};
};

TEST_F(IniSettings, LivesInTheUserConfigFolderUnderTheAppName) {
  IniSettingsStore settings;
  ASSERT_TRUE(settings.SaveSetting("Stavelark", "Properties", "image", "106"));
  EXPECT_EQ(settings.FileOf("Stavelark"), home.Path() / "config" / "Stavelark" / "Stavelark.ini");
  EXPECT_TRUE(std::filesystem::is_regular_file(home.Path() / "config" / "Stavelark" / "Stavelark.ini"));
}

TEST_F(IniSettings, ConfigFolderFallsBackToHomeWhenXdgIsUnsetOrRelative) {
  ScopedEnv homeEnv("HOME", home.Path().string());
  ScopedEnv relative("XDG_CONFIG_HOME", "relative/config");
  EXPECT_EQ(ConfigFolder(), home.Path() / ".config" / "Stavelark");
}

TEST_F(IniSettings, OddNamesAndTextsComeBackExactlyFromANewStore) {
  const std::vector<std::pair<std::string, std::string>> entries = {
      {"key with blanks", "a=b;c"},
      {"quote\"d", "\"quoted\""},
      {"a/b", "  leading and trailing  "},
      {"a//b", "a,b"},
      {"back\\slash", "C:\\program files\\Stavelark\\Stavelark.exe %1"},
      {"100%", "@at the start"},
      {"Grüße", "ü€ and 日本"},
      {"semi;colon=eq", "line\nbreak\ttab"},
      {"[bracket]", "#not a comment"},
      {"empty", ""},
  };
  {
    IniSettingsStore settings;
    for (const auto& [key, value] : entries) ASSERT_TRUE(settings.SaveSetting("Stavelark", "Pro/perties", key, value)) << key;
  }
  IniSettingsStore settings;
  for (const auto& [key, value] : entries)
    EXPECT_EQ(settings.GetSetting("Stavelark", "Pro/perties", key, "missing"), value) << key;
}

TEST_F(IniSettings, MissingKeysGiveTheDefaultAndNamesIgnoreCase) {
  IniSettingsStore settings;
  EXPECT_EQ(settings.GetSetting("Stavelark", "Properties", "RegLoaded"), "");
  EXPECT_EQ(settings.GetSetting("Stavelark", "Properties", "RegLoaded", "no"), "no");

  ASSERT_TRUE(settings.SaveSetting("Stavelark", "Properties", "RegLoaded", "True"));
  EXPECT_EQ(settings.GetSetting("stavelark", "PROPERTIES", "regloaded"), "True");
  ASSERT_TRUE(settings.SaveSetting("Stavelark", "properties", "REGLOADED", "False"));
  EXPECT_EQ(settings.GetSetting("Stavelark", "Properties", "RegLoaded"), "False");
  EXPECT_EQ(settings.GetSetting("Stavelark", "Properties", "inst0"), "");
  EXPECT_EQ(settings.GetSetting("Other", "Properties", "RegLoaded"), "");

  // One entry, in the spelling it was first written with.
  std::ifstream file(settings.FileOf("Stavelark"));
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("RegLoaded=False"), std::string::npos) << text;
  EXPECT_EQ(text.find("REGLOADED"), std::string::npos) << text;
}

TEST_F(IniSettings, EmptyNamesAreRefusedAndReadAsTheDefault) {
  IniSettingsStore settings;
  EXPECT_FALSE(settings.SaveSetting("Stavelark", "", "key", "v"));
  EXPECT_FALSE(settings.SaveSetting("", "Properties", "key", "v"));
  EXPECT_FALSE(settings.SaveSetting("Stavelark", "Properties", "", "v"));
  EXPECT_EQ(settings.GetSetting("Stavelark", "Properties", "", "d"), "d");
}

TEST_F(IniSettings, AppNamesThatAreNotPlainFileNamesStayInsideTheFolder) {
  IniSettingsStore settings(home.Path() / "store");
  ASSERT_TRUE(settings.SaveSetting("../escape/x", "s", "k", "v"));
  EXPECT_EQ(settings.FileOf("../escape/x").parent_path(), home.Path() / "store");
  EXPECT_EQ(settings.GetSetting("../escape/x", "s", "k"), "v");
  EXPECT_FALSE(std::filesystem::exists(home.Path() / "escape"));
}

TEST_F(IniSettings, AFolderThatCannotBeMadeReportsTheFailureAndReadsDefaults) {
  std::ofstream(home.Path() / "plain-file") << "x";
  IniSettingsStore settings(home.Path() / "plain-file" / "Stavelark");
  Status status = settings.SaveSetting("Stavelark", "Properties", "image", "106");
  EXPECT_FALSE(status);
  EXPECT_FALSE(status.message.empty());
  EXPECT_EQ(settings.GetSetting("Stavelark", "Properties", "image", "d"), "d");
}

TEST_F(IniSettings, AHandEditedFileReadsAsWellAsItCan) {
  std::filesystem::create_directories(home.Path() / "config" / "Stavelark");
  std::ofstream(home.Path() / "config" / "Stavelark" / "Stavelark.ini")
      << "garbage line\n[Properties]\nimage=255\nbackground=a,b\n=novalue\n[broken\n";
  IniSettingsStore settings;
  EXPECT_EQ(settings.GetSetting("Stavelark", "Properties", "image"), "255");
  EXPECT_EQ(settings.GetSetting("Stavelark", "Properties", "background"), "a,b");
  ASSERT_TRUE(settings.SaveSetting("Stavelark", "Properties", "image", "106"));
  EXPECT_EQ(settings.GetSetting("Stavelark", "Properties", "background"), "a,b");
}

TEST(MemorySettings, KeepsValuesAndTheOrderOfEveryWrite) {
  MemorySettingsStore settings;
  settings.SaveSetting("Stavelark", "Properties", "image", "106");
  settings.SaveSetting("Stavelark", "Properties", "backcolor", "ffffff");
  settings.SaveSetting("Stavelark", "Properties", "Image", "7");
  EXPECT_EQ(settings.GetSetting("Stavelark", "properties", "IMAGE"), "7");
  EXPECT_EQ(settings.GetSetting("Stavelark", "Properties", "inst0", "x"), "x");
  const std::vector<SettingWrite> expected = {{"Stavelark", "Properties", "image", "106"},
                                              {"Stavelark", "Properties", "backcolor", "ffffff"},
                                              {"Stavelark", "Properties", "Image", "7"}};
  EXPECT_EQ(settings.Writes(), expected);
}

}  // namespace

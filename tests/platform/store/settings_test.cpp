#include "platform/store/settings.h"

#include "platform/store/paths.h"
#include "platform/store/test_folders.h"
#include "platform/store/test_hostile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

using namespace store;
using testing_support::ScopedEnv;
using testing_support::TempFolder;

namespace {

class IniSettings : public ::testing::Test {
 protected:
  std::string Text() const {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  TempFolder home;
  ScopedEnv config{"XDG_CONFIG_HOME", (home.Path() / "config").string()};
  const std::filesystem::path folder = home.Path() / "config" / "Stavelark", file = folder / "Stavelark.ini";
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

// Settings that cannot be read are the defaults, and the file stays as it is: a named pipe
// (which would make the start wait for ever), a file far larger than the program writes, and a
// pipe where the settings' lock file goes (which writing reads).
TEST_F(IniSettings, WhatCannotBeReadReadsAsMissingAndIsNeverWritten) {
  const std::string saved = "[Properties]\nimage=255\n";
  enum Odd { kPipe, kOversized, kPipeForLock };
  for (const Odd odd : {kPipe, kOversized, kPipeForLock}) {
    SCOPED_TRACE(odd);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    if (odd == kPipeForLock) std::ofstream(file) << saved;
    const testing_support::OddFile made(odd != kOversized, file.string() + (odd == kPipeForLock ? ".lock" : ""), saved,
                                        kMaxStoreFileSize + 1);
    // In a child process: what waits for ever there is stopped and reported.
    EXPECT_EQ(testing_support::RunInChild([&] {
                IniSettingsStore settings;
                std::string wrong;
                if (const std::string image = settings.GetSetting("Stavelark", "Properties", "image", "d");
                    image != (odd == kPipeForLock ? "255" : "d"))
                  wrong += "read " + image + "; ";
                const Status status = settings.SaveSetting("Stavelark", "Properties", "image", "106");
                if (status || status.message.find(file.string()) == std::string::npos)
                  wrong += "saving said \"" + status.message + "\"";
                return wrong;
              }, 5),
              "");
    EXPECT_EQ(made.Changed(), "");
    EXPECT_TRUE(odd != kPipeForLock || Text() == saved);
  }

  // Values read from a file that could not be read are the defaults: written back once the file
  // can be read again, they would replace what it holds. Such a file is left alone for the run.
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  IniSettingsStore settings;
  {
    testing_support::PipeTrap trap(file);
    EXPECT_EQ(settings.GetSetting("Stavelark", "Properties", "image", "106"), "106");
  }
  std::filesystem::remove(file);
  std::ofstream(file) << saved;
  const Status status = settings.SaveSetting("Stavelark", "Properties", "image", "106");
  EXPECT_FALSE(status);
  EXPECT_NE(status.message.find("could not be read"), std::string::npos) << status.message;
  EXPECT_EQ(Text(), saved);
  EXPECT_EQ(IniSettingsStore().GetSetting("Stavelark", "Properties", "image"), "255") << "the next run reads it";
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

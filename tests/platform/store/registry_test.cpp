#include "platform/store/registry.h"

#include "platform/store/paths.h"
#include "platform/store/test_folders.h"
#include "platform/store/test_hostile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using namespace store;
using testing_support::ScopedEnv;
using testing_support::TempFolder;

namespace {

// Creates a key, sets its default value as the program does (text plus one NUL) and closes it.
int32_t SetDefault(Registry& reg, HKey root, const std::string& subKey, const std::string& text) {
  HKey key = 0;
  int32_t rc = reg.RegCreateKeyExA(root, subKey, 0, "", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  rc = reg.RegSetValueExA(key, "", 0, REG_SZ, text.c_str(), static_cast<uint32_t>(text.size() + 1));
  reg.RegCloseKey(key);
  return rc;
}

std::string Query(Registry& reg, HKey root, const std::string& subKey, const std::string& name = "") {
  HKey key = 0;
  if (reg.RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
  std::string text;
  int32_t rc = reg.RegQueryValueExA(key, name, nullptr, &text);
  reg.RegCloseKey(key);
  return rc == ERROR_SUCCESS ? text : "<no value>";
}

TEST(Registry, CreateOpenSetQueryAndCloseAsTheFileAssociationUsesThem) {
  Registry reg;
  HKey key = 0;
  uint32_t disposition = 0;
  EXPECT_EQ(reg.RegOpenKeyExA(HKEY_CLASSES_ROOT, ".msf", 0, KEY_ALL_ACCESS, &key), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(reg.RegCreateKeyExA(HKEY_CLASSES_ROOT, ".msf\\OpenWithList\\Stavelark.exe", 0, "",
                                REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  EXPECT_EQ(reg.RegCloseKey(key), ERROR_SUCCESS);
  ASSERT_EQ(reg.RegCreateKeyExA(HKEY_CLASSES_ROOT, ".MSF", 0, "", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  const std::string progId = "Stavelark.Settings";
  EXPECT_EQ(reg.RegSetValueExA(key, "", 0, REG_SZ, progId.c_str(), static_cast<uint32_t>(progId.size() + 1)),
            ERROR_SUCCESS);
  EXPECT_EQ(reg.RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(reg.RegCloseKey(key), ERROR_INVALID_HANDLE);

  EXPECT_EQ(Query(reg, HKEY_CLASSES_ROOT, ".msf"), "Stavelark.Settings");
  EXPECT_EQ(Query(reg, HKEY_CLASSES_ROOT, ".msf\\openwithlist\\STAVELARK.EXE"), "<no value>");
  EXPECT_EQ(Query(reg, HKEY_CURRENT_USER, ".msf"), "<no key>");  // the roots are separate
  EXPECT_EQ(Query(reg, HKEY_CLASSES_ROOT, ".msf", "Other"), "<no value>");
}

TEST(Registry, MalformedPathsAndHandlesAreRefused) {
  Registry reg;
  HKey key = 0;
  for (const std::string& bad : {std::string("\\lead"), std::string("trail\\"), std::string("a\\\\b"), std::string(256, 'x'), std::string("nul\0x", 5)})
    EXPECT_EQ(reg.RegCreateKeyExA(HKEY_CURRENT_USER, bad, 0, "", 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER)
        << bad;
  EXPECT_EQ(reg.RegCreateKeyExA(HKEY_CURRENT_USER, "a", 1, "", 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(reg.RegOpenKeyExA(0x1234, "a", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(reg.RegSetValueExA(0x1234, "", 0, REG_SZ, "x", 2), ERROR_INVALID_HANDLE);
  EXPECT_EQ(reg.RegSetValueExA(HKEY_CURRENT_USER, "", 0, 4 /* a number */, "1234", 4), ERROR_INVALID_PARAMETER);
}

TEST(Registry, AccessRightsAndDeletedKeysAreEnforcedThroughHandles) {
  Registry reg;
  ASSERT_EQ(SetDefault(reg, HKEY_CURRENT_USER, "Software\\Stavelark", "x"), ERROR_SUCCESS);
  HKey readOnly = 0, stale = 0;
  ASSERT_EQ(reg.RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Stavelark", 0, KEY_READ, &readOnly), ERROR_SUCCESS);
  EXPECT_EQ(reg.RegSetValueExA(readOnly, "", 0, REG_SZ, "y", 2), ERROR_ACCESS_DENIED);
  HKey child = 0;
  EXPECT_EQ(reg.RegCreateKeyExA(readOnly, "Sub", 0, "", 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(Query(reg, HKEY_CURRENT_USER, "Software\\Stavelark"), "x");

  ASSERT_EQ(reg.RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Stavelark", 0, KEY_ALL_ACCESS, &stale), ERROR_SUCCESS);
  ASSERT_EQ(reg.RegDeleteKey(HKEY_CURRENT_USER, "software\\STAVELARK"), ERROR_SUCCESS);
  EXPECT_EQ(reg.RegSetValueExA(stale, "", 0, REG_SZ, "y", 2), ERROR_KEY_DELETED);
  EXPECT_EQ(reg.RegCloseKey(stale), ERROR_SUCCESS);
}

TEST(Registry, DeleteKeyKeepsKeysWithSubkeysAndDeleteTreeRemovesThem) {
  Registry reg;
  ASSERT_EQ(SetDefault(reg, HKEY_CLASSES_ROOT, "CLSID\\{A}\\InprocServer32", "/lib.so"), ERROR_SUCCESS);
  ASSERT_EQ(SetDefault(reg, HKEY_CLASSES_ROOT, "CLSID\\{B}", "other"), ERROR_SUCCESS);
  EXPECT_EQ(reg.RegDeleteKey(HKEY_CLASSES_ROOT, "CLSID\\{A}"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(reg.RegDeleteKey(HKEY_CLASSES_ROOT, "CLSID\\{C}"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(reg.RegDeleteTree(HKEY_CLASSES_ROOT, "CLSID\\{a}"), ERROR_SUCCESS);
  EXPECT_EQ(Query(reg, HKEY_CLASSES_ROOT, "CLSID\\{A}"), "<no key>");
  EXPECT_EQ(Query(reg, HKEY_CLASSES_ROOT, "CLSID\\{B}"), "other");

  HKey clsid = 0;
  std::string name;
  ASSERT_EQ(reg.RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, &clsid), ERROR_SUCCESS);
  EXPECT_EQ(reg.RegEnumKeyExA(clsid, 0, &name), ERROR_SUCCESS);
  EXPECT_EQ(name, "{B}");
  EXPECT_EQ(reg.RegEnumKeyExA(clsid, 1, &name), ERROR_NO_MORE_ITEMS);
  reg.RegCloseKey(clsid);
}

TEST(Registry, TextsEndAtTheFirstNul) {
  Registry reg;
  ASSERT_EQ(reg.RegSetValueExA(HKEY_CURRENT_USER, "v", 0, REG_SZ, "ab\0cd", 5), ERROR_SUCCESS);
  EXPECT_EQ(Query(reg, HKEY_CURRENT_USER, "", "V"), "ab");
  ASSERT_EQ(reg.RegSetValueExA(HKEY_CURRENT_USER, "v", 0, REG_SZ, "abc", 3), ERROR_SUCCESS);
  EXPECT_EQ(Query(reg, HKEY_CURRENT_USER, "", "v"), "abc");
}

class RegistryFile : public ::testing::Test {
 protected:
  TempFolder home;
  ScopedEnv config{"XDG_CONFIG_HOME", home.Path().string()};
};

TEST_F(RegistryFile, OddNamesAndTextsPersistAndOtherInstancesSeeChanges) {
  EXPECT_EQ(Registry::DefaultFile(), home.Path() / "Stavelark" / "registry.ini");
  Registry writer(Registry::DefaultFile());
  Registry reader(Registry::DefaultFile());
  EXPECT_EQ(Query(reader, HKEY_CLASSES_ROOT, ".msf\\DefaultIcon"), "<no key>");

  const std::string icon = "\"C:\\program files\\Stavelark\\MISC31.ico\"";
  const std::string odd = "line\nbreak ]% [x] = ; \"q\" ü€ \x01";
  ASSERT_EQ(SetDefault(writer, HKEY_CLASSES_ROOT, ".msf\\DefaultIcon", icon), ERROR_SUCCESS);
  ASSERT_EQ(SetDefault(writer, HKEY_CURRENT_USER, "we]ird%25 [name]\\ü", odd), ERROR_SUCCESS);
  HKey key = 0;
  ASSERT_EQ(writer.RegOpenKeyExA(HKEY_CURRENT_USER, "we]ird%25 [name]\\ü", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  ASSERT_EQ(writer.RegSetValueExA(key, "na\"me=\\", 0, REG_SZ, "v", 2), ERROR_SUCCESS);
  writer.RegCloseKey(key);

  EXPECT_EQ(Query(reader, HKEY_CLASSES_ROOT, ".msf\\DefaultIcon"), icon);
  EXPECT_EQ(Query(reader, HKEY_CURRENT_USER, "WE]IRD%25 [NAME]\\ü"), odd);
  EXPECT_EQ(Query(reader, HKEY_CURRENT_USER, "we]ird%25 [name]\\ü", "na\"me=\\"), "v");
  Registry fresh(Registry::DefaultFile());
  EXPECT_EQ(fresh.Export(), writer.Export());

  // Only the store itself is left in the folder: temporary files were renamed into place.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(home.Path() / "Stavelark")) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1);
}

TEST_F(RegistryFile, AChangeThatCannotBeWrittenIsUndone) {
  std::ofstream(home.Path() / "blocker") << "a file where a folder should be";
  Registry reg(home.Path() / "blocker" / "registry.ini");
  HKey key = 0;
  EXPECT_EQ(reg.RegCreateKeyExA(HKEY_CLASSES_ROOT, ".msf", 0, "", 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(reg.RegOpenKeyExA(HKEY_CLASSES_ROOT, ".msf", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(reg.RegSetValueExA(HKEY_CLASSES_ROOT, "", 0, REG_SZ, "x", 2), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Query(reg, HKEY_CLASSES_ROOT, ""), "<no value>");
}

TEST_F(RegistryFile, ADamagedFileKeepsWhatCanBeRead) {
  std::filesystem::create_directories(home.Path() / "Stavelark");
  std::ofstream(Registry::DefaultFile()) << "junk\n[HKEY_CLASSES_ROOT\\.msf]\n@=\"Stavelark.Settings\"\n"
                                            "\"broken=\"x\n[HKEY_NOWHERE\\x]\n@=\"lost\"\n[HKEY_CURRENT_USER\\a\\\\b]\n"
                                            "@=\"unterminated\n";
  Registry reg(Registry::DefaultFile());
  EXPECT_EQ(Query(reg, HKEY_CLASSES_ROOT, ".msf"), "Stavelark.Settings");
  EXPECT_EQ(Query(reg, HKEY_CURRENT_USER, "a"), "<no key>");
}

// A named pipe in the file's place would make every start wait for ever; a file far larger than
// any the program writes is not one of its files; a folder is none. They read as empty, are named,
// and stay; nor is a change that would make the file too large to read back written.
TEST_F(RegistryFile, WhatCannotBeReadIsNotReplacedNorIsATooLargeFileMade) {
  const std::filesystem::path file = Registry::DefaultFile();
  std::filesystem::create_directories(file.parent_path());
  for (const std::string odd : {"pipe", "oversized", "folder"}) {
    SCOPED_TRACE(odd);
    std::filesystem::remove_all(file);
    std::optional<testing_support::OddFile> made;
    if (odd == "folder") std::filesystem::create_directories(file / "inside");
    else made.emplace(odd == "pipe", file, "[HKEY_CLASSES_ROOT\\.msf]\n@=\"Stavelark.Settings\"\n", kMaxStoreFileSize + 1);
    Registry reg(file);
    EXPECT_EQ(Query(reg, HKEY_CLASSES_ROOT, ".msf"), "<no key>");
    EXPECT_EQ(reg.ReadProblem(), file.string() + " cannot be read: " +
                                     (odd == "oversized" ? "it is larger than 4 MiB" : "it is not a regular file"));
    EXPECT_EQ(SetDefault(reg, HKEY_CLASSES_ROOT, ".msf", "x"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(made ? made->Changed() : std::filesystem::exists(file / "inside") ? "" : "the folder is gone", "");
  }

  std::filesystem::remove_all(file);
  Registry reg(file);
  ASSERT_EQ(SetDefault(reg, HKEY_CLASSES_ROOT, ".msf", "Stavelark.Settings"), ERROR_SUCCESS);
  EXPECT_EQ(SetDefault(reg, HKEY_CLASSES_ROOT, "big", std::string(kMaxStoreFileSize, 'x')), ERROR_ACCESS_DENIED);
  Registry again(file);
  EXPECT_EQ(Query(again, HKEY_CLASSES_ROOT, ".msf"), "Stavelark.Settings");
  EXPECT_TRUE(Query(again, HKEY_CLASSES_ROOT, "big") == "<no value>") << "the key was made, the value refused";
  EXPECT_EQ(again.ReadProblem(), "");
}

// The machine's classes (written by the installation) beneath a user's own classes root.
class LayeredRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    Registry machine(machineFile);
    ASSERT_EQ(SetDefault(machine, HKEY_CLASSES_ROOT, "Thing.Thing\\CLSID", "{T}"), ERROR_SUCCESS);
    ASSERT_EQ(SetDefault(machine, HKEY_CLASSES_ROOT, "CLSID\\{T}\\InprocServer32", machineLib), ERROR_SUCCESS);
    ASSERT_EQ(SetDefault(machine, HKEY_CLASSES_ROOT, "CLSID\\{M}", "machine only"), ERROR_SUCCESS);
    ASSERT_EQ(SetDefault(machine, HKEY_CURRENT_USER, "Software", "not the user's"), ERROR_SUCCESS);
    std::filesystem::permissions(machineFile, std::filesystem::perms(0644));  // as installed
    machineText = ReadAll(machineFile);
  }
  static std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  TempFolder folder;
  const std::filesystem::path userFile = folder.Path() / "user" / "registry.ini";
  const std::filesystem::path machineFile = folder.Path() / "etc" / "registry.ini";
  const std::string machineLib = "/opt/p/lib/stavelark/libthing.so";
  std::string machineText;
};

TEST_F(LayeredRegistry, TheUsersKeysWinTheMachinesFillTheRestAndWritesGoToTheUser) {
  Registry reg(userFile, machineFile);
  // A user who never registered anything sees the machine's class.
  EXPECT_EQ(Query(reg, HKEY_CLASSES_ROOT, "thing.thing\\clsid"), "{T}");
  EXPECT_EQ(Query(reg, HKEY_CLASSES_ROOT, "CLSID\\{T}\\InprocServer32"), machineLib);
  EXPECT_EQ(Query(reg, HKEY_CURRENT_USER, "Software"), "<no key>") << "only the classes root has a machine layer";

  // The user's own registration hides the machine's value; the subkeys of both are listed once.
  ASSERT_EQ(SetDefault(reg, HKEY_CLASSES_ROOT, "CLSID\\{T}\\InprocServer32", "/home/u/libthing.so"), ERROR_SUCCESS);
  ASSERT_EQ(SetDefault(reg, HKEY_CLASSES_ROOT, "CLSID\\{U}", "user only"), ERROR_SUCCESS);
  EXPECT_EQ(Query(reg, HKEY_CLASSES_ROOT, "CLSID\\{T}\\InprocServer32"), "/home/u/libthing.so");
  EXPECT_EQ(Query(reg, HKEY_CLASSES_ROOT, "CLSID\\{M}"), "machine only");
  HKey key = 0;
  std::vector<std::string> names;
  ASSERT_EQ(reg.RegOpenKeyExA(HKEY_CLASSES_ROOT, "clsid", 0, KEY_READ, &key), ERROR_SUCCESS);
  for (std::string name; reg.RegEnumKeyExA(key, static_cast<uint32_t>(names.size()), &name) == ERROR_SUCCESS;)
    names.push_back(name);
  reg.RegCloseKey(key);
  EXPECT_EQ(names, (std::vector<std::string>{"{M}", "{T}", "{U}"}));

  // Opening or creating a key only the machine holds writes nothing; setting a value in it
  // makes the user's copy.
  uint32_t disposition = 0;
  ASSERT_EQ(reg.RegCreateKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{M}", 0, "", 0, KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  EXPECT_EQ(reg.Export().find("{M}"), std::string::npos);
  ASSERT_EQ(reg.RegSetValueExA(key, "Note", 0, REG_SZ, "mine", 5), ERROR_SUCCESS);
  reg.RegCloseKey(key);
  EXPECT_EQ(Query(reg, HKEY_CLASSES_ROOT, "CLSID\\{M}"), "machine only");
  EXPECT_EQ(Query(reg, HKEY_CLASSES_ROOT, "CLSID\\{M}", "Note"), "mine");
  EXPECT_NE(ReadAll(userFile).find("\"Note\"=\"mine\""), std::string::npos);
  EXPECT_EQ(ReadAll(machineFile), machineText) << "the machine's layer is never written";

  // Only the user's keys can be deleted; the machine's value shows again beneath.
  EXPECT_EQ(reg.RegDeleteTree(HKEY_CLASSES_ROOT, "Thing.Thing"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(reg.RegDeleteKey(HKEY_CLASSES_ROOT, "CLSID\\{T}\\InprocServer32"), ERROR_SUCCESS);
  EXPECT_EQ(Query(reg, HKEY_CLASSES_ROOT, "CLSID\\{T}\\InprocServer32"), machineLib);
  EXPECT_EQ(reg.RegDeleteKey(HKEY_CLASSES_ROOT, "CLSID\\{T}\\InprocServer32"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(reg.RegDeleteKey(HKEY_CLASSES_ROOT, "CLSID\\{X}"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ReadAll(machineFile), machineText);
}

TEST_F(LayeredRegistry, TheMachineLayerIsReadAgainWhenTheInstallationRewritesItAndStaysReadable) {
  Registry reg(userFile, machineFile), installer(machineFile);
  EXPECT_EQ(Query(reg, HKEY_CLASSES_ROOT, "CLSID\\{M}"), "machine only");
  ASSERT_EQ(SetDefault(installer, HKEY_CLASSES_ROOT, "CLSID\\{M}", "again"), ERROR_SUCCESS);
  EXPECT_EQ(Query(reg, HKEY_CLASSES_ROOT, "CLSID\\{M}"), "again");
  EXPECT_EQ(std::filesystem::status(machineFile).permissions(), std::filesystem::perms(0644)) << "every user reads it";
}

TEST(RegistryFiles, TheMachineLayerBelongsToAnInstalledExecutableOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"/opt/p/lib/stavelark/stavelark", "/opt/p/etc/stavelark/registry.ini"},
      {"/usr/lib/stavelark/stavelark-regsvr", "/usr/etc/stavelark/registry.ini"},
      {"/work/build/release/src/app/stavelark", "(none)"},
      {"/opt/p/bin/stavelark", "(none)"},
      {"/lib/stavelark", "(none)"},
  };
  for (const auto& [executable, machine] : cases)
    EXPECT_EQ(Registry::MachineFileOf(executable).value_or("(none)"), machine) << executable;
}

}  // namespace

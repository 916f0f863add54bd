#include "platform/com/client.h"
#include "platform/com/com.h"
#include "platform/com/object.h"
#include "platform/com/registration.h"

#include "platform/basic/basic.h"
#include "platform/store/paths.h"
#include "platform/store/test_folders.h"
#include "platform/store/test_hostile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

using namespace com;
using testing_support::TempFolder;

namespace {

TEST(Guid, ParsesAndFormatsTheRegistryForm) {
  constexpr Guid clsid = GuidOf("{DF5E0D08-FCEF-49DD-9CA0-DFBEF1A98458}");
  static_assert(clsid.Data1 == 0xDF5E0D08 && clsid.Data2 == 0xFCEF && clsid.Data3 == 0x49DD);
  static_assert(clsid.Data4[0] == 0x9C && clsid.Data4[1] == 0xA0 && clsid.Data4[7] == 0x58);
  EXPECT_EQ(FormatGuid(clsid), "{DF5E0D08-FCEF-49DD-9CA0-DFBEF1A98458}");
  EXPECT_EQ(ParseGuid("{df5e0d08-fcef-49dd-9ca0-dfbef1a98458}"), clsid);
  EXPECT_EQ(ParseGuid("DF5E0D08-FCEF-49DD-9CA0-DFBEF1A98458"), clsid);
  for (const char* bad : {"", "{}", "{DF5E0D08-FCEF-49DD-9CA0-DFBEF1A9845}", "{DF5E0D08-FCEF-49DD-9CA0-DFBEF1A9845X}",
                          "(DF5E0D08-FCEF-49DD-9CA0-DFBEF1A98458)", "{DF5E0D08FFCEF-49DD-9CA0-DFBEF1A98458}",
                          "{DF5E0D08-FCEF-49DD-9CA0-DFBEF1A98458"})
    EXPECT_FALSE(ParseGuid(bad)) << bad;
}

TEST(HResult, ControlErrorsTravelAsResultCodesAndComeBackAsTheirNumbers) {
  EXPECT_EQ(HResultFromError(13), MakeHResult(0x800A000D));
  EXPECT_EQ(ErrorFromHResult(HResultFromError(13)), 13);
  EXPECT_EQ(ErrorFromHResult(DISP_E_TYPEMISMATCH), 13);
  EXPECT_EQ(ErrorFromHResult(E_FAIL), E_FAIL);
  EXPECT_EQ(HResultText(CLASS_E_CLASSNOTAVAILABLE), "0x80040111");
  EXPECT_TRUE(Failed(E_NOINTERFACE));
  EXPECT_TRUE(Succeeded(S_FALSE));
}

// A small object with two interfaces, counting its own destruction.
class Sample final : public ComObject<IDispatch, IOleObject> {
 public:
  explicit Sample(std::shared_ptr<ModuleCount> count) : lock_(std::move(count)) {}
  HRESULT GetProperty(DispId, char** value) override {
    *value = AllocText("v");
    return S_OK;
  }
  HRESULT PutProperty(DispId, const char*) override { return HResultFromError(13); }
  HRESULT GetExtent(SizeL* size) override {
    *size = {1, 2};
    return S_OK;
  }

 private:
  ModuleLock lock_;
};

TEST(ComObject, QueryInterfaceGivesTheSameObjectAndTheCountFollowsTheReferences) {
  auto factory = ComPtr<ClassFactory<Sample>>::Adopt(new ClassFactory<Sample>());
  EXPECT_EQ(CanUnloadNow(factory->Unknown()), S_OK);

  ComPtr<IUnknown> unknown;
  ASSERT_EQ(factory->CreateInstance(nullptr, IUnknown::IID, unknown.Put()), S_OK);
  EXPECT_EQ(CanUnloadNow(factory->Unknown()), S_FALSE);
  ComPtr<IDispatch> dispatch = unknown.As<IDispatch>();
  ComPtr<IOleObject> ole = unknown.As<IOleObject>();
  ASSERT_TRUE(dispatch && ole);
  EXPECT_FALSE(unknown.As<IEventSource>());
  EXPECT_EQ(ole.As<IUnknown>().Get(), unknown.Get());  // one identity
  SizeL size;
  EXPECT_EQ(ole->GetExtent(&size), S_OK);
  EXPECT_EQ(size, (SizeL{1, 2}));

  unknown.Reset();
  dispatch.Reset();
  EXPECT_EQ(CanUnloadNow(factory->Unknown()), S_FALSE);  // `ole` still holds it
  ole.Reset();
  EXPECT_EQ(CanUnloadNow(factory->Unknown()), S_OK);

  EXPECT_EQ(factory->LockServer(true), S_OK);
  EXPECT_EQ(CanUnloadNow(factory->Unknown()), S_FALSE);
  factory->LockServer(false);
  EXPECT_EQ(factory->CreateInstance(nullptr, IClassFactory::IID, unknown.Put()), E_NOINTERFACE);
  EXPECT_EQ(CanUnloadNow(factory->Unknown()), S_OK);
  EXPECT_EQ(CanUnloadNow(nullptr), E_POINTER);
}

TEST(PropertyBag, ReadsWhatWasWrittenAndRefusesMissingNames) {
  auto bag = PropertyBag::Create();
  char* value = nullptr;
  EXPECT_EQ(bag->Read("MyValue", &value), E_INVALIDARG);
  EXPECT_EQ(value, nullptr);
  ASSERT_EQ(bag->Write("MyValue", ""), S_OK);
  ASSERT_EQ(bag->Read("MyValue", &value), S_OK);
  EXPECT_STREQ(value, "");
  FreeText(value);
}

constexpr InterfaceEntry kInterfaces[] = {
    {GuidOf("{11111111-0000-0000-0000-000000000001}"), "_Thing"},
    {GuidOf("{11111111-0000-0000-0000-000000000002}"), "__Thing"},
};
constexpr ControlRegistration kThing{GuidOf("{11111111-0000-0000-0000-000000000000}"),
                                     "ThingLib.Thing",
                                     GuidOf("{11111111-0000-0000-0000-0000000000FF}"),
                                     "2.0",
                                     "ThingLib",
                                     1033,
                                     LIBFLAG_FCONTROL,
                                     30000,
                                     kInterfaces};

std::string Default(store::Registry& reg, const std::string& subKey, const std::string& name = "") {
  store::HKey key = 0;
  if (reg.RegOpenKeyExA(store::HKEY_CLASSES_ROOT, subKey, 0, store::KEY_READ, &key) != store::ERROR_SUCCESS)
    return "<no key>";
  std::string text;
  if (reg.RegQueryValueExA(key, name, nullptr, &text) != store::ERROR_SUCCESS) text = "<no value>";
  reg.RegCloseKey(key);
  return text;
}

TEST(Registration, WritesTheStandardEntriesAndUnregistrationRemovesExactlyThem) {
  store::Registry reg;
  // Entries of someone else that must survive.
  store::HKey other = 0;
  reg.RegCreateKeyExA(store::HKEY_CLASSES_ROOT, "CLSID\\{22222222-0000-0000-0000-000000000000}", 0, "", 0,
                      store::KEY_ALL_ACCESS, nullptr, &other, nullptr);
  reg.RegCloseKey(other);
  const std::string before = reg.Export();

  ASSERT_EQ(RegisterControl(reg, kThing, "/opt/lib/libthing.so"), S_OK);
  const std::string clsid = "CLSID\\{11111111-0000-0000-0000-000000000000}";
  EXPECT_EQ(Default(reg, clsid + "\\InprocServer32"), "/opt/lib/libthing.so");
  EXPECT_EQ(Default(reg, clsid + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(Default(reg, clsid + "\\ProgID"), "ThingLib.Thing");
  EXPECT_EQ(Default(reg, clsid + "\\TypeLib"), "{11111111-0000-0000-0000-0000000000FF}");
  EXPECT_EQ(Default(reg, clsid + "\\Version"), "2.0");
  EXPECT_EQ(Default(reg, clsid + "\\Control"), "<no value>");
  EXPECT_EQ(Default(reg, clsid + "\\ToolboxBitmap32"), "/opt/lib/libthing.so, 30000");
  EXPECT_EQ(Default(reg, "ThingLib.Thing\\CLSID"), "{11111111-0000-0000-0000-000000000000}");
  const std::string lib = "TypeLib\\{11111111-0000-0000-0000-0000000000FF}\\2.0";
  EXPECT_EQ(Default(reg, lib), "ThingLib");
  EXPECT_EQ(Default(reg, lib + "\\FLAGS"), "2");
  EXPECT_EQ(Default(reg, lib + "\\409\\linux"), "/opt/lib/libthing.so");
  EXPECT_EQ(Default(reg, lib + "\\HELPDIR"), "/opt/lib");
  EXPECT_EQ(Default(reg, "Interface\\{11111111-0000-0000-0000-000000000002}"), "__Thing");
  EXPECT_EQ(Default(reg, "Interface\\{11111111-0000-0000-0000-000000000001}\\TypeLib", "Version"), "2.0");

  ASSERT_EQ(RegisterControl(reg, kThing, "/opt/lib/libthing.so"), S_OK);  // again: the same entries
  ASSERT_EQ(UnregisterControl(reg, kThing), S_OK);
  EXPECT_EQ(reg.Export(), before);
  EXPECT_EQ(UnregisterControl(reg, kThing), S_OK);  // nothing left to remove is no error
}

TEST(Registration, AStoreThatCannotBeWrittenFailsWithoutLeavingHalfAnEntry) {
  TempFolder folder;
  std::ofstream(folder.Path() / "file") << "x";
  store::Registry reg(folder.Path() / "file" / "registry.ini");
  EXPECT_EQ(RegisterControl(reg, kThing, "/opt/lib/libthing.so"), SELFREG_E_CLASS);
  EXPECT_EQ(Default(reg, "ThingLib.Thing\\CLSID"), "<no key>");
}

// The error of a failed creation names the class and says why (and how to mend it, if the user
// can); `registeringMends` receives whether registering the class would.
std::string CreationError(store::Registry& reg, std::string_view progId, bool* registeringMends = nullptr) {
  try {
    CreateObject(reg, progId);
  } catch (const CreateError& e) {
    EXPECT_EQ(e.number, CannotCreateObject);
    if (registeringMends != nullptr) *registeringMends = e.registeringMends;
    return e.remedy.empty() ? e.description : e.description + "; " + e.remedy;
  }
  return "<created>";
}

// A shared library that is surely there and is no control library.
std::string MathLibrary() { return LibraryPathOf(reinterpret_cast<const void*>(static_cast<double (*)(double)>(&::cos))); }

// A failed creation names the class and says why. Nothing is loaded from where another user
// could have put it: that check comes before the library is opened, so not even its
// initialisers run, and the error says how to mend it.
TEST(CreateObject, FailuresNameTheProgIdAndSayWhyAndHowToMendIt) {
  TempFolder folder;
  const std::string libm = MathLibrary(), missing = (folder.Path() / "missing.so").string();
  ASSERT_FALSE(libm.empty());
  const auto notALibrary = folder.Path() / "libthing.so", open = folder.Path() / "open", exposed = open / "libthing.so";
  std::ofstream(notALibrary) << "not an ELF file";
  std::filesystem::create_directories(open);
  std::filesystem::permissions(open, std::filesystem::perms::all);
  std::filesystem::copy_file(libm, exposed);
  const struct {
    const char* name;
    std::string library;  // registered for the class ("" for none)
    std::string error;    // after "Cannot create ThingLib.Thing: " (how it begins, unless `whole`)
    bool whole;
  } cases[] = {
      {"not registered", "", "class not registered", true},
      {"no shared library", notALibrary.string(), "library " + notALibrary.string() + " cannot be loaded", false},
      {"a missing library", missing, "library " + missing + " is not loaded: it is missing", true},
      {"a shared library without the entry points", libm, "library " + libm + " is not a control library", true},
      {"a library in a folder every user can write", exposed.string(),
       "library " + exposed.string() + " is not loaded: its folder " + open.string() +
           " can be written by every user; chmod go-w " + open.string(),
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    store::Registry reg;
    ASSERT_TRUE(c.library.empty() || RegisterControl(reg, kThing, c.library) == S_OK);
    const std::string error = CreationError(reg, "ThingLib.Thing"), expected = "Cannot create ThingLib.Thing: " + c.error;
    EXPECT_EQ(c.whole ? error : error.substr(0, expected.size()), expected);
  }
}

// A registry that cannot be read shows no classes; the error names it and why instead of
// "class not registered", whose remedy (registering) would only fail on the same file.
TEST(CreateObject, AnUnreadableRegistryIsNamedWithTheSystemsReason) {
  TempFolder folder;
  const auto file = folder.Path() / "registry.ini";
  {
    testing_support::PipeTrap pipe(file);
    store::Registry reg(file);
    bool registeringMends = true;
    EXPECT_EQ(CreationError(reg, "ThingLib.Thing", &registeringMends),
              "Cannot create ThingLib.Thing: " + file.string() + " cannot be read: it is not a regular file");
    EXPECT_FALSE(registeringMends);
    EXPECT_EQ(pipe.Caught(), 0);
  }
  if (::geteuid() != 0) GTEST_SKIP() << "a file root cannot read needs another user";
  // The user's own file, without the right to read it.
  ::chmod(folder.Path().c_str(), 0755);
  std::filesystem::remove(file);
  std::ofstream(file) << "[HKEY_CLASSES_ROOT\\ThingLib.Thing\\CLSID]\n@=\"{11111111-0000-0000-0000-000000000000}\"\n";
  ASSERT_EQ(::chown(file.c_str(), testing_support::kOtherUid, testing_support::kOtherUid), 0);
  ASSERT_EQ(::chmod(file.c_str(), 0200), 0);
  EXPECT_EQ(testing_support::RunAsUser(testing_support::kOtherUid, [&] {
              store::Registry reg(file);
              const std::string error = CreationError(reg, "ThingLib.Thing");
              const std::string expected =
                  "Cannot create ThingLib.Thing: " + file.string() + " cannot be read: Permission denied";
              return error == expected ? std::string() : error;
            }),
            "");
}

// A user's registration of a library that is gone (a removed build folder) does not hide the
// registration every user has: that one is used, and stderr says so.
TEST(CreateObject, AMissingLibraryOfTheUsersGivesWayToTheMachines) {
  TempFolder folder;
  const auto userFile = folder.Path() / "user.ini", machineFile = folder.Path() / "machine.ini";
  const auto gone = folder.Path() / "gone" / "libthing.so", installed = folder.Path() / "lib" / "libthing.so";
  std::filesystem::create_directories(installed.parent_path());
  std::filesystem::copy_file(MathLibrary(), installed);
  {
    store::Registry user(userFile), machine(machineFile);
    ASSERT_EQ(RegisterControl(user, kThing, gone.string()), S_OK);
    ASSERT_EQ(RegisterControl(machine, kThing, installed.string()), S_OK);
  }
  store::Registry layered(userFile, machineFile);
  testing::internal::CaptureStderr();
  // The machine's library is the one tried (this one serves no classes, which shows it was).
  EXPECT_EQ(CreationError(layered, "ThingLib.Thing"),
            "Cannot create ThingLib.Thing: library " + installed.string() + " is not a control library");
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_THAT(said, testing::HasSubstr("the library " + gone.string() + " registered for ThingLib.Thing in " +
                                       userFile.string() + " is missing; using the one registered for every user, " +
                                       installed.string() + "\n"));
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;

  // Without a machine's library to fall back on, the user's is the one named.
  std::filesystem::remove(installed);
  testing::internal::CaptureStderr();
  EXPECT_EQ(CreationError(layered, "ThingLib.Thing"),
            "Cannot create ThingLib.Thing: library " + gone.string() + " is not loaded: it is missing");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// The file loaded is the file checked, even when the path leads elsewhere by the time it is
// loaded (someone swapping folders).
TEST(Library, LoadsExactlyTheFileTheCheckHeld) {
  TempFolder folder;
  const auto library = folder.Path() / "lib" / "libthing.so";
  std::filesystem::create_directories(library.parent_path());
  std::filesystem::copy_file(MathLibrary(), library);
  store::TrustCheck check = store::CheckTrusted(library);
  ASSERT_TRUE(check) << check.problem;
  std::filesystem::rename(library.parent_path(), folder.Path() / "elsewhere");
  std::filesystem::create_directories(library.parent_path());
  std::ofstream(library) << "planted, and no shared library";
  std::string error;
  EXPECT_FALSE(Library::Open(std::move(check), &error));
  EXPECT_EQ(error, "library " + library.string() + " is not a control library") << "the math library was loaded";
}

}  // namespace

// The built library, loaded the way the program loads it: registered into a temporary per-user
// store by the registration tool, created by its ProgID.
#include "glidebar/identity.h"
#include "platform/basic/basic.h"
#include "platform/com/client.h"
#include "platform/store/registry.h"
#include "platform/store/test_folders.h"
#include "support/run_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

using testing_support::ScopedEnv;
using testing_support::TempFolder;

namespace {

using testing_support::CommandResult;
using testing_support::RunCommand;

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

std::string Default(store::Registry& reg, const std::string& subKey, const std::string& name = "") {
  store::HKey key = 0;
  if (reg.RegOpenKeyExA(store::HKEY_CLASSES_ROOT, subKey, 0, store::KEY_READ, &key) != store::ERROR_SUCCESS)
    return "<no key>";
  std::string text;
  if (reg.RegQueryValueExA(key, name, nullptr, &text) != store::ERROR_SUCCESS) text = "<no value>";
  reg.RegCloseKey(key);
  return text;
}

class GlidebarLibrary : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(Register("").status, 0); }
  CommandResult Register(const std::string& option) {
    return RunCommand(Quoted(REGSVR_TOOL) + " " + option + " " + Quoted(GLIDEBAR_LIBRARY));
  }

  TempFolder home;
  ScopedEnv config{"XDG_CONFIG_HOME", home.Path().string()};
  store::Registry registry{store::Registry::DefaultFile()};
  const std::string libraryPath = std::filesystem::canonical(GLIDEBAR_LIBRARY).string();
};

TEST_F(GlidebarLibrary, RegistrationWritesTheControlClassAndUnregistrationRemovesEveryKey) {
  const std::string clsid = "CLSID\\{DF5E0D08-FCEF-49DD-9CA0-DFBEF1A98458}";
  EXPECT_EQ(Default(registry, "GlidebarControl.Glidebar\\CLSID"), "{DF5E0D08-FCEF-49DD-9CA0-DFBEF1A98458}");
  EXPECT_EQ(Default(registry, clsid + "\\InprocServer32"), libraryPath);
  EXPECT_EQ(Default(registry, clsid + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(Default(registry, clsid + "\\Control"), "<no value>");
  EXPECT_EQ(Default(registry, clsid + "\\ToolboxBitmap32"), libraryPath + ", 30000");
  EXPECT_EQ(Default(registry, clsid + "\\TypeLib"), "{85DC30FD-F848-420E-A5BF-8FE00F2E9226}");
  EXPECT_EQ(Default(registry, "TypeLib\\{85DC30FD-F848-420E-A5BF-8FE00F2E9226}\\2.0"), "GlidebarControl");
  EXPECT_EQ(Default(registry, "TypeLib\\{85DC30FD-F848-420E-A5BF-8FE00F2E9226}\\2.0\\FLAGS"), "2");
  EXPECT_EQ(Default(registry, "Interface\\{75DD98D7-88A4-4A5E-82F5-A22EB00A5948}"), "_Glidebar");
  EXPECT_EQ(Default(registry, "Interface\\{5E0C76ED-65CB-4F58-8348-A7CEA1ED0738}"), "__Glidebar");

  CommandResult run = Register("-u");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(registry.Export(), store::Registry().Export());  // nothing left but the empty roots
  try {
    com::CreateObject(registry, "GlidebarControl.Glidebar");
    FAIL() << "created without registration";
  } catch (const basic::RuntimeError& e) {
    EXPECT_EQ(e.description, "Cannot create GlidebarControl.Glidebar: class not registered");
  }
}

TEST_F(GlidebarLibrary, PropertiesThroughTheRegisteredClass) {
  com::Object slider = com::CreateObject(registry, "GlidebarControl.Glidebar");
  EXPECT_EQ(slider.GetProperty(glidebar::dispid::myvalue), "75");
  slider.PutProperty(glidebar::dispid::myvalue, "42");
  EXPECT_EQ(slider.GetProperty(glidebar::dispid::myvalue), "42");
  try {
    slider.PutProperty(glidebar::dispid::myvalue, "loud");
    FAIL() << "no error";
  } catch (const basic::RuntimeError& e) {
    EXPECT_EQ(e.number, 13);
    EXPECT_EQ(e.description, "Type mismatch");
  }
  EXPECT_EQ(slider.GetProperty(glidebar::dispid::myvalue), "loud");

  slider.PutProperty(glidebar::dispid::Max, "100");
  EXPECT_EQ(slider.GetProperty(glidebar::dispid::Max), "");
  EXPECT_THROW(slider.GetProperty(0x12345), basic::RuntimeError);
  EXPECT_EQ(slider.Extent(), (com::SizeL{4366, 1640}));
}

TEST_F(GlidebarLibrary, EventSinksHearOnlyTheEventInterfaceAndPropertyChanges) {
  com::Object slider = com::CreateObject(registry, "GlidebarControl.Glidebar");
  EXPECT_THROW(slider.Advise(glidebar::kIidGlidebar, [](com::DispId) {}), basic::RuntimeError);
  std::vector<com::DispId> events, changes;
  uint32_t cookie = slider.Advise(
      glidebar::kIidGlidebarEvents, [&](com::DispId e) { events.push_back(e); },
      [&](com::DispId p) { changes.push_back(p); });
  slider.PutProperty(glidebar::dispid::myvalue, "10");
  EXPECT_EQ(changes, std::vector<com::DispId>{glidebar::dispid::myvalue});
  EXPECT_TRUE(events.empty());  // setting the value raises no event
  slider.Unadvise(cookie);
  slider.PutProperty(glidebar::dispid::myvalue, "20");
  EXPECT_EQ(changes.size(), 1u);
  EXPECT_THROW(slider.Unadvise(cookie), basic::RuntimeError);
}

TEST_F(GlidebarLibrary, TheSavedPropertyBagHoldsAnEmptyMyValueAndANewInstanceShows75) {
  auto bag = com::PropertyBag::Create();
  {
    com::Object slider = com::CreateObject(registry, "GlidebarControl.Glidebar");
    slider.InitNew();
    slider.PutProperty(glidebar::dispid::myvalue, "30");
    slider.Save(*bag.Get());
  }
  EXPECT_EQ(bag->Values(), (std::map<std::string, std::string>{{"MyValue", ""}}));
  com::Object again = com::CreateObject(registry, "GlidebarControl.Glidebar");
  again.Load(*bag.Get());
  EXPECT_EQ(again.GetProperty(glidebar::dispid::myvalue), "75");
}

TEST_F(GlidebarLibrary, TheLibraryMayBeUnloadedOnlyWhenNoInstanceLives) {
  std::string error;
  auto library = com::Library::Open(libraryPath, &error);
  ASSERT_TRUE(library) << error;
  com::ComPtr<com::IClassFactory> factory;
  ASSERT_EQ(library->GetClassObject(glidebar::kClsid, &factory), com::S_OK);
  EXPECT_EQ(library->GetClassObject(glidebar::kIidGlidebar, &factory), com::CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(library->CanUnloadNow(), com::S_OK);

  com::ComPtr<com::IUnknown> instance;
  ASSERT_EQ(factory->CreateInstance(nullptr, com::IUnknown::IID, instance.Put()), com::S_OK);
  EXPECT_EQ(library->CanUnloadNow(), com::S_FALSE);
  auto glidebar = instance.As<com::IDispatch>();
  instance.Reset();
  EXPECT_EQ(library->CanUnloadNow(), com::S_FALSE);
  com::ComPtr<com::IDispatch> viaDefaultInterface;
  ASSERT_EQ(glidebar->QueryInterface(glidebar::kIidGlidebar, viaDefaultInterface.Put()), com::S_OK);
  glidebar.Reset();
  viaDefaultInterface.Reset();
  EXPECT_EQ(library->CanUnloadNow(), com::S_OK);
}

TEST(GlidebarExports, OnlyTheFourEntryPointsAreExported) {
  CommandResult run = RunCommand("nm -D --defined-only --format=posix " + Quoted(GLIDEBAR_LIBRARY));
  ASSERT_EQ(run.status, 0) << run.output;
  std::set<std::string> names;
  size_t start = 0;
  while (start < run.output.size()) {
    size_t end = run.output.find('\n', start);
    std::string line = run.output.substr(start, end - start);
    if (!line.empty()) names.insert(line.substr(0, line.find(' ')));
    start = end == std::string::npos ? run.output.size() : end + 1;
  }
  EXPECT_EQ(names, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                          "DllUnregisterServer"}));
}

}  // namespace

#include "platform/com/registration.h"

#include <dlfcn.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace com {

namespace {

using store::HKEY_CLASSES_ROOT;
using store::HKey;
using store::Registry;

// Sets one text value of a key (created when missing), as REG_SZ with its terminating NUL.
bool SetText(Registry& reg, const std::string& subKey, std::string_view valueName, const std::string& text) {
  HKey key = 0;
  if (reg.RegCreateKeyExA(HKEY_CLASSES_ROOT, subKey, 0, "", store::REG_OPTION_NON_VOLATILE, store::KEY_ALL_ACCESS,
                          nullptr, &key, nullptr) != store::ERROR_SUCCESS)
    return false;
  int32_t rc = reg.RegSetValueExA(key, valueName, 0, store::REG_SZ, text.c_str(), static_cast<uint32_t>(text.size() + 1));
  reg.RegCloseKey(key);
  return rc == store::ERROR_SUCCESS;
}

bool CreateKey(Registry& reg, const std::string& subKey) {
  HKey key = 0;
  if (reg.RegCreateKeyExA(HKEY_CLASSES_ROOT, subKey, 0, "", store::REG_OPTION_NON_VOLATILE, store::KEY_ALL_ACCESS,
                          nullptr, &key, nullptr) != store::ERROR_SUCCESS)
    return false;
  reg.RegCloseKey(key);
  return true;
}

bool DeleteTree(Registry& reg, const std::string& subKey) {
  int32_t rc = reg.RegDeleteTree(HKEY_CLASSES_ROOT, subKey);
  return rc == store::ERROR_SUCCESS || rc == store::ERROR_FILE_NOT_FOUND;
}

// Deletes a key when it has neither subkeys nor values.
bool DeleteIfEmpty(Registry& reg, const std::string& subKey) {
  HKey key = 0;
  if (reg.RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey, 0, store::KEY_READ, &key) != store::ERROR_SUCCESS) return true;
  std::string name;
  bool empty = reg.RegEnumKeyExA(key, 0, &name) == store::ERROR_NO_MORE_ITEMS &&
               reg.RegQueryValueExA(key, "", nullptr, nullptr) == store::ERROR_FILE_NOT_FOUND;
  reg.RegCloseKey(key);
  if (!empty) return true;
  return reg.RegDeleteKey(HKEY_CLASSES_ROOT, subKey) == store::ERROR_SUCCESS;
}

std::string HexLcid(uint32_t lcid) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(lcid));
  return text;
}

}  // namespace

HRESULT RegisterControl(Registry& reg, const ControlRegistration& c, const std::string& libraryPath) {
  const std::string clsid = FormatGuid(c.clsid);
  const std::string typeLib = FormatGuid(c.typeLib);
  const std::string progId(c.progId);
  const std::string version(c.typeLibVersion);
  const std::string classKey = "CLSID\\" + clsid;
  const std::string libKey = "TypeLib\\" + typeLib + "\\" + version;
  const std::string folder = std::filesystem::path(libraryPath).parent_path().string();

  bool ok = SetText(reg, classKey, "", progId) && SetText(reg, classKey + "\\InprocServer32", "", libraryPath) &&
            SetText(reg, classKey + "\\InprocServer32", "ThreadingModel", "Apartment") &&
            SetText(reg, classKey + "\\ProgID", "", progId) && SetText(reg, classKey + "\\TypeLib", "", typeLib) &&
            SetText(reg, classKey + "\\Version", "", version) && CreateKey(reg, classKey + "\\Control") &&
            SetText(reg, classKey + "\\ToolboxBitmap32", "", libraryPath + ", " + std::to_string(c.toolboxBitmap)) &&
            SetText(reg, progId, "", progId) && SetText(reg, progId + "\\CLSID", "", clsid) &&
            SetText(reg, libKey, "", std::string(c.typeLibHelp)) &&
            SetText(reg, libKey + "\\FLAGS", "", std::to_string(c.typeLibFlags)) &&
            SetText(reg, libKey + "\\" + HexLcid(c.typeLibLcid) + "\\linux", "", libraryPath) &&
            SetText(reg, libKey + "\\HELPDIR", "", folder);
  for (const InterfaceEntry& i : c.interfaces) {
    const std::string key = "Interface\\" + FormatGuid(i.iid);
    ok = ok && SetText(reg, key, "", std::string(i.name)) && SetText(reg, key + "\\TypeLib", "", typeLib) &&
         SetText(reg, key + "\\TypeLib", "Version", version);
  }
  if (ok) return S_OK;
  UnregisterControl(reg, c);
  return SELFREG_E_CLASS;
}

HRESULT UnregisterControl(Registry& reg, const ControlRegistration& c) {
  const std::string typeLibId = "TypeLib\\" + FormatGuid(c.typeLib);
  bool ok = DeleteTree(reg, "CLSID\\" + FormatGuid(c.clsid)) && DeleteTree(reg, std::string(c.progId)) &&
            DeleteTree(reg, typeLibId + "\\" + std::string(c.typeLibVersion)) && DeleteIfEmpty(reg, typeLibId);
  for (const InterfaceEntry& i : c.interfaces) ok = DeleteTree(reg, "Interface\\" + FormatGuid(i.iid)) && ok;
  for (const char* container : {"CLSID", "TypeLib", "Interface"}) ok = DeleteIfEmpty(reg, container) && ok;
  return ok ? S_OK : SELFREG_E_CLASS;
}

std::string LibraryPathOf(const void* address) {
  Dl_info info{};
  if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
  char resolved[PATH_MAX];
  if (realpath(info.dli_fname, resolved) == nullptr) return {};
  return resolved;
}

}  // namespace com

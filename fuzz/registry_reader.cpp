// Any bytes read as a registry file give a store whose every key can be reached by the names it
// lists, whose text reads back as the same store, and which answers the lookups that choose a
// control's library the same way as a user's layer or as the machine's layer beneath an empty one.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/com/guid.h"
#include "platform/store/registry.h"

namespace {

using namespace store;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void Write(const std::filesystem::path& file, const void* data, size_t size) {
  std::ofstream(file, std::ios::binary | std::ios::trunc).write(static_cast<const char*>(data), static_cast<long>(size));
}

std::string Default(Registry& reg, const std::string& subKey) {
  HKey key = 0;
  if (reg.RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
  std::string text;
  if (reg.RegQueryValueExA(key, "", nullptr, &text) != ERROR_SUCCESS) text = "<no value>";
  reg.RegCloseKey(key);
  return text;
}

// Every subkey listed opens by its name, with a name the registry could have been given.
size_t WalkKeys(Registry& reg, HKey key) {
  size_t count = 0;
  std::string name;
  for (uint32_t i = 0; reg.RegEnumKeyExA(key, i, &name) == ERROR_SUCCESS; ++i) {
    Check(!name.empty() && name.size() <= 255 && name.find('\\') == std::string::npos &&
          name.find('\0') == std::string::npos);
    HKey child = 0;
    Check(reg.RegOpenKeyExA(key, name, 0, KEY_READ, &child) == ERROR_SUCCESS);
    uint32_t type = 0;
    const int32_t rc = reg.RegQueryValueExA(child, "", &type, nullptr);
    Check(rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND);
    count += 1 + WalkKeys(reg, child);
    Check(reg.RegCloseKey(child) == ERROR_SUCCESS);
  }
  return count;
}

// The two lookups by which the program finds a control's library.
std::string LibraryOf(Registry& reg, const std::string& progId) {
  const std::string clsid = Default(reg, progId + "\\CLSID");
  const auto guid = com::ParseGuid(clsid);
  return clsid + "|" + (guid ? Default(reg, "CLSID\\" + com::FormatGuid(*guid) + "\\InprocServer32") : "");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::filesystem::path folder = [] {
    char pattern[] = "/dev/shm/registry-fuzz-XXXXXX";  // memory: the files change on every input
    return std::filesystem::path(mkdtemp(pattern));
  }();
  const auto input = folder / "input.ini", again = folder / "again.ini", none = folder / "none.ini";
  Write(input, data, size);

  Registry user(input);
  const std::string text = user.Export();
  const size_t keys = WalkKeys(user, HKEY_CLASSES_ROOT) + WalkKeys(user, HKEY_CURRENT_USER);

  // What was read is written so that it reads back the same.
  Write(again, text.data(), text.size());
  Registry reread(again);
  Check(reread.Export() == text);
  Check(WalkKeys(reread, HKEY_CLASSES_ROOT) + WalkKeys(reread, HKEY_CURRENT_USER) == keys);

  // Beneath an empty user's layer the file answers as it does on its own; the user's layer
  // stays empty.
  Registry layered(none, input);
  for (const char* progId : {"GlidebarControl.Glidebar", "ThingLib.Thing"})
    Check(LibraryOf(layered, progId) == LibraryOf(user, progId));
  Check(WalkKeys(layered, HKEY_CLASSES_ROOT) == WalkKeys(user, HKEY_CLASSES_ROOT));
  Check(layered.Export() == Registry().Export());
  return 0;
}

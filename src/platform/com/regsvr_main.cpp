// stavelark-regsvr [-u] LIBRARY: registers (or with -u unregisters) the control classes of a
// control library in the user's registry by calling its DllRegisterServer / DllUnregisterServer.
#include <dlfcn.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/com/com.h"

int main(int argc, char** argv) {
  bool unregister = false;
  const char* library = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-u") == 0 && library == nullptr) unregister = true;
    else if (library == nullptr) library = argv[i];
    else library = "";  // more than one library named
  }
  if (library == nullptr || library[0] == '\0') {
    std::fprintf(stderr, "usage: stavelark-regsvr [-u] LIBRARY\n");
    return 2;
  }
  // The library records its own path, so it is loaded by its absolute one.
  char path[PATH_MAX];
  if (realpath(library, path) == nullptr) {
    std::fprintf(stderr, "stavelark-regsvr: %s: %s\n", library, std::strerror(errno));
    return 1;
  }
  void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    std::fprintf(stderr, "stavelark-regsvr: cannot load %s: %s\n", path, dlerror());
    return 1;
  }
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  auto function = reinterpret_cast<com::DllRegisterServerFn>(dlsym(handle, entry));
  if (function == nullptr) {
    std::fprintf(stderr, "stavelark-regsvr: %s has no %s\n", path, entry);
    dlclose(handle);
    return 1;
  }
  com::HRESULT hr = function();
  dlclose(handle);
  if (com::Failed(hr)) {
    std::fprintf(stderr, "stavelark-regsvr: %s in %s failed (%s)\n", entry, path, com::HResultText(hr).c_str());
    return 1;
  }
  std::printf("%s in %s succeeded.\n", entry, path);
  return 0;
}

// stavelark-regsvr [-u] [--machine] LIBRARY: registers (or with -u unregisters) the control
// classes of a control library by calling its DllRegisterServer / DllUnregisterServer: in the
// user's registry, or with --machine in the machine layer of the installation the tool belongs to
// (every user's programs see it beneath their own classes).
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <filesystem>
#include <system_error>

#include "platform/com/com.h"
#include "platform/store/registry.h"

namespace {

// Points the library's registration at the machine layer, which every user must be able to read
// and only its owner write. False (with a line on stderr) when this tool is not an installed one.
bool UseMachineLayer() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::canonical("/proc/self/exe", ec);
  const auto file = store::Registry::MachineFileOf(self);
  if (ec || !file) {
    std::fprintf(stderr, "stavelark-regsvr: --machine works only for an installed tool (PREFIX/lib/stavelark/)\n");
    return false;
  }
  std::filesystem::path folder;
  for (const auto& part : file->parent_path()) {
    folder /= part;
    if (::mkdir(folder.c_str(), 0755) == 0) ::chmod(folder.c_str(), 0755);  // whatever the umask
  }
  int fd = ::open(file->c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    std::fprintf(stderr, "stavelark-regsvr: cannot write %s: %s\n", file->c_str(), std::strerror(errno));
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && st.st_size == 0) ::fchmod(fd, 0644);  // a new file, whatever the umask
  ::close(fd);
  ::setenv(store::Registry::kRegistrationFileVariable, file->c_str(), 1);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool unregister = false;
  bool machine = false;
  const char* library = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-u") == 0 && library == nullptr) unregister = true;
    else if (std::strcmp(argv[i], "--machine") == 0 && library == nullptr) machine = true;
    else if (library == nullptr) library = argv[i];
    else library = "";  // more than one library named
  }
  if (library == nullptr || library[0] == '\0') {
    std::fprintf(stderr, "usage: stavelark-regsvr [-u] [--machine] LIBRARY\n");
    return 2;
  }
  // The library records its own path, so it is loaded by its absolute one.
  char path[PATH_MAX];
  if (realpath(library, path) == nullptr) {
    std::fprintf(stderr, "stavelark-regsvr: %s: %s\n", library, std::strerror(errno));
    return 1;
  }
  if (machine && !UseMachineLayer()) return 1;
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

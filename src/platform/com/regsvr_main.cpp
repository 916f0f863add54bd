// stavelark-regsvr [-u] [--machine] LIBRARY: registers (or with -u unregisters) the control
// classes of a control library by calling its DllRegisterServer / DllUnregisterServer: in the
// user's registry, or with --machine in the machine layer of the installation the tool belongs to
// (every user's programs see it beneath their own classes).
#include <dlfcn.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "platform/com/com.h"
#include "platform/store/paths.h"
#include "platform/store/registry.h"

namespace {

constexpr const char* kUsage =
    "usage: stavelark-regsvr [-u] [--machine] LIBRARY\n"
    "Registers the control classes of the control library LIBRARY (such as libglidebar.so) for this user.\n"
    "  -u         unregister them instead\n"
    "  --machine  for every user of the installation this tool belongs to (PREFIX/etc/stavelark/registry.ini)\n"
    "  --help     show this text\n";

// The machine layer of the installation this tool belongs to, if it is an installed one.
std::optional<std::filesystem::path> OwnMachineFile() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::canonical("/proc/self/exe", ec);
  if (ec) return std::nullopt;
  return store::Registry::MachineFileOf(self);
}

// Points the library's registration at the machine layer, which every user must be able to read
// and only its owner write. False (with a line on stderr) when this tool is not an installed one.
bool UseMachineLayer() {
  const auto file = OwnMachineFile();
  if (!file) {
    std::fprintf(stderr, "stavelark-regsvr: --machine works only for an installed tool (PREFIX/lib/stavelark/)\n");
    return false;
  }
  std::filesystem::path folder;
  for (const auto& part : file->parent_path()) {
    folder /= part;
    if (::mkdir(folder.c_str(), 0755) == 0) ::chmod(folder.c_str(), 0755);  // whatever the umask
  }
  int fd = ::open(file->c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) {
    std::fprintf(stderr, "stavelark-regsvr: cannot write %s: %s\n", file->c_str(), std::strerror(errno));
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0) ::fchmod(fd, 0644);  // a new file
  ::close(fd);
  ::setenv(store::Registry::kRegistrationFileVariable, file->c_str(), 1);
  return true;
}

std::string OwnerName(uid_t uid) {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) return found->pw_name;
  return "uid " + std::to_string(uid);
}

// The ProgIDs (or class identifiers) the machine layer registers with `library`: what a user's
// unregistration leaves in place.
std::vector<std::string> MachineClassesOf(const std::filesystem::path& machineFile, const std::string& library) {
  store::Registry machine(machineFile);
  std::vector<std::string> classes;
  store::HKey clsids = 0;
  if (machine.RegOpenKeyExA(store::HKEY_CLASSES_ROOT, "CLSID", 0, store::KEY_READ, &clsids) != store::ERROR_SUCCESS)
    return classes;
  std::string clsid;
  for (uint32_t i = 0; machine.RegEnumKeyExA(clsids, i, &clsid) == store::ERROR_SUCCESS; ++i) {
    std::string path, progId;
    store::HKey key = 0;
    if (machine.RegOpenKeyExA(clsids, clsid + "\\InprocServer32", 0, store::KEY_READ, &key) == store::ERROR_SUCCESS) {
      machine.RegQueryValueExA(key, "", nullptr, &path);
      machine.RegCloseKey(key);
    }
    if (path != library) continue;
    if (machine.RegOpenKeyExA(clsids, clsid, 0, store::KEY_READ, &key) == store::ERROR_SUCCESS) {
      machine.RegQueryValueExA(key, "", nullptr, &progId);
      machine.RegCloseKey(key);
    }
    classes.push_back(progId.empty() ? clsid : progId);
  }
  machine.RegCloseKey(clsids);
  return classes;
}

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  bool unregister = false;
  bool machine = false;
  bool optionsEnd = false;
  std::vector<std::string> libraries;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsEnd || arg.size() < 2 || arg[0] != '-') libraries.push_back(arg);
    else if (arg == "--") optionsEnd = true;
    else if (arg == "-u") unregister = true;
    else if (arg == "--machine") machine = true;
    else if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else {
      std::fprintf(stderr, "stavelark-regsvr: unknown option %s\n", arg.c_str());
      return Usage();
    }
  }
  if (libraries.size() != 1 || libraries[0].empty()) return Usage();

  // The library's code runs here, so it is loaded under the same rules as in the program, and
  // exactly the file checked. It records its own path, the one the program then checks.
  std::error_code ec;
  const std::filesystem::path library = std::filesystem::absolute(libraries[0], ec);
  store::TrustCheck trust = store::CheckTrusted(library);
  if (!trust) {
    std::fprintf(stderr, "stavelark-regsvr: library %s is not loaded: %s%s%s\n", library.c_str(),
                 trust.problem.c_str(), trust.remedy.empty() ? "" : ". To fix it, run: ", trust.remedy.c_str());
    return 1;
  }
  if (machine && !UseMachineLayer()) return 1;
  // A registry that cannot be read is never written: say which and why before the library fails.
  const std::string unreadable = store::Registry(store::Registry::RegistrationFile()).ReadProblem();
  if (!unreadable.empty()) {
    std::fprintf(stderr, "stavelark-regsvr: %s; it is left as it is\n", unreadable.c_str());
    return 1;
  }
  const std::string path = trust.resolved.string();
  void* handle = dlopen(store::OpenPathOf(trust.file).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    std::fprintf(stderr, "stavelark-regsvr: cannot load %s: %s\n", path.c_str(), dlerror());
    return 1;
  }
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  auto function = reinterpret_cast<com::DllRegisterServerFn>(dlsym(handle, entry));
  if (function == nullptr) {
    std::fprintf(stderr, "stavelark-regsvr: %s has no %s\n", path.c_str(), entry);
    dlclose(handle);
    return 1;
  }
  com::HRESULT hr = function();
  dlclose(handle);
  if (com::Failed(hr)) {
    std::fprintf(stderr, "stavelark-regsvr: %s in %s failed (%s)\n", entry, path.c_str(), com::HResultText(hr).c_str());
    return 1;
  }
  // A user's unregistration cannot touch what the installation registered for every user.
  if (const auto machineFile = OwnMachineFile(); unregister && !machine && machineFile) {
    const std::vector<std::string> classes = MachineClassesOf(*machineFile, path);
    if (!classes.empty()) {
      std::string names;
      for (const std::string& name : classes) names += (names.empty() ? "" : ", ") + name;
      struct stat st {};
      const std::string owner = ::stat(machineFile->c_str(), &st) == 0 ? OwnerName(st.st_uid) : "its owner";
      std::fprintf(stderr,
                   "stavelark-regsvr: cannot unregister %s: registered for every user in %s, which only %s can "
                   "change; as %s, run: stavelark-regsvr -u --machine %s\n",
                   names.c_str(), machineFile->c_str(), owner.c_str(), owner.c_str(),
                   store::ShellQuote(path).c_str());
      return 1;
    }
  }
  std::printf("%s in %s succeeded.\n", entry, path.c_str());
  return 0;
}

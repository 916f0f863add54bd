#include "editor/temp_folder.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

namespace stavelark {

namespace {

constexpr std::string_view kPrefix = "stavelark-";
constexpr size_t kRandomPart = 6;  // mkdtemp's XXXXXX

// The process number in a folder name "stavelark-<pid>-XXXXXX"; 0 for a name of another form.
pid_t PidOfName(std::string_view name) {
  if (!name.starts_with(kPrefix)) return 0;
  name.remove_prefix(kPrefix.size());
  const size_t dash = name.find('-');
  if (dash == std::string_view::npos || dash == 0 || name.size() - dash - 1 != kRandomPart) return 0;
  pid_t pid = 0;
  const auto [end, error] = std::from_chars(name.data(), name.data() + dash, pid);
  if (error != std::errc() || end != name.data() + dash) return 0;
  return pid;
}

// The command name of a process ("self" for this one); empty when it can't be read.
std::string CommandOf(const std::string& process) {
  std::ifstream in("/proc/" + process + "/comm");
  std::string name;
  std::getline(in, name);
  return name;
}

// Whether a process has ended but not yet been reaped by its parent.
bool IsZombie(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  std::getline(in, stat);
  const size_t close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
}

// Whether the run that named a folder after process `pid` has ended: no such process (or one
// that has ended and waits to be reaped), or the number now belongs to another program.
bool RunEnded(pid_t pid) {
  if (pid == ::getpid()) return false;
  if (::kill(pid, 0) == 0 || errno == EPERM) {
    if (IsZombie(pid)) return true;
    const std::string mine = CommandOf("self");
    const std::string theirs = CommandOf(std::to_string(pid));
    return !mine.empty() && !theirs.empty() && mine != theirs;
  }
  return errno == ESRCH;
}

}  // namespace

std::vector<std::filesystem::path> PrivateTempFolder::Bases() {
  std::vector<std::filesystem::path> bases;
  const auto add = [&bases](const std::filesystem::path& base) {
    if (std::find(bases.begin(), bases.end(), base) == bases.end()) bases.push_back(base);
  };
  for (const char* variable : {"TMPDIR", "XDG_RUNTIME_DIR"})
    if (const char* value = std::getenv(variable); value != nullptr && *value != '\0') add(value);
  add("/tmp");
  return bases;
}

PrivateTempFolder::PrivateTempFolder(const std::vector<std::filesystem::path>& bases) {
  std::vector<std::string> failures;
  for (const std::filesystem::path& base : bases) {
    RemoveAbandoned(base);
    std::string pattern = (base / (std::string(kPrefix) + std::to_string(::getpid()) + "-XXXXXX")).string();
    // mkdtemp makes a folder of a fresh name with mode 0700 in one step: nobody else can have
    // made it first or get into it.
    if (::mkdtemp(pattern.data())) {
      path_ = pattern;
      lock_ = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (lock_ >= 0) ::flock(lock_, LOCK_EX | LOCK_NB);
      return;
    }
    const int error = errno;
    failures.push_back(base.string() + " (" + std::generic_category().message(error) + ")");
  }
  problem_ = "Nothing can be played: the folder for temporary MIDI files could not be made in ";
  for (size_t i = 0; i < failures.size(); ++i)
    problem_ += (i == 0 ? "" : i + 1 == failures.size() ? " or " : ", ") + failures[i];
  problem_ += ".";
}

PrivateTempFolder::~PrivateTempFolder() {
  if (!path_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  if (lock_ >= 0) ::close(lock_);
}

int PrivateTempFolder::RemoveAbandoned(const std::filesystem::path& base) {
  int removed = 0;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(base, ec); !ec && it != std::filesystem::directory_iterator();
       it.increment(ec)) {
    const std::filesystem::path& folder = it->path();
    const pid_t pid = PidOfName(folder.filename().string());
    if (pid <= 0) continue;
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) continue;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    // A running run holds its folder locked; the lock is what tells, the process number only
    // guards the folders of runs that took no lock.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && RunEnded(pid)) {
      std::error_code removeError;
      std::filesystem::remove_all(folder, removeError);
      if (!removeError) ++removed;
    }
    ::close(fd);
  }
  return removed;
}

}  // namespace stavelark

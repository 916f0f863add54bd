#include "platform/store/paths.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

namespace store {

namespace {

std::filesystem::path HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr)
    return found->pw_dir;
  return std::filesystem::temp_directory_path();
}

// The XDG base-directory rules ignore relative values.
std::filesystem::path XdgFolder(const char* variable, const char* fallbackBelowHome) {
  if (const char* value = std::getenv(variable); value != nullptr && value[0] == '/') return value;
  return HomeFolder() / fallbackBelowHome;
}

std::string ErrnoText(const std::string& what, const std::filesystem::path& path, int error) {
  return what + " " + path.string() + ": " + std::strerror(error);
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

std::filesystem::path ConfigFolder() { return XdgFolder("XDG_CONFIG_HOME", ".config") / "Stavelark"; }

std::filesystem::path DataHome() { return XdgFolder("XDG_DATA_HOME", ".local/share"); }

Status WriteFileAtomically(const std::filesystem::path& file, std::string_view contents) {
  std::error_code ec;
  const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
  std::filesystem::create_directories(folder, ec);
  if (ec) return Status::Failed("Cannot create folder " + folder.string() + ": " + ec.message());

  std::string temp = (folder / ("." + file.filename().string() + ".XXXXXX")).string();
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return Status::Failed(ErrnoText("Cannot write in", folder, errno));
  bool written = WriteAll(fd, contents) && ::fsync(fd) == 0;
  int error = errno;
  if (::close(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (!written || ::rename(temp.c_str(), file.c_str()) != 0) {
    if (written) error = errno;
    ::unlink(temp.c_str());
    return Status::Failed(ErrnoText("Cannot write", file, error));
  }
  // Make the rename itself durable.
  if (int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY); dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return Status::Ok();
}

}  // namespace store

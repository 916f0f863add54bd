#include "platform/store/paths.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
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

  std::string tempName = ".";  // (built in steps: GCC 12 warns falsely of "." + string)
  tempName += file.filename().string();
  tempName += ".XXXXXX";
  std::string temp = (folder / tempName).string();
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return Status::Failed(ErrnoText("Cannot write in", folder, errno));
  // A file others may read (the machine's registry) stays readable after it is replaced.
  if (struct stat old {}; ::stat(file.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
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

namespace {

// What is wrong with one place (the file, "it", or "its folder <path>") as a source of code; ""
// when nothing.
std::string OwnershipProblem(const std::filesystem::path& place, const struct stat& st, const std::string& name,
                             std::string* remedy) {
  if (st.st_uid != ::geteuid() && st.st_uid != 0)
    return name + " belongs to another user (uid " + std::to_string(st.st_uid) + ")";
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    // Only the owner (or root) can take the right away again.
    if (st.st_uid == ::geteuid()) *remedy = "chmod go-w " + ShellQuote(place.string());
    return name + ((st.st_mode & S_IWOTH) != 0 ? " can be written by every user" : " can be written by its group");
  }
  return {};
}

}  // namespace

TrustCheck CheckTrusted(const std::filesystem::path& file) {
  TrustCheck check;
  // A relative name would be looked for wherever the program happens to run.
  if (file.is_relative()) {
    check.problem = "its path is not absolute";
    return check;
  }
  std::error_code ec;
  check.resolved = std::filesystem::canonical(file, ec);
  if (ec) {
    check.resolved.clear();
    check.problem = ec == std::errc::no_such_file_or_directory ? "it is missing" : "it cannot be reached: " + ec.message();
    return check;
  }
  struct stat st {};
  if (::stat(check.resolved.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    check.problem = "it is not a file";
    return check;
  }
  check.problem = OwnershipProblem(check.resolved, st, "it", &check.remedy);
  if (!check.problem.empty()) return check;
  const std::filesystem::path folder = check.resolved.parent_path();
  if (::stat(folder.c_str(), &st) != 0) {
    check.problem = "its folder " + folder.string() + " cannot be examined";
    return check;
  }
  check.problem = OwnershipProblem(folder, st, "its folder " + folder.string(), &check.remedy);
  check.trusted = check.problem.empty();
  return check;
}

std::string ShellQuote(std::string_view text) {
  bool plain = !text.empty();
  for (char c : text) {
    if (!(std::isalnum(static_cast<unsigned char>(c)) || std::strchr("/._-+,:=@%", c) != nullptr)) plain = false;
  }
  if (plain) return std::string(text);
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

}  // namespace store

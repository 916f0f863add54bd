#include "platform/store/paths.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <deque>
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

FileHandle::~FileHandle() {
  if (fd_ >= 0) ::close(fd_);
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.Release();
  }
  return *this;
}

std::string OpenPathOf(const FileHandle& fd) { return "/proc/self/fd/" + std::to_string(fd.Get()); }

namespace {

std::string TooLarge(std::uintmax_t maxSize) {
  return "it is larger than " +
         (maxSize % (1u << 20) == 0 ? std::to_string(maxSize >> 20) + " MiB" : std::to_string(maxSize) + " bytes");
}

}  // namespace

FileHandle OpenRegularFile(const std::filesystem::path& file, std::uintmax_t maxSize, FileContents* out) {
  auto fail = [out](int error) {
    out->exists = error != ENOENT && error != ENOTDIR;
    out->problem = std::strerror(error);
    return FileHandle();
  };
  // Looked at before it is opened, so a device is never opened; opened without waiting, so a
  // named pipe put there in between cannot block either.
  if (::stat(file.c_str(), &out->status) != 0) return fail(errno);
  out->exists = true;
  if (!S_ISREG(out->status.st_mode)) {
    out->problem = "it is not a regular file";
    return {};
  }
  FileHandle fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd) return fail(errno);
  if (::fstat(fd.Get(), &out->status) != 0) return fail(errno);
  if (!S_ISREG(out->status.st_mode)) {
    out->problem = "it is not a regular file";
    return {};
  }
  if (static_cast<std::uintmax_t>(out->status.st_size) > maxSize) {
    out->problem = TooLarge(maxSize);
    return {};
  }
  return fd;
}

FileContents CheckRegularFile(const std::filesystem::path& file, std::uintmax_t maxSize) {
  FileContents out;
  out.read = static_cast<bool>(OpenRegularFile(file, maxSize, &out));
  return out;
}

FileContents ReadRegularFile(const std::filesystem::path& file, std::uintmax_t maxSize) {
  FileContents out;
  const FileHandle fd = OpenRegularFile(file, maxSize, &out);
  if (!fd) return out;
  char buffer[65536];
  while (true) {
    ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      out.problem = std::strerror(errno);
      return out;
    }
    if (n == 0) break;
    out.text.append(buffer, static_cast<size_t>(n));
    if (out.text.size() > maxSize) {  // it grew while being read
      out.text.clear();
      out.problem = TooLarge(maxSize);
      return out;
    }
  }
  out.read = true;
  return out;
}

namespace {

bool OwnedByUserOrRoot(const struct stat& st) { return st.st_uid == ::geteuid() || st.st_uid == 0; }

// What is wrong with one place (the file, or a folder on its way) as a source of code; "" when
// nothing. `name` says which place it is. In a sticky folder only an entry's owner can rename or
// remove it, so others writing there harm nothing on the way, as long as every entry passed
// belongs to the user or root: the walk checks each.
std::string OwnershipProblem(const std::filesystem::path& place, const struct stat& st, const std::string& name,
                             bool stickyWillDo, std::string* remedy) {
  if (!OwnedByUserOrRoot(st)) return name + " belongs to another user (uid " + std::to_string(st.st_uid) + ")";
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && !(stickyWillDo && (st.st_mode & S_ISVTX) != 0)) {
    // Only the owner (or root) can take the right away again.
    if (st.st_uid == ::geteuid()) *remedy = "chmod go-w " + ShellQuote(place.string());
    return name + ((st.st_mode & S_IWOTH) != 0 ? " can be written by every user" : " can be written by its group");
  }
  return {};
}

// The names of `path` in order ("" and "." left out; ".." kept, for the walk to take).
void PushNamesFront(std::string_view path, std::deque<std::string>* names) {
  std::vector<std::string> parts;
  for (size_t start = 0; start <= path.size();) {
    size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    std::string_view part = path.substr(start, end - start);
    if (!part.empty() && part != ".") parts.emplace_back(part);
    start = end + 1;
  }
  names->insert(names->begin(), parts.begin(), parts.end());
}

}  // namespace

TrustCheck CheckTrusted(const std::filesystem::path& file) {
  TrustCheck check;
  auto refuse = [&check](std::string problem) {
    check.problem = std::move(problem);
    return std::move(check);
  };
  // A relative name would be looked for wherever the program happens to run.
  if (file.is_relative()) return refuse("its path is not absolute");

  struct Folder {
    FileHandle fd;
    std::filesystem::path path;
    struct stat status;
  };
  std::vector<Folder> folders;
  {
    Folder root{FileHandle(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC)), "/", {}};
    if (!root.fd || ::fstat(root.fd.Get(), &root.status) != 0)
      return refuse("it cannot be reached: " + std::string(std::strerror(errno)));
    folders.push_back(std::move(root));
  }
  std::deque<std::string> names;
  PushNamesFront(file.string(), &names);
  int linksFollowed = 0;
  constexpr int kMaxLinks = 40;  // as the kernel allows
  while (!names.empty()) {
    const std::string name = std::move(names.front());
    names.pop_front();
    if (name == "..") {
      // The folder the walk came from is the parent: folders have one.
      if (folders.size() > 1) folders.pop_back();
      continue;
    }
    const Folder& folder = folders.back();
    const std::filesystem::path path = folder.path / name;
    FileHandle fd(::openat(folder.fd.Get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (!fd || ::fstat(fd.Get(), &st) != 0) {
      if (errno == ENOENT) {
        check.missing = true;
        return refuse("it is missing");
      }
      return refuse("it cannot be reached: " + std::string(std::strerror(errno)));
    }
    if (names.empty() && !S_ISLNK(st.st_mode)) {
      check.resolved = path;
      if (!S_ISREG(st.st_mode)) return refuse("it is not a file");
      std::string problem = OwnershipProblem(path, st, "it", false, &check.remedy);
      if (problem.empty())
        problem =
            OwnershipProblem(folder.path, folder.status, "its folder " + folder.path.string(), false, &check.remedy);
      if (!problem.empty()) return refuse(problem);
      check.file = std::move(fd);
      check.trusted = true;
      return check;
    }
    // Whoever could change this folder could replace what the walk finds in it.
    if (std::string problem = OwnershipProblem(folder.path, folder.status,
                                               "the folder " + folder.path.string() + " above it", true, &check.remedy);
        !problem.empty())
      return refuse(problem);
    if (S_ISLNK(st.st_mode)) {
      if (!OwnedByUserOrRoot(st))
        return refuse("the link " + path.string() + " on its way belongs to another user (uid " +
                      std::to_string(st.st_uid) + ")");
      if (++linksFollowed > kMaxLinks) return refuse("it cannot be reached: " + std::string(std::strerror(ELOOP)));
      std::string target(PATH_MAX, '\0');
      const ssize_t n = ::readlinkat(fd.Get(), "", target.data(), target.size());
      if (n < 0) return refuse("it cannot be reached: " + std::string(std::strerror(errno)));
      target.resize(static_cast<size_t>(n));
      if (!target.empty() && target.front() == '/') folders.resize(1);
      PushNamesFront(target, &names);
      continue;
    }
    if (!S_ISDIR(st.st_mode)) return refuse("it cannot be reached: " + std::string(std::strerror(ENOTDIR)));
    folders.push_back(Folder{std::move(fd), path, st});
  }
  // The path ends in a folder ("/", "x/..").
  return refuse("it is not a file");
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

#include "sound/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <new>
#include <random>
#include <string_view>
#include <system_error>

#include "platform/basic/basic.h"
#include "platform/store/paths.h"

namespace stavelark {

namespace {

// Error numbers beyond those of basic::err that a file write can end with.
constexpr int kDiskFull = 61;
constexpr int kPermissionDenied = 70;

// Links followed before a path counts as a loop, as the kernel counts them.
constexpr int kMaxLinks = 40;
// The part of the target's name that a temporary file's name repeats.
constexpr size_t kNameInTempFile = 200;

int ErrorNumberOf(int errnoValue) {
  switch (errnoValue) {
    case ENOENT:
    case ENOTDIR: return basic::err::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return kPermissionDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return kDiskFull;
    case ENAMETOOLONG:
    case EINVAL: return basic::err::BadFileName;
    default: return basic::err::PathFileAccess;
  }
}

// The error's number, described in the system's own words, so a message can say why.
[[noreturn]] void RaiseFileError(int errnoValue) {
  basic::Raise(ErrorNumberOf(errnoValue), std::generic_category().message(errnoValue));
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string_view NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
}

void CheckName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") basic::Raise(basic::err::BadFileName);
}

// A folder's path as a message shows it.
std::string Shown(const std::string& folder) {
  if (folder.empty()) return ".";
  return folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
}

// Refuses to follow the link `path` where the kernel would refuse it in a path it walks itself:
// a link of another user in a folder that is sticky and writable by everyone (such as /tmp),
// unless the folder's owner made it. Anyone may plant a link there; following it would write
// wherever its maker wants, with the user's rights.
// `given` tells whether the link is the path the caller gave (the message then says "It").
void CheckMayFollow(const std::string& path, const struct stat& link, bool given) {
  if (link.st_uid == ::geteuid()) return;
  const std::string folder = FolderOf(path);
  struct stat holder {};
  if (::stat(folder.empty() ? "." : folder.c_str(), &holder) != 0) RaiseFileError(errno);
  constexpr mode_t kShared = S_ISVTX | S_IWOTH;
  if ((holder.st_mode & kShared) != kShared || holder.st_uid == link.st_uid) return;
  const std::string what = given ? "It" : path;
  basic::Raise(kPermissionDenied, what + " is a link that another user made in " + Shown(folder) +
                                      ", a folder every user may write, so it is not followed (" +
                                      std::generic_category().message(EACCES) + ")");
}

// The file a path finally names once every symbolic link on its last part is followed; a
// dangling link names the file it would create.
std::string FinalTarget(std::string path) {
  for (int hops = 0;; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    if (hops == kMaxLinks) RaiseFileError(ELOOP);
    CheckMayFollow(path, st, hops == 0);
    std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    ssize_t n = 0;
    while ((n = ::readlink(path.c_str(), link.data(), link.size())) >= static_cast<ssize_t>(link.size()))
      link.resize(link.size() * 2);
    if (n < 0) RaiseFileError(errno);
    link.resize(static_cast<size_t>(n));
    path = !link.empty() && link.front() == '/' ? link : FolderOf(path) + link;
  }
}

// Refuses to replace a file whose own permissions refuse the user. A file with no write
// permission for anyone was made read-only on purpose, and it is refused even to the
// administrator, whom the system would let write it.
void CheckMayReplace(const std::string& target, const struct stat& st) {
  if ((st.st_mode & 0222) == 0) RaiseFileError(EACCES);
  if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) RaiseFileError(errno);
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// Whether `entry` is a temporary file name ".<stem>.<hex digits>.tmp".
bool IsTempNameOf(std::string_view entry, std::string_view prefix) {
  constexpr std::string_view kSuffix = ".tmp";
  if (entry.size() <= prefix.size() + kSuffix.size() || !entry.starts_with(prefix) || !entry.ends_with(kSuffix))
    return false;
  const std::string_view digits = entry.substr(prefix.size(), entry.size() - prefix.size() - kSuffix.size());
  if (digits.size() > 16) return false;
  for (char c : digits)
    if (!IsHexDigit(c)) return false;
  return true;
}

std::string TempPrefix(std::string_view name) {
  std::string prefix(1, '.');
  prefix.append(name.substr(0, kNameInTempFile));
  prefix.push_back('.');
  return prefix;
}

// Removes what earlier writes of the same target left when they were killed half way: the
// user's own temporary files of that name that no running write holds locked.
void RemoveLeftovers(const std::string& folder, std::string_view name) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return;
  const std::string prefix = TempPrefix(name);
  const int dirFd = ::dirfd(dir);
  while (const dirent* entry = ::readdir(dir)) {
    if (!IsTempNameOf(entry->d_name, prefix)) continue;
    const store::FileHandle fd(::openat(dirFd, entry->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    if (!fd) continue;
    struct stat st {};
    if (::fstat(fd.Get(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
        ::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0)
      ::unlinkat(dirFd, entry->d_name, 0);
  }
  ::closedir(dir);
}

void WriteAll(int fd, std::span<const uint8_t> bytes) {
  off_t offset = 0;
  while (!bytes.empty()) {
    const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      RaiseFileError(errno);
    }
    bytes = bytes.subspan(static_cast<size_t>(n));
    offset += n;
  }
}

// An open temporary file that is removed unless it was renamed into place. It stays locked
// while it is written, so another write of the same target never takes it for a leftover.
class TempFile {
 public:
  // Makes the file; returns the error number when it can't be made.
  int Create(const std::string& folder, std::string_view name, mode_t mode) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
      path_ = folder + TempPrefix(name) + basic::Hex(static_cast<int64_t>(random())) + ".tmp";
      fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
      if (fd_ >= 0 || errno != EEXIST) break;
    }
    if (fd_ < 0) {
      path_.clear();
      return errno;
    }
    ::flock(fd_, LOCK_EX | LOCK_NB);
    return 0;
  }
  TempFile() = default;
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }

  void Write(std::span<const uint8_t> bytes) { WriteAll(fd_, bytes); }

  void KeepMode(mode_t mode) {
    if (::fchmod(fd_, mode) != 0) RaiseFileError(errno);
  }

  // Flushes the data to disk (when asked), closes the file and renames it to `target`.
  void CommitAs(const std::string& target, bool flush) {
    if (flush && ::fsync(fd_) != 0) RaiseFileError(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) RaiseFileError(errno);
    if (::rename(path_.c_str(), target.c_str()) != 0) RaiseFileError(errno);
    path_.clear();
  }

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace

void WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes, Flush flush) {
  CheckName(NameOf(path));
  const std::string target = FinalTarget(path);
  const std::string folder = FolderOf(target);
  const std::string_view name = NameOf(target);
  CheckName(name);

  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) RaiseFileError(EISDIR);
  if (exists) CheckMayReplace(target, existing);

  RemoveLeftovers(folder, name);
  TempFile temp;
  if (const int error = temp.Create(folder, name, 0666); error != 0) {
    // Written over where it is, a file would be neither the old one nor the new one after a
    // kill, a crash or a full disk: without its new file beside it there is no save.
    if ((error == EACCES || error == EPERM) && exists)
      basic::Raise(kPermissionDenied, "A save writes the new file beside the old one first, and the folder " +
                                          Shown(folder) + " may not be written (" +
                                          std::generic_category().message(error) + "); the file is unchanged");
    RaiseFileError(error);
  }
  temp.Write(bytes);
  if (exists) temp.KeepMode(existing.st_mode & 07777);
  temp.CommitAs(target, flush == Flush::ToDisk);
}

// Opened as the store opens its files; read here into bytes sized to the file, so that reading
// takes no more memory than the file's own size.
std::optional<std::vector<uint8_t>> ReadRegularFile(const std::string& path, size_t maxBytes) {
  store::FileContents file;
  const store::FileHandle fd = store::OpenRegularFile(path, maxBytes, &file);
  if (!fd) return std::nullopt;
  try {
    std::vector<uint8_t> bytes(static_cast<size_t>(file.status.st_size));
    size_t got = 0;
    for (;;) {
      if (got == bytes.size()) {
        // The file has grown since it was measured.
        if (bytes.size() >= maxBytes + 1) return std::nullopt;
        bytes.resize(std::min(bytes.size() + 65536, maxBytes + 1));
      }
      const ssize_t n = ::read(fd.Get(), bytes.data() + got, bytes.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return std::nullopt;
      if (n == 0) break;
      got += static_cast<size_t>(n);
    }
    if (got > maxBytes) return std::nullopt;
    bytes.resize(got);
    return bytes;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

bool IsReadableRegularFile(const std::string& path) {
  return store::CheckRegularFile(path, std::numeric_limits<std::uintmax_t>::max()).read;
}

}  // namespace stavelark

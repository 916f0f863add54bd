// Per-user folders of the stores and a crash-safe way to replace a file.
#pragma once

#include "platform/store/status.h"

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace store {

// $XDG_CONFIG_HOME/Stavelark (an absolute XDG_CONFIG_HOME only), else $HOME/.config/Stavelark.
std::filesystem::path ConfigFolder();

// $XDG_DATA_HOME (absolute only), else $HOME/.local/share.
std::filesystem::path DataHome();

// Writes `contents` to a temporary file beside `file`, flushes it to disk and renames it over
// `file`, so a reader or a crash sees either the old or the new contents, never a mix.
// Creates the folder when it is missing. A new file is readable by its owner only; a file that
// is replaced keeps its permissions.
Status WriteFileAtomically(const std::filesystem::path& file, std::string_view contents);

// A file descriptor that is closed when the object ends.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(int fd) : fd_(fd) {}
  ~FileHandle();
  FileHandle(FileHandle&& other) noexcept : fd_(other.Release()) {}
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  int Get() const { return fd_; }
  int Release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// The largest settings or registry file that is read: far above anything the program writes, so
// a larger one is not one of its files.
inline constexpr std::uintmax_t kMaxStoreFileSize = 4u << 20;

// A file read whole, or why it was not.
struct FileContents {
  bool exists = false;  // false: there is no such file (nor any folder on its way)
  bool read = false;    // true: `text` holds the whole file
  std::string text;
  std::string problem;  // why an existing file was not read: the system's reason, "it is not a regular file", ...
  struct stat status {};  // the opened file's, when it was read
};

// Reads `file` when it is a regular file of at most `maxSize` bytes. The file is opened without
// waiting, so a named pipe or a device in its place never blocks the caller; it is then not read.
FileContents ReadRegularFile(const std::filesystem::path& file, std::uintmax_t maxSize);
// The same checks without reading: `read` says whether ReadRegularFile would take the file (for a
// reader of its own that must not be handed a pipe, a device or a huge file).
FileContents CheckRegularFile(const std::filesystem::path& file, std::uintmax_t maxSize);
// The file as ReadRegularFile opens it (looked at before it is opened, so a device is never
// opened), for a reader that reads into a container of its own; empty when it is not taken, and
// `out` then says whether it exists and why not.
FileHandle OpenRegularFile(const std::filesystem::path& file, std::uintmax_t maxSize, FileContents* out);

// Whether code may be loaded from a file, and the file itself, opened once. The path must be
// absolute; it is walked one name at a time from "/", following only symbolic links that belong
// to the user or root, and every folder passed must belong to the user or root and be writable by
// nobody else (a sticky folder may be: nobody else can rename what is not theirs in it). The
// file's own folder and the file must belong to the user or root and be writable by nobody else.
// What is checked is what stays open in `file`: load exactly that (OpenPathOf), never the path
// again, or someone who can change a folder on the way could swap the file in between.
struct TrustCheck {
  bool trusted = false;
  bool missing = false;            // the file (or a folder on its way) does not exist
  std::filesystem::path resolved;  // the path of the file the walk reached (empty when it didn't)
  std::string problem;             // why not, e.g. "it is missing", "its folder /x can be written by every user"
  std::string remedy;              // a command that makes it trusted, when the user can run one
  FileHandle file;                 // the file checked (an O_PATH descriptor), when trusted
  explicit operator bool() const { return trusted; }
};
TrustCheck CheckTrusted(const std::filesystem::path& file);

// "/proc/self/fd/N": a name that opens exactly the file that `fd` refers to.
std::string OpenPathOf(const FileHandle& fd);

// `text` as one word for a POSIX shell: unchanged when it needs no quoting, else in single quotes.
std::string ShellQuote(std::string_view text);

}  // namespace store

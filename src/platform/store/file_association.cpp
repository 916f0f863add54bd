#include "platform/store/file_association.h"

#include "platform/store/paths.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

extern char** environ;

namespace store {

namespace {

constexpr auto kToolTimeout = std::chrono::seconds(5);
// Far above any entry the program writes: a larger file is not one of ours.
constexpr std::uintmax_t kMaxEntrySize = 65536;

std::string XmlEscape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string MimePackage() {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
         "  <mime-type type=\"" + XmlEscape(kMsfMimeType) + "\">\n"
         "    <comment>MIDI Source File</comment>\n"
         "    <glob pattern=\"*.msf\"/>\n"
         "    <icon name=\"" + std::string(kMsfIconName) + "\"/>\n"
         "  </mime-type>\n"
         "</mime-info>\n";
}

// `path` as a file URI: every byte but the unreserved ones and "/" percent-encoded, so any path
// fits in a desktop entry's UTF-8 text.
std::string FileUri(const std::filesystem::path& path) {
  std::string uri = "file://";
  for (char c : path.string()) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
                       c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      uri += c;
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
      uri += hex;
    }
  }
  return uri;
}

std::string DesktopEntry(const std::filesystem::path& programPath) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Stavelark\n"
         "Comment=Music notation editor\n"
         "Exec=" + DesktopExecLine(programPath) + "\n"
         "Icon=" + std::string(kProgramIconName) + "\n"
         "MimeType=" + std::string(kMsfMimeType) + ";\n"
         "Terminal=false\n"
         "Categories=AudioVideo;Audio;Music;\n"
         "X-Stavelark-Program=" + FileUri(programPath) + "\n";
}

// Whether `text` is valid UTF-8 as GLib judges it (no overlong forms, surrogates or values past
// U+10FFFF): a desktop entry's value that is not is dropped.
bool IsUtf8(std::string_view text) {
  static constexpr uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t more = 0;
    uint32_t code = lead;
    if (lead < 0x80) {
      ++i;
      continue;
    }
    if ((lead & 0xE0) == 0xC0) more = 1, code = lead & 0x1F;
    else if ((lead & 0xF0) == 0xE0) more = 2, code = lead & 0x0F;
    else if ((lead & 0xF8) == 0xF0) more = 3, code = lead & 0x07;
    else return false;
    if (i + more >= text.size()) return false;
    for (size_t k = 1; k <= more; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    if (code < kSmallest[more] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += more + 1;
  }
  return true;
}

// One argument of an Exec key, before the value's own escaping: in double quotes when it holds a
// reserved character, with ", `, $ and \ escaped inside them; a literal percent sign doubled.
std::string ExecArgument(std::string_view argument) {
  const bool quoted = argument.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string_view::npos;
  std::string out = quoted ? "\"" : "";
  for (char c : argument) {
    if (quoted && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
    if (c == '%') out += '%';
    out += c;
  }
  if (quoted) out += '"';
  return out;
}

// `path` as a printf format inside single quotes: the bytes printf or the quotes would take
// otherwise, and those that are no text, as octal escapes.
std::string PrintfFormat(std::string_view path) {
  std::string out;
  for (char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F || c == '\\' || c == '%' || c == '\'') {
      char octal[8];
      std::snprintf(octal, sizeof octal, "\\%03o", static_cast<unsigned>(byte));
      out += octal;
    } else {
      out += c;
    }
  }
  return out;
}

// The entry's record of the program that wrote it, empty when it has none that can be read.
std::filesystem::path ProgramNamedIn(std::string_view entry) {
  const auto value = [entry](std::string_view key) -> std::optional<std::string_view> {
    std::string start = "\n";  // (built in steps: GCC 12 warns falsely of "\n" + string)
    start += key;
    start += '=';
    const size_t at = entry.find(start);
    if (at == std::string_view::npos) return std::nullopt;
    std::string_view rest = entry.substr(at + start.size());
    return rest.substr(0, rest.find('\n'));
  };
  if (const auto uri = value("X-Stavelark-Program")) {
    if (!uri->starts_with("file://")) return {};
    std::string path;
    for (size_t i = 7; i < uri->size(); ++i) {
      unsigned byte = static_cast<unsigned char>((*uri)[i]);
      if (byte == '%') {
        const char* digits = uri->data() + i + 1;
        if (i + 2 >= uri->size() || std::from_chars(digits, digits + 2, byte, 16).ptr != digits + 2) return {};
        i += 2;
      }
      path += static_cast<char>(byte);
    }
    return path;
  }
  // Entries written before the record named an ordinary path as the whole command: "PATH %f".
  if (const auto exec = value("Exec"); exec && exec->ends_with(" %f")) {
    const std::string_view command = exec->substr(0, exec->size() - 3);
    if (!command.starts_with('/') || command.find_first_of(" \"\\") != std::string_view::npos) return {};
    std::string path;
    for (size_t i = 0; i < command.size(); ++i) {
      path += command[i];
      if (command[i] == '%' && i + 1 < command.size() && command[i + 1] == '%') ++i;
    }
    return path;
  }
  return {};
}

// The tool's full path when it is installed in one of the PATH folders.
std::string FindTool(std::string_view name) {
  const char* path = std::getenv("PATH");
  std::string_view folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  while (!folders.empty()) {
    size_t colon = folders.find(':');
    std::string_view folder = folders.substr(0, colon);
    folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
    if (folder.empty()) continue;
    std::string candidate = std::string(folder) + "/" + std::string(name);
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

// Runs a tool with its output discarded and waits a bounded time for it; "" when it succeeded,
// else what went wrong. A tool that is not installed is not a problem.
std::string RunTool(std::string_view name, const std::vector<std::string>& arguments) {
  const std::string tool = FindTool(name);
  if (tool.empty()) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int fd : {0, 1, 2})
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  std::vector<char*> argv{const_cast<char*>(tool.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  // The tool starts with no signal blocked, whatever this program blocks for itself.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, tool.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return std::string(name) + " could not be started: " + std::strerror(rc);

  const auto deadline = std::chrono::steady_clock::now() + kToolTimeout;
  int status = 0;
  while (true) {
    pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) return std::string(name) + " could not be waited for";
    if (std::chrono::steady_clock::now() >= deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return std::string(name) + " took too long and was stopped";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return {};
  return std::string(name) + " failed";
}

// Starts the cache tools in a detached grandchild (reaped by the system), with its output
// discarded, and returns at once. Each tool gets the same time limit as when waited for: one that
// hangs is killed, and never outlives the program by more than that.
void RefreshCachesDetached(const std::filesystem::path& dataHome) {
  // Everything the children need is prepared before fork: after it only exec and _exit run.
  // Without timeout(1) no limit can be kept, and the tools are left out.
  static constexpr const char* kScript =
      "limit=$1; shift; "
      "run() { command -v \"$1\" >/dev/null 2>&1 && command -v timeout >/dev/null 2>&1 && "
      "timeout -s KILL \"$limit\" \"$@\"; }; "
      "run update-mime-database \"$1\"; run update-desktop-database \"$2\"; "
      "[ -f \"$3/icon-theme.cache\" ] && run gtk-update-icon-cache -q -t -f \"$3\"; exit 0";
  const std::string limit = std::to_string(kToolTimeout.count());
  const std::string mime = (dataHome / "mime").string();
  const std::string apps = (dataHome / "applications").string();
  const std::string icons = (dataHome / "icons" / "hicolor").string();
  const char* argv[] = {"sh", "-c", kScript, "sh", limit.c_str(), mime.c_str(), apps.c_str(), icons.c_str(),
                        nullptr};
  const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (devNull < 0) return;
  sigset_t none;
  sigemptyset(&none);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::fork() == 0) {
      ::sigprocmask(SIG_SETMASK, &none, nullptr);  // the tools start with no signal blocked
      ::setsid();
      ::dup2(devNull, 0);
      ::dup2(devNull, 1);
      ::dup2(devNull, 2);
      ::execve("/bin/sh", const_cast<char* const*>(argv), environ);
    }
    ::_exit(0);
  }
  ::close(devNull);
  if (child > 0) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }
}

// Writes the three files (and the icons), each readable by every program of the desktop; the
// problems, if any, are added to `problems`. Returns whether the MIME package and the desktop
// entry were written.
std::pair<bool, bool> WriteFiles(const std::filesystem::path& programPath, const std::filesystem::path& dataHome,
                                 const DesktopIcons& icons, std::vector<std::string>* problems) {
  const auto write = [problems](const std::filesystem::path& file, std::string_view contents) {
    const Status status = WriteFileAtomically(file, contents);
    if (!status) problems->push_back(status.message);
    else ::chmod(file.c_str(), 0644);
    return status.ok;
  };
  const bool mime = write(dataHome / "mime" / "packages" / "stavelark-msf.xml", MimePackage());
  const bool desktop = write(dataHome / "applications" / "stavelark.desktop", DesktopEntry(programPath));
  for (const auto& [size, png] : icons) {
    const std::filesystem::path folder = dataHome / "icons" / "hicolor" / (std::to_string(size) + "x" + std::to_string(size));
    write(folder / "apps" / (std::string(kProgramIconName) + ".png"), png);
    write(folder / "mimetypes" / (std::string(kMsfIconName) + ".png"), png);
  }
  return {mime, desktop};
}

std::string Join(const std::vector<std::string>& problems) {
  std::string message;
  for (const std::string& problem : problems) message += (message.empty() ? "" : "; ") + problem;
  return message;
}

}  // namespace

std::string DesktopExecLine(const std::filesystem::path& programPath) {
  const std::string path = programPath.string();
  // GLib looks for the program under the command's first word as written, before "%%" means "%",
  // and drops a value that is not UTF-8. Such a path is started through the shell, which rebuilds
  // it from octal escapes.
  const std::string command =
      path.find('%') == std::string::npos && IsUtf8(path)
          ? ExecArgument(path)
          : "/bin/sh -c " + ExecArgument("p=$(printf '" + PrintfFormat(path) + ".'); exec \"${p%.}\" \"$@\"") +
                " stavelark";
  // The key's value escapes every backslash once more.
  std::string value;
  for (char c : command) {
    if (c == '\\') value += "\\\\";
    else if (c == '\n') value += "\\n";
    else if (c == '\t') value += "\\t";
    else if (c == '\r') value += "\\r";
    else value += c;
  }
  return value + " %f";
}

Status InstallFileAssociation(const std::filesystem::path& programPath) {
  return InstallFileAssociation(programPath, DataHome());
}

Status InstallFileAssociation(const std::filesystem::path& programPath, const std::filesystem::path& dataHome,
                              const DesktopIcons& icons) {
  std::vector<std::string> problems;
  const auto [mime, desktop] = WriteFiles(programPath, dataHome, icons, &problems);
  const auto refresh = [&problems](std::string_view tool, std::vector<std::string> arguments) {
    if (std::string problem = RunTool(tool, arguments); !problem.empty()) problems.push_back(problem);
  };
  if (mime) refresh("update-mime-database", {(dataHome / "mime").string()});
  if (desktop) refresh("update-desktop-database", {(dataHome / "applications").string()});
  // A theme whose icons are cached shows new icons only once its cache knows them.
  const std::filesystem::path hicolor = dataHome / "icons" / "hicolor";
  std::error_code ec;
  if (!icons.empty() && std::filesystem::is_regular_file(hicolor / "icon-theme.cache", ec))
    refresh("gtk-update-icon-cache", {"-q", "-t", "-f", hicolor.string()});
  return problems.empty() ? Status::Ok() : Status::Failed(Join(problems));
}

Status InstallFileAssociationInBackground(const std::filesystem::path& programPath,
                                          const std::filesystem::path& dataHome, const DesktopIcons& icons) {
  std::vector<std::string> problems;
  const auto [mime, desktop] = WriteFiles(programPath, dataHome, icons, &problems);
  if (mime || desktop) RefreshCachesDetached(dataHome);
  return problems.empty() ? Status::Ok() : Status::Failed(Join(problems));
}

Status RenewStaleFileAssociation(const std::filesystem::path& programPath, const std::filesystem::path& dataHome,
                                 const DesktopIcons& icons) {
  // A pipe or a device in the entry's place must not stop the program.
  const FileContents entry = ReadRegularFile(dataHome / "applications" / "stavelark.desktop", kMaxEntrySize);
  if (!entry.read) return Status::Ok();
  const std::filesystem::path named = ProgramNamedIn(entry.text);
  std::error_code ec;
  // An entry that is not ours, or whose program is there (or can't be looked at), is left alone.
  if (named.empty() || named == programPath || std::filesystem::exists(named, ec) || ec) return Status::Ok();
  return InstallFileAssociationInBackground(programPath, dataHome, icons);
}

}  // namespace store

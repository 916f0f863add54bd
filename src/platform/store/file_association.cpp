#include "platform/store/file_association.h"

#include "platform/store/paths.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

extern char** environ;

namespace store {

namespace {

constexpr auto kToolTimeout = std::chrono::seconds(5);

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

std::string DesktopEntry(const std::filesystem::path& programPath) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Stavelark\n"
         "Comment=Music notation editor\n"
         "Exec=" + DesktopExecLine(programPath) + "\n"
         "Icon=" + std::string(kProgramIconName) + "\n"
         "MimeType=" + std::string(kMsfMimeType) + ";\n"
         "Terminal=false\n"
         "Categories=AudioVideo;Audio;Music;\n";
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
std::string RunTool(std::string_view name, const std::filesystem::path& folder) {
  const std::string tool = FindTool(name);
  if (tool.empty()) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int fd : {0, 1, 2})
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  std::string folderText = folder.string();
  std::vector<char*> argv{const_cast<char*>(tool.c_str()), const_cast<char*>(folderText.c_str()), nullptr};
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

// Starts the cache tools for both folders in a detached grandchild (reaped by the system), with
// its output discarded, and returns at once.
void RefreshCachesDetached(const std::filesystem::path& mimeFolder, const std::filesystem::path& applications) {
  // Everything the children need is prepared before fork: after it only exec and _exit run.
  static constexpr const char* kScript =
      "command -v update-mime-database >/dev/null 2>&1 && update-mime-database \"$1\"; "
      "command -v update-desktop-database >/dev/null 2>&1 && update-desktop-database \"$2\"; exit 0";
  const std::string mime = mimeFolder.string();
  const std::string apps = applications.string();
  const char* argv[] = {"sh", "-c", kScript, "sh", mime.c_str(), apps.c_str(), nullptr};
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

// Writes the three files (and the icons); the problems, if any, are added to `problems`. Returns
// whether the MIME package and the desktop entry were written.
std::pair<bool, bool> WriteFiles(const std::filesystem::path& programPath, const std::filesystem::path& dataHome,
                                 const DesktopIcons& icons, std::vector<std::string>* problems) {
  const Status mime = WriteFileAtomically(dataHome / "mime" / "packages" / "stavelark-msf.xml", MimePackage());
  const Status desktop = WriteFileAtomically(dataHome / "applications" / "stavelark.desktop", DesktopEntry(programPath));
  for (const Status& s : {mime, desktop})
    if (!s) problems->push_back(s.message);
  for (const auto& [size, png] : icons) {
    const std::filesystem::path folder = dataHome / "icons" / "hicolor" / (std::to_string(size) + "x" + std::to_string(size));
    for (const auto& file : {folder / "apps" / (std::string(kProgramIconName) + ".png"),
                             folder / "mimetypes" / (std::string(kMsfIconName) + ".png")}) {
      // Icons are for every program of the desktop to read.
      if (Status s = WriteFileAtomically(file, png); !s) problems->push_back(s.message);
      else ::chmod(file.c_str(), 0644);
    }
  }
  return {mime.ok, desktop.ok};
}

std::string Join(const std::vector<std::string>& problems) {
  std::string message;
  for (const std::string& problem : problems) message += (message.empty() ? "" : "; ") + problem;
  return message;
}

}  // namespace

std::string DesktopExecLine(const std::filesystem::path& programPath) {
  const std::string path = programPath.string();
  std::string exec;
  bool needsQuotes = false;
  for (char c : path) {
    if (std::strchr(" \t\n\"'\\><~|&;$*?#()`", c) != nullptr) needsQuotes = true;
  }
  for (char c : path) {
    // Inside a quoted argument ", `, $ and \ take a backslash ...
    if (needsQuotes && (c == '"' || c == '`' || c == '$' || c == '\\')) exec += '\\';
    if (c == '%') exec += '%';  // a literal percent sign is doubled
    exec += c;
  }
  if (needsQuotes) exec = "\"" + exec + "\"";
  // ... and the key's value escapes every backslash once more.
  std::string value;
  for (char c : exec) {
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
  if (mime)
    if (std::string problem = RunTool("update-mime-database", dataHome / "mime"); !problem.empty())
      problems.push_back(problem);
  if (desktop)
    if (std::string problem = RunTool("update-desktop-database", dataHome / "applications"); !problem.empty())
      problems.push_back(problem);
  return problems.empty() ? Status::Ok() : Status::Failed(Join(problems));
}

Status InstallFileAssociationInBackground(const std::filesystem::path& programPath,
                                          const std::filesystem::path& dataHome, const DesktopIcons& icons) {
  std::vector<std::string> problems;
  const auto [mime, desktop] = WriteFiles(programPath, dataHome, icons, &problems);
  if (mime || desktop) RefreshCachesDetached(dataHome / "mime", dataHome / "applications");
  return problems.empty() ? Status::Ok() : Status::Failed(Join(problems));
}

}  // namespace store

// What another user or an odd file can put in the program's way, for tests: a part of a test run
// as another user, and a named pipe or an oversized file where a file is expected.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>

namespace testing_support {

// A user id no account has.
inline constexpr uid_t kOtherUid = 4242;

// Runs `part` in a child process and returns what it returns: "" when all went well, else what
// went wrong, also when it had to be stopped after `seconds` (it waited for something that never
// comes). As the user and group `uid` when one is given (needs root; callers skip without it).
inline std::string RunInChild(const std::function<std::string()>& part, int seconds = 20, uid_t uid = ::geteuid()) {
  int fds[2];
  if (::pipe(fds) != 0) return "no pipe";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    ::alarm(static_cast<unsigned>(seconds));
    const bool become =
        uid == ::geteuid() || (::setgroups(0, nullptr) == 0 && ::setgid(uid) == 0 && ::setuid(uid) == 0);
    const std::string result = become ? part() : "cannot become uid " + std::to_string(uid);
    FILE* out = ::fdopen(fds[1], "w");  // writes all of it, however long
    std::fwrite(result.data(), 1, result.size(), out);
    std::fclose(out);
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string result;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) result.append(buffer, static_cast<size_t>(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM)
    return "still waiting after " + std::to_string(seconds) + " s";
  if (!WIFEXITED(status)) return "the part run in a child process crashed";
  return result;
}

inline std::string RunAsUser(uid_t uid, const std::function<std::string()>& part) { return RunInChild(part, 20, uid); }

// A named pipe at `path`. Opening it for reading waits for a writer for ever; a thread of the
// test plays that writer every few milliseconds, so a reader that waits is let go (it then reads
// nothing) and counted.
class PipeTrap {
 public:
  explicit PipeTrap(std::filesystem::path path) : path_(std::move(path)) {
    ::mkfifo(path_.c_str(), 0600);  // callers see whether it was made through StillAPipe()
    thread_ = std::thread([this] {
      for (; !stop_; std::this_thread::sleep_for(std::chrono::milliseconds(20)))
        if (const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC); fd >= 0) ++caught_, ::close(fd);
    });
  }
  ~PipeTrap() {
    stop_ = true;
    thread_.join();
  }
  PipeTrap(const PipeTrap&) = delete;
  PipeTrap& operator=(const PipeTrap&) = delete;

  // How often someone was waiting to read it.
  int Caught() const { return caught_; }
  bool StillAPipe() const {
    struct stat st {};
    return ::lstat(path_.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
  }

 private:
  std::filesystem::path path_;
  std::atomic<bool> stop_{false};
  std::atomic<int> caught_{0};
  std::thread thread_;
};

// Where nothing is yet: a pipe, or a file of `text` grown to `size` bytes.
class OddFile {
 public:
  OddFile(bool pipe, std::filesystem::path path, const std::string& text, std::uintmax_t size)
      : path_(std::move(path)), size_(size) {
    if (pipe) trap_.emplace(path_);
    if (!pipe) std::ofstream(path_) << text;
    if (!pipe) std::filesystem::resize_file(path_, size_);
  }
  // "" while it is as made and nobody waited to read it, else what became of it.
  std::string Changed() const {
    if (trap_) return trap_->Caught() ? "someone waited on the pipe" : trap_->StillAPipe() ? "" : "the pipe is gone";
    return std::filesystem::file_size(path_) == size_ ? "" : "the oversized file changed";
  }

 private:
  std::filesystem::path path_;
  std::uintmax_t size_;
  std::optional<PipeTrap> trap_;
};

}  // namespace testing_support

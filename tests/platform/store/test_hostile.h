// What another user or an odd file can put in the program's way, for tests: a part of a test run
// as another user, and a named pipe where a file is expected.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
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
    const bool become = uid != ::geteuid();
    std::string result = !become || (::setgroups(0, nullptr) == 0 && ::setgid(uid) == 0 && ::setuid(uid) == 0)
                             ? part()
                             : std::string("cannot become uid ") + std::to_string(uid);
    for (size_t done = 0; done < result.size();) {
      const ssize_t n = ::write(fds[1], result.data() + done, result.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
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
    ok_ = ::mkfifo(path_.c_str(), 0600) == 0;
    thread_ = std::thread([this] {
      while (!stop_) {
        if (int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC); fd >= 0) {
          ++caught_;
          ::close(fd);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    });
  }
  ~PipeTrap() {
    stop_ = true;
    thread_.join();
  }
  PipeTrap(const PipeTrap&) = delete;
  PipeTrap& operator=(const PipeTrap&) = delete;

  bool Made() const { return ok_; }
  // How often someone was waiting to read it.
  int Caught() const { return caught_; }
  bool StillAPipe() const {
    struct stat st {};
    return ::lstat(path_.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
  }

 private:
  std::filesystem::path path_;
  bool ok_ = false;
  std::atomic<bool> stop_{false};
  std::atomic<int> caught_{0};
  std::thread thread_;
};

}  // namespace testing_support

#include "platform/forms/qt/qt_session.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace forms::qtbackend {

namespace {

sigset_t SessionSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  sigaddset(&set, SIGINT);
  return set;
}

}  // namespace

void BlockSessionSignals() {
  const sigset_t set = SessionSignalSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

SessionSignals::SessionSignals(std::function<void()> onRequest) : onRequest_(std::move(onRequest)) {
  const sigset_t set = SessionSignalSet();
  fd_ = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  if (fd_ < 0) return;
  notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { Arrived(); });
}

SessionSignals::~SessionSignals() {
  delete notifier_;
  if (fd_ >= 0) ::close(fd_);
}

void SessionSignals::Arrived() {
  signalfd_siginfo info{};
  bool any = false;
  for (;;) {
    const ssize_t n = ::read(fd_, &info, sizeof info);
    if (n == static_cast<ssize_t>(sizeof info)) {
      any = true;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    break;
  }
  if (!any || requested_) return;
  requested_ = true;
  // From now on the window thread takes these signals as they come by default.
  const sigset_t set = SessionSignalSet();
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  if (onRequest_) onRequest_();
}

}  // namespace forms::qtbackend

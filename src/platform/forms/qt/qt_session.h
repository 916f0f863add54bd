// The session's request to end the program: SIGTERM (logout, shutdown, kill), SIGHUP (the
// terminal went away) and SIGINT (Ctrl+C in the terminal) arrive on the window thread as an
// ordinary event instead of killing the program on the spot.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace forms::qtbackend {

// Blocks the three signals in the calling thread, and so in every thread it starts afterwards,
// so that only SessionSignals receives them. Call it first in main, before any thread runs.
void BlockSessionSignals();

// Reads the blocked signals through a signalfd on the window thread and calls `onRequest` for
// the first one. A signal after that takes its default action: a program that does not end
// when asked can still be stopped the ordinary way.
class SessionSignals final : public QObject {
 public:
  explicit SessionSignals(std::function<void()> onRequest);
  ~SessionSignals() override;
  SessionSignals(const SessionSignals&) = delete;
  SessionSignals& operator=(const SessionSignals&) = delete;

 private:
  void Arrived();

  std::function<void()> onRequest_;
  int fd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
  bool requested_ = false;
};

}  // namespace forms::qtbackend

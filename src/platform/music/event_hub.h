// Event handles: any thread may signal one; callbacks run only on the thread that dispatches.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

#include "platform/music/music.h"

namespace music {

class EventHub {
 public:
  int32_t Create(DirectXEvent8& handler);
  void Destroy(int32_t handle);  // raises for a handle that isn't there
  void Signal(int32_t handle);   // any thread; never allocates; unknown handles are ignored
  void Dispatch();               // one callback per signal, on the calling thread
  // Called by the first Signal or Wake after a Dispatch began (under the hub's lock; it must
  // not call back into the hub).
  void SetWakeup(std::function<void()> wake);
  // Any thread: wakes the dispatching thread with no callback to run, for news the platform
  // keeps elsewhere (a failed SoundFont load). Before a wake-up is set, the one set next is
  // called at once.
  void Wake();

 private:
  struct Entry {
    DirectXEvent8* handler;
    int pending = 0;
  };
  static constexpr int kMaxPending = 1024;
  std::mutex mutex_;
  std::map<int32_t, Entry> entries_;
  int32_t next_ = 1;
  std::function<void()> wake_;
  bool woken_ = false;       // a wake-up went out since the last Dispatch began
  bool wakeWanted_ = false;  // Wake came before any wake-up was set
};

}  // namespace music

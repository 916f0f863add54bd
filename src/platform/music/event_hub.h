// Event handles: any thread may signal one; callbacks run only on the thread that dispatches.
#pragma once

#include <cstdint>
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

 private:
  struct Entry {
    DirectXEvent8* handler;
    int pending = 0;
  };
  static constexpr int kMaxPending = 1024;
  std::mutex mutex_;
  std::map<int32_t, Entry> entries_;
  int32_t next_ = 1;
};

}  // namespace music

#include "platform/music/event_hub.h"

#include <utility>
#include <vector>

#include "platform/basic/basic.h"

namespace music {

int32_t EventHub::Create(DirectXEvent8& handler) {
  std::lock_guard lock(mutex_);
  int32_t handle = next_++;
  entries_.emplace(handle, Entry{&handler});
  return handle;
}

void EventHub::Destroy(int32_t handle) {
  std::lock_guard lock(mutex_);
  if (entries_.erase(handle) == 0) basic::Raise(basic::err::InvalidCall, "No such event handle");
}

void EventHub::Signal(int32_t handle) {
  std::lock_guard lock(mutex_);
  auto it = entries_.find(handle);
  if (it == entries_.end()) return;
  if (it->second.pending < kMaxPending) ++it->second.pending;
  if (!woken_ && wake_) {
    woken_ = true;
    wake_();
  }
}

void EventHub::SetWakeup(std::function<void()> wake) {
  std::lock_guard lock(mutex_);
  wake_ = std::move(wake);
  woken_ = false;
  if (wake_ && wakeWanted_) {
    wakeWanted_ = false;
    woken_ = true;
    wake_();
  }
}

void EventHub::Wake() {
  std::lock_guard lock(mutex_);
  if (!wake_) {
    wakeWanted_ = true;
  } else if (!woken_) {
    woken_ = true;
    wake_();
  }
}

void EventHub::Dispatch() {
  std::vector<std::pair<int32_t, int>> due;
  {
    std::lock_guard lock(mutex_);
    woken_ = false;
    for (auto& [handle, entry] : entries_)
      if (entry.pending > 0) {
        due.emplace_back(handle, entry.pending);
        entry.pending = 0;
      }
  }
  for (auto [handle, count] : due)
    for (int i = 0; i < count; ++i) {
      DirectXEvent8* handler = nullptr;
      {
        std::lock_guard lock(mutex_);  // a callback may have destroyed its event
        auto it = entries_.find(handle);
        if (it != entries_.end()) handler = it->second.handler;
      }
      if (!handler) break;
      handler->DXCallback(handle);
    }
}

}  // namespace music

// Outcome of a store operation that may fail without harming the caller: a failed
// write is reported here and never thrown, so callers that don't care can ignore it.
#pragma once

#include <string>
#include <utility>

namespace store {

struct Status {
  bool ok = true;
  std::string message;  // what went wrong, readable; empty when ok

  static Status Ok() { return {}; }
  static Status Failed(std::string why) { return {false, std::move(why)}; }
  explicit operator bool() const { return ok; }
};

}  // namespace store

// Small pieces the play commands and the piano share: the temporary files' life, the guard of
// a play file being written, and the roundings of the playback values.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "editor/globals.h"

namespace stavelark {

// Temporary file numbers go round 0..kPlayFileNames - 1.
inline constexpr int kPlayFileNames = 255;

// Deletes a temporary file when the command that made it ends, whichever way it ends.
class TempFileScope {
 public:
  explicit TempFileScope(std::string path) : path_(std::move(path)) {}
  TempFileScope(const TempFileScope&) = delete;
  TempFileScope& operator=(const TempFileScope&) = delete;
  ~TempFileScope();

 private:
  std::string path_;
};

// Holds a flag set while it lives (Globals::PlayFileBusy around a write and its wait).
class BusyScope {
 public:
  explicit BusyScope(bool& flag) : flag_(flag) { flag_ = true; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;
  ~BusyScope() { flag_ = false; }

 private:
  bool& flag_;
};

// The length of a file in bytes; raises FileNotFound when it can't be read.
uintmax_t FileLength(const std::string& path);

// The tempo a composition file plays at: Tempo rounded and held to 16..127, as the writer
// holds the division.
double FileTempo(const Globals& g);

}  // namespace stavelark

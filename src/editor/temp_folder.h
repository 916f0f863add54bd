// The private folder of one run for its temporary MIDI files.
//
// It is made atomically with mode 0700 as "stavelark-<pid>-XXXXXX" under a base folder (the
// system's temporary folder in the program) and stays locked while the run lives, so that a
// later start can tell the folders of runs that ended without removing theirs (killed, crashed)
// from those of runs still going, and remove the former.
#pragma once

#include <filesystem>

namespace stavelark {

class PrivateTempFolder {
 public:
  // Makes the folder; Path() is empty when it could not be made.
  explicit PrivateTempFolder(const std::filesystem::path& base);
  // Removes the folder and everything in it.
  ~PrivateTempFolder();
  PrivateTempFolder(const PrivateTempFolder&) = delete;
  PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }

  // Removes the folders under `base` that runs of this program left behind: the user's own
  // "stavelark-<pid>-XXXXXX" folders that no run holds locked, whose process is gone (or is
  // another program by now). Returns how many it removed.
  static int RemoveAbandoned(const std::filesystem::path& base);

 private:
  std::filesystem::path path_;
  int lock_ = -1;  // the folder, held open and locked for the run's life
};

}  // namespace stavelark

// The private folder of one run for its temporary MIDI files.
//
// It is made atomically with mode 0700 as "stavelark-<pid>-XXXXXX" under the first of a list of
// base folders where that works (in the program: $TMPDIR, $XDG_RUNTIME_DIR, /tmp) and stays
// locked while the run lives, so that a later start can tell the folders of runs that ended
// without removing theirs (killed, crashed) from those of runs still going, and remove the former.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace stavelark {

class PrivateTempFolder {
 public:
  // The base folders of the program, in the order they are tried: $TMPDIR and
  // $XDG_RUNTIME_DIR where they are set, then /tmp.
  static std::vector<std::filesystem::path> Bases();

  // Makes the folder under the first of `bases` where it can be made, after removing there the
  // folders that earlier runs left. Path() is empty when it could be made under none, and
  // Problem() then says so, with each base and the system's reason.
  explicit PrivateTempFolder(const std::vector<std::filesystem::path>& bases);
  // Removes the folder and everything in it.
  ~PrivateTempFolder();
  PrivateTempFolder(const PrivateTempFolder&) = delete;
  PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  const std::string& Problem() const { return problem_; }

  // Removes the folders under `base` that runs of this program left behind: the user's own
  // "stavelark-<pid>-XXXXXX" folders that no run holds locked, whose process is gone (or is
  // another program by now). Returns how many it removed.
  static int RemoveAbandoned(const std::filesystem::path& base);

 private:
  std::filesystem::path path_;
  std::string problem_;
  int lock_ = -1;  // the folder, held open and locked for the run's life
};

}  // namespace stavelark

// The user's files: project files and MIDI files are read and written only through these.
//
// Writing replaces a file as a whole through a temporary file beside it, so that a failure
// never leaves a half-written file under the user's name. Reading takes regular files only and
// never waits: a named pipe or a device given as a path is refused at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace stavelark {

// Whether a file's data reaches the disk before it takes its name (a file that is only read
// back at once needs no flush).
enum class Flush { ToDisk, No };

// Replaces `path` with `bytes`. A symbolic link is followed to its final target, which is
// written while the link stays; a link that another user made in a folder every user may write
// (sticky, such as /tmp) is not followed unless the folder's owner made it. The new content goes
// into a temporary file ".<name>.<random>.tmp" in the target's folder that is renamed into
// place, so the target is either the old file or the complete new one; leftovers of that form
// from an earlier write of the same target that was killed half way are removed first. An
// existing target keeps its permission bits. A target whose permissions refuse the user, or
// that no one may write, is not replaced; nor is one in a folder where no temporary file can be
// made (the file itself is never written over).
//
// Raises basic::RuntimeError on failure (52 bad file name, 61 disk full, 70 permission denied,
// 75 path/file access error, 76 path not found), its description the system's own words for
// the error ("No space left on device", "Is a directory", ...), or for a refused link or folder
// a sentence that says why with them; no temporary file stays and the target is unchanged.
void WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes, Flush flush = Flush::ToDisk);

// The whole content of a regular file of at most `maxBytes`; nothing when the path can't be
// opened or read, is no regular file (a folder, a named pipe, a device) or holds more.
std::optional<std::vector<uint8_t>> ReadRegularFile(const std::string& path, size_t maxBytes);

// Whether `path` is a regular file that can be opened for reading, found out without waiting
// on a named pipe or a device.
bool IsReadableRegularFile(const std::string& path);

}  // namespace stavelark

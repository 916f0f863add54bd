// Per-user folders of the stores and a crash-safe way to replace a file.
#pragma once

#include "platform/store/status.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace store {

// $XDG_CONFIG_HOME/Stavelark (an absolute XDG_CONFIG_HOME only), else $HOME/.config/Stavelark.
std::filesystem::path ConfigFolder();

// $XDG_DATA_HOME (absolute only), else $HOME/.local/share.
std::filesystem::path DataHome();

// Writes `contents` to a temporary file beside `file`, flushes it to disk and renames it over
// `file`, so a reader or a crash sees either the old or the new contents, never a mix.
// Creates the folder when it is missing. A new file is readable by its owner only; a file that
// is replaced keeps its permissions.
Status WriteFileAtomically(const std::filesystem::path& file, std::string_view contents);

// Whether code may be loaded from a file: its path is absolute and, with every symbolic link
// resolved, the file and the folder that holds it belong to the user or to root and cannot be
// written by group or others.
struct TrustCheck {
  bool trusted = false;
  std::filesystem::path resolved;  // the file the links lead to (empty when it doesn't exist)
  std::string problem;             // why not, e.g. "it is missing", "its folder /x can be written by every user"
  std::string remedy;              // a command that makes it trusted, when the user can run one
  explicit operator bool() const { return trusted; }
};
TrustCheck CheckTrusted(const std::filesystem::path& file);

// `text` as one word for a POSIX shell: unchanged when it needs no quoting, else in single quotes.
std::string ShellQuote(std::string_view text);

}  // namespace store

// Per-user folders of the stores and a crash-safe way to replace a file.
#pragma once

#include "platform/store/status.h"

#include <filesystem>
#include <string_view>

namespace store {

// $XDG_CONFIG_HOME/Stavelark (an absolute XDG_CONFIG_HOME only), else $HOME/.config/Stavelark.
std::filesystem::path ConfigFolder();

// $XDG_DATA_HOME (absolute only), else $HOME/.local/share.
std::filesystem::path DataHome();

// Writes `contents` to a temporary file beside `file`, flushes it to disk and renames it over
// `file`, so a reader or a crash sees either the old or the new contents, never a mix.
// Creates the folder when it is missing.
Status WriteFileAtomically(const std::filesystem::path& file, std::string_view contents);

}  // namespace store

// Makes the desktop open project files (*.msf) with the program: a shared-mime-info type and a
// desktop entry in the user's data folder, then the desktop's caches are brought up to date.
#pragma once

#include "platform/store/status.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace store {

inline constexpr std::string_view kMsfMimeType = "application/x-stavelark-msf";

// Writes <dataHome>/mime/packages/stavelark-msf.xml and <dataHome>/applications/stavelark.desktop
// (Exec: `programPath` followed by " %f"), then runs update-mime-database and
// update-desktop-database on those folders where the tools are installed (each given a few
// seconds at most, its output discarded). Problems are reported, never thrown; the status is
// not ok when a file could not be written or a tool failed.
Status InstallFileAssociation(const std::filesystem::path& programPath);  // in DataHome()
Status InstallFileAssociation(const std::filesystem::path& programPath, const std::filesystem::path& dataHome);

// The same, except that the desktop's caches are brought up to date by a detached process the
// caller doesn't wait for (the tools can take a second or more): for a program starting up.
// The status reports only the files.
Status InstallFileAssociationInBackground(const std::filesystem::path& programPath,
                                          const std::filesystem::path& dataHome);

// The Exec line's command: the program path, quoted and escaped as desktop entries require
// when it holds blanks or other reserved characters, then " %f".
std::string DesktopExecLine(const std::filesystem::path& programPath);

}  // namespace store

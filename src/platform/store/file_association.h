// Makes the desktop open project files (*.msf) with the program: a shared-mime-info type, a
// desktop entry and their icons in a data folder (the user's, or an installation's share/), then
// the desktop's caches are brought up to date.
#pragma once

#include "platform/store/status.h"

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace store {

inline constexpr std::string_view kMsfMimeType = "application/x-stavelark-msf";
// The icon theme's names of the program's icon and of the project files' icon.
inline constexpr std::string_view kProgramIconName = "stavelark";
inline constexpr std::string_view kMsfIconName = "application-x-stavelark-msf";

// Icons by size in pixels (16 for 16 x 16), as PNG bytes.
using DesktopIcons = std::map<int, std::string>;

// Writes <dataHome>/mime/packages/stavelark-msf.xml, <dataHome>/applications/stavelark.desktop
// (Exec: `programPath` followed by " %f"; Icon: the program's icon) and each icon as
// <dataHome>/icons/hicolor/<n>x<n>/apps/stavelark.png and .../mimetypes/<kMsfIconName>.png, then
// runs update-mime-database and update-desktop-database on those folders where the tools are
// installed (each given a few seconds at most, its output discarded). Problems are reported,
// never thrown; the status is not ok when a file could not be written or a tool failed.
Status InstallFileAssociation(const std::filesystem::path& programPath);  // in DataHome(), no icons
Status InstallFileAssociation(const std::filesystem::path& programPath, const std::filesystem::path& dataHome,
                              const DesktopIcons& icons = {});

// The same, except that the desktop's caches are brought up to date by a detached process the
// caller doesn't wait for (the tools can take a second or more): for a program starting up.
// The status reports only the files.
Status InstallFileAssociationInBackground(const std::filesystem::path& programPath,
                                          const std::filesystem::path& dataHome, const DesktopIcons& icons = {});

// The Exec line's command: the program path, quoted and escaped as desktop entries require
// when it holds blanks or other reserved characters, then " %f".
std::string DesktopExecLine(const std::filesystem::path& programPath);

}  // namespace store

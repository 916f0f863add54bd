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
// (Exec: `programPath` followed by " %f"; Icon: the program's icon; X-Stavelark-Program: the
// program as a file URI) and each icon as <dataHome>/icons/hicolor/<n>x<n>/apps/stavelark.png
// and .../mimetypes/<kMsfIconName>.png, each file mode 0644, then runs update-mime-database and
// update-desktop-database on those folders where the tools are installed, and
// gtk-update-icon-cache when icons were given and the hicolor theme has a cache (each given a
// few seconds at most, its output discarded). Problems are reported, never thrown; the status is
// not ok when a file could not be written or a tool failed.
Status InstallFileAssociation(const std::filesystem::path& programPath);  // in DataHome(), no icons
Status InstallFileAssociation(const std::filesystem::path& programPath, const std::filesystem::path& dataHome,
                              const DesktopIcons& icons = {});

// The same, except that the desktop's caches are brought up to date by a detached process the
// caller doesn't wait for (the tools can take a second or more), with the same time limit for
// each tool: for a program starting up. The status reports only the files.
Status InstallFileAssociationInBackground(const std::filesystem::path& programPath,
                                          const std::filesystem::path& dataHome, const DesktopIcons& icons = {});

// When <dataHome>/applications/stavelark.desktop is an entry of ours that starts a program
// which no longer exists (a build folder that was removed), writes the association again for
// `programPath`, as InstallFileAssociationInBackground does. Anything else is left alone.
Status RenewStaleFileAssociation(const std::filesystem::path& programPath, const std::filesystem::path& dataHome,
                                 const DesktopIcons& icons = {});

// The Exec key's value (escaped as a desktop entry's values are) that starts `programPath` with
// the file: the path, quoted and escaped as desktop entries require when it holds blanks or other
// reserved characters, then " %f". A path that GLib's launcher would not take as written (one
// with "%" or that is not UTF-8) is started through /bin/sh.
std::string DesktopExecLine(const std::filesystem::path& programPath);

}  // namespace store

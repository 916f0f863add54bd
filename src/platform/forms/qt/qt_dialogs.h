// The standard dialogs on Qt: message box, input box, file and colour choosers.
#pragma once

#include <QPoint>
#include <QStringList>
#include <optional>
#include <string>

#include "platform/forms/window_system.h"

class QWidget;

namespace forms::qtbackend {

// "Name|pattern|Name|pattern" (several patterns separated by ";" or blanks) to Qt name
// filters such as "Name (*.a *.b)". "*.*" becomes "*". A name without a pattern matches all.
QStringList NameFilters(const std::string& filter);

// Message box answers as the program knows them (1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore,
// 6 Yes, 7 No).
int ShowMessageBox(QWidget* parent, const std::string& prompt, int buttons, const std::string& title);
std::optional<std::string> ShowInputBox(QWidget* parent, const std::string& prompt, const std::string& title,
                                        const std::string& defaultText, std::optional<QPoint> globalPos);
std::optional<FileDialogAnswer> ShowFileDialog(QWidget* parent, const FileDialogRequest& request);
std::optional<Color> ShowColorDialog(QWidget* parent, Color initial);

}  // namespace forms::qtbackend

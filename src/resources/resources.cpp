#include "resources/resources.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace resources {

bool PicturesLinked() { return QDir(QString(kPicturePrefix)).exists(); }

std::map<int, std::string> ProgramIcons() {
  std::map<int, std::string> icons;
  const QRegularExpression name("^icon([0-9]+)\\.png$");
  for (const QString& file : QDir(QString(kPicturePrefix)).entryList(QDir::Files)) {
    const QRegularExpressionMatch match = name.match(file);
    if (!match.hasMatch()) continue;
    QFile picture(QString(kPicturePrefix) + file);
    if (!picture.open(QIODevice::ReadOnly)) continue;
    const QByteArray bytes = picture.readAll();
    icons[match.captured(1).toInt()] = std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
  }
  return icons;
}

}  // namespace resources

#include "resources/resources.h"

#include <QDir>

namespace resources {

bool PicturesLinked() { return QDir(QString(kPicturePrefix)).exists(); }

}  // namespace resources

#include "platform/forms/window_system.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QRegularExpression>

namespace forms {

WindowSystem::WindowSystem() = default;
WindowSystem::~WindowSystem() = default;

std::string WindowSystem::InputBoxText(const std::string& prompt, const std::string& title,
                                       const std::string& defaultText, std::optional<double> x,
                                       std::optional<double> y) {
  return InputBox(prompt, title.empty() ? AppTitle : title, defaultText, x, y).value_or("");
}

std::string CommandLineText(int argc, const char* const* argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) text += ' ';
    text += argv[i];
  }
  return text;
}

void WindowSystem::End() {
  if (!ending_) {
    ending_ = true;
    OnEnd();
  }
  throw EndProgram{};
}

void WindowSystem::RequestSessionEnd() {
  if (ending_) return;
  if (!SessionEndRequested) {
    try {
      End();
    } catch (const EndProgram&) {
    }
    return;
  }
  Dispatch(SessionEndRequested);
}

void WindowSystem::Dispatch(const std::function<void()>& handler) {
  if (ending_) return;
  try {
    handler();
  } catch (const EndProgram&) {
    // The program is ending; the backend's OnEnd has seen to the rest.
  } catch (const basic::RuntimeError& e) {
    if (ending_) return;
    MsgBox("Run-time error '" + std::to_string(e.number) + "':\r\n\r\n" + e.description, mb::Critical, AppTitle);
  } catch (const std::exception& e) {
    if (ending_) return;
    MsgBox(std::string("Run-time error:\r\n\r\n") + e.what(), mb::Critical, AppTitle);
  }
}

// ---- pictures ----

Picture::Picture(std::shared_ptr<const QImage> image, std::string source)
    : image_(std::move(image)), source_(std::move(source)) {}

Picture Picture::Deferred(std::string path, int widthPx, int heightPx, std::string source) {
  Picture p;
  p.deferred_ = std::make_shared<DeferredImage>(DeferredImage{std::move(path), widthPx, heightPx, nullptr});
  p.source_ = std::move(source);
  return p;
}

int Picture::WidthPx() const { return image_ ? image_->width() : deferred_ ? deferred_->width : 0; }
int Picture::HeightPx() const { return image_ ? image_->height() : deferred_ ? deferred_->height : 0; }

const QImage* Picture::Image() const {
  if (image_ || !deferred_) return image_.get();
  if (!deferred_->image) deferred_->image = std::make_shared<const QImage>(QString::fromStdString(deferred_->path));
  return deferred_->image.get();
}

namespace {
Picture FromResource(const std::string& key) {
  const std::string path = ":/stavelark/res/" + key + ".png";
  const QSize size = QImageReader(QString::fromStdString(path)).size();
  if (!size.isValid()) basic::Raise(326, "Resource with identifier '" + key + "' not found");
  return Picture::Deferred(path, size.width(), size.height(), "res:" + key);
}
}  // namespace

Picture LoadResPicture(int id) { return FromResource(std::to_string(id)); }
Picture LoadResPicture(const std::string& name) { return FromResource(name); }

Picture LoadResIcon(const std::string& name) {
  Picture icon = FromResource(name);
  const QString base = QString::fromStdString(name);
  const QRegularExpression sized(QStringLiteral("^%1[0-9]+\\.png$").arg(QRegularExpression::escape(base)));
  const QDir folder(QStringLiteral(":/stavelark/res/"));
  for (const QString& file : folder.entryList({base + QStringLiteral("*.png")}, QDir::Files, QDir::Name)) {
    if (!sized.match(file).hasMatch()) continue;
    QImage img(folder.filePath(file));
    if (!img.isNull()) icon.AddSize(std::make_shared<const QImage>(std::move(img)));
  }
  return icon;
}

Picture LoadPicture(const std::string& path) {
  if (path.empty()) return Picture();
  QString p = QString::fromStdString(path);
  QFileInfo info(p);
  if (!info.exists() || !info.isFile()) basic::Raise(basic::err::FileNotFound);
  QImage img(p);
  if (img.isNull()) basic::Raise(481, "Invalid picture");
  return Picture(std::make_shared<const QImage>(std::move(img)), path);
}

}  // namespace forms

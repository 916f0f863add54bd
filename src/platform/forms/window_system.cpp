#include "platform/forms/window_system.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
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

int Picture::WidthPx() const { return image_ ? image_->width() : 0; }
int Picture::HeightPx() const { return image_ ? image_->height() : 0; }

namespace {
Picture FromResource(const std::string& key) {
  QImage img(QString::fromStdString(":/stavelark/res/" + key + ".png"));
  if (img.isNull()) basic::Raise(326, "Resource with identifier '" + key + "' not found");
  return Picture(std::make_shared<const QImage>(std::move(img)), "res:" + key);
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

// A window system for hosting tests: no windows, a cursor the test places, no dialogs (an
// unexpected one fails the test), and a painter that draws a form with the controls it hosts
// the way the screen shows them: backgrounds, pictures at their own size, texts.
#pragma once

#include "platform/basic/clock.h"
#include "platform/forms/forms.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPainter>

namespace testing_support {

class FixedClock final : public basic::Clock {
 public:
  int64_t NowMs() const override { return 0; }
};

class TestWindowSystem final : public forms::WindowSystem {
 public:
  forms::PointApi cursor;

  std::unique_ptr<forms::FormPeer> CreatePeer(forms::Form&) override { return std::make_unique<forms::FormPeer>(); }
  void TimerChanged(forms::Timer&, bool) override {}
  const basic::Clock& Clock() const override { return clock_; }
  void DoEvents() override {}
  std::unique_ptr<forms::Wakeup> MakeWakeup(std::function<void()>) override { return nullptr; }
  int MsgBox(const std::string& prompt, int, const std::string&) override {
    ADD_FAILURE() << "unexpected message box: " << prompt;
    return forms::mb::Ok;
  }
  std::optional<std::string> InputBox(const std::string& prompt, const std::string&, const std::string&,
                                      std::optional<double>, std::optional<double>) override {
    ADD_FAILURE() << "unexpected input box: " << prompt;
    return std::nullopt;
  }
  std::optional<forms::FileDialogAnswer> FileDialog(const forms::FileDialogRequest&) override { return std::nullopt; }
  std::optional<forms::Color> ColorDialog(forms::Color, int) override { return std::nullopt; }
  std::optional<forms::PrinterAnswer> PrinterDialog(const forms::PrinterRequest&) override { return std::nullopt; }
  void PrintForm(forms::Form&) override {}
  forms::PointApi GetCursorPos() override { return cursor; }
  double ScreenWidth() const override { return 1280 * forms::TwipsPerPixel; }
  double ScreenHeight() const override { return 1024 * forms::TwipsPerPixel; }
  void Beep() override {}
  void Run() override {}

 private:
  FixedClock clock_;
};

inline QColor ToQColor(forms::Color c) {
  if (forms::IsSystemColor(c)) return QColor(0xC0, 0xC0, 0xC0);
  return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

inline int Px(double twips) { return static_cast<int>(twips / forms::TwipsPerPixel); }

// Paints `form`'s client area with its top-left corner at (x, y).
inline void PaintForm(QPainter& p, const forms::Form& form, int x, int y) {
  p.fillRect(x, y, Px(form.ScaleWidth()), Px(form.ScaleHeight()), ToQColor(form.BackColor()));
  for (const forms::Control* c : form.ZOrderList()) {
    if (!c->IsShowing()) continue;
    const int left = x + Px(c->FormLeft()), top = y + Px(c->FormTop());
    const int width = Px(c->Width()), height = Px(c->Height());
    p.save();
    p.setClipRect(left, top, width, height);
    switch (c->Kind()) {
      case forms::ControlKind::Frame:
        p.fillRect(left, top, width, height, ToQColor(static_cast<const forms::Frame*>(c)->BackColor()));
        break;
      case forms::ControlKind::PictureBox: {
        auto* box = static_cast<const forms::PictureBox*>(c);
        p.fillRect(left, top, width, height, ToQColor(box->BackColor()));
        if (const QImage* image = box->Picture().Image()) p.drawImage(left, top, *image);
        break;
      }
      case forms::ControlKind::TextBox:
        p.fillRect(left, top, width, height, Qt::white);
        p.drawText(left + 2, top, width - 2, height, Qt::AlignVCenter,
                   QString::fromStdString(static_cast<const forms::TextBox*>(c)->Text()));
        break;
      case forms::ControlKind::Label:
        p.drawText(left, top, width, height, 0, QString::fromStdString(static_cast<const forms::Label*>(c)->Caption()));
        break;
      case forms::ControlKind::Hosted:
        if (const forms::Form* surface = static_cast<const forms::HostedControl*>(c)->Surface())
          PaintForm(p, *surface, left, top);
        break;
      default:
        break;
    }
    p.restore();
  }
}

inline QImage Render(const forms::Form& form) {
  QImage image(Px(form.ScaleWidth()), Px(form.ScaleHeight()), QImage::Format_RGB32);
  QPainter painter(&image);
  PaintForm(painter, form, 0, 0);
  return image;
}

}  // namespace testing_support

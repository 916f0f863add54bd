// The Program on the Qt window system, for tests and benchmarks of what the real window shows
// (run them under QT_QPA_PLATFORM=offscreen): a recording sound platform, settings kept in
// memory, no registry (so no hosted master-volume control). Construction runs the start-up.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QWidget>
#include <memory>

#include "editor/form1.h"
#include "editor/program.h"
#include "platform/forms/qt/qt_system.h"
#include "platform/music/recording_music.h"
#include "platform/store/settings.h"

namespace stavelark_test {

class QtProgram {
 public:
  QtProgram() {
    if (!QApplication::instance()) app_ = std::make_unique<QApplication>(argc_, argv_);
    system_ = std::make_unique<forms::QtSystem>();
    recorder_ = std::make_unique<music::MusicRecorder>(system_->Clock());
    stavelark::ProgramServices services;
    services.createDirectX = [this] { return recorder_->CreateDirectX8(); };
    services.settings = &settings_;
    program_ = std::make_unique<stavelark::Program>(*system_, std::move(services));
    program_->Form1();
    Pump();
  }
  ~QtProgram() {
    program_.reset();  // windows go before their window system
    recorder_.reset();
    system_.reset();
  }
  QtProgram(const QtProgram&) = delete;
  QtProgram& operator=(const QtProgram&) = delete;

  stavelark::Program& P() { return *program_; }
  stavelark::Form1& F() { return program_->Form1(); }
  forms::QtSystem& Sys() { return *system_; }
  QWidget* Canvas() { return system_->CanvasOf(F()); }

  // Runs what is pending (repaints among it).
  static void Pump() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  }
  // The main window's client area as it is painted now.
  QImage Grab() {
    Pump();
    return Canvas()->grab().toImage();
  }

 private:
  int argc_ = 1;
  char arg0_[16] = "stavelark";
  char* argv_[2] = {arg0_, nullptr};
  std::unique_ptr<QApplication> app_;
  std::unique_ptr<forms::QtSystem> system_;
  std::unique_ptr<music::MusicRecorder> recorder_;
  store::MemorySettingsStore settings_;
  std::unique_ptr<stavelark::Program> program_;
};

}  // namespace stavelark_test

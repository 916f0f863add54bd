// A Program on the headless window system, with a recording sound platform, settings kept in
// memory, an in-memory registry with the Glidebar control registered, and its own temporary
// folders. Tests start it as a user would (Start), then act and check.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "editor/form1.h"
#include "editor/program.h"
#include "glidebar/identity.h"
#include "platform/com/registration.h"
#include "platform/music/recording_music.h"
#include "platform/store/registry.h"
#include "platform/store/settings.h"
#include "support/headless_fixture.h"

namespace stavelark_test {

class ProgramTest : public HeadlessTest {
 protected:
  ProgramTest() {
    char pattern[] = "/tmp/stavelark-test-XXXXXX";
    const char* dir = ::mkdtemp(pattern);
    root_ = dir ? dir : "/tmp";
    std::filesystem::create_directories(root_ / "temp");
    std::filesystem::create_directories(root_ / "data");
#ifdef GLIDEBAR_LIBRARY
    com::RegisterControl(registry, glidebar::kRegistration, GLIDEBAR_LIBRARY);
#endif
  }
  ~ProgramTest() override {
    program_.reset();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  // Builds the program and runs its start-up (the main window's first use), as the
  // executable does with `commandLine`.
  stavelark::Program& Start(const std::string& commandLine = "") {
    Sys().CommandLine = commandLine;
    Sys().AppPath = root_.string();
    stavelark::ProgramServices services;
    services.createDirectX = [this] { return recorder.CreateDirectX8(); };
    services.settings = &settings;
    services.registry = &registry;
    if (tempBase.empty()) services.tempFolder = root_ / "temp";
    else services.tempBase = tempBase;
    services.dataHome = root_ / "data";
    program_ = std::make_unique<stavelark::Program>(Sys(), std::move(services));
    try {
      program_->Form1();
    } catch (const forms::EndProgram&) {
      // the program ended during start-up
    }
    return *program_;
  }

  stavelark::Program& P() { return *program_; }
  stavelark::Form1& F() { return P().Form1(); }
  stavelark::Globals& G() { return P().G; }
  const std::filesystem::path& Root() const { return root_; }

  // Runs a handler as the window system does for a user's action (an End stops it there).
  void Act(const std::function<void()>& handler) { Sys().Dispatch(handler); }

  // When set before Start, the program makes its own private folder under it (else it uses
  // the test's "temp" folder).
  std::filesystem::path tempBase;
  music::MusicRecorder recorder{Sys().Clock()};
  store::MemorySettingsStore settings;
  store::Registry registry;

 private:
  std::filesystem::path root_;
  std::unique_ptr<stavelark::Program> program_;
};

}  // namespace stavelark_test

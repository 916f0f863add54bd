// The program: the Qt window system, the real sound platform, the user's settings and registry.
#include <QApplication>

#include <filesystem>
#include <system_error>

#include "editor/form1.h"
#include "editor/program.h"
#include "platform/forms/qt/qt_session.h"
#include "platform/forms/qt/qt_system.h"
#include "platform/music/music.h"
#include "platform/store/registry.h"
#include "platform/store/settings.h"
#include "sound/sound_engine.h"

int main(int argc, char** argv) {
  // Before any thread starts: the window system then hears of a request to end as an event and
  // the program ends the ordinary way (settings written, temporary files removed).
  forms::qtbackend::BlockSessionSignals();
  QApplication app(argc, argv);
  forms::QtSystem system;
  if (argc > 1) system.CommandLine = argv[1];

  store::IniSettingsStore settings;
  store::Registry registry(store::Registry::DefaultFile());

  stavelark::ProgramServices services;
  services.createDirectX = [&system] { return music::CreateDirectX8(system.Clock()); };
  services.settings = &settings;
  services.registry = &registry;
  std::error_code ec;
  services.programPath = std::filesystem::canonical("/proc/self/exe", ec);

  stavelark::Program program(system, std::move(services));
  try {
    program.Form1();  // the main window's first use runs the start-up
    system.Run();
  } catch (const forms::EndProgram&) {
    // The program ended (during start-up, or from a handler outside the event loop).
  }
  // A start-up that could not make its sound (no SoundFont) has said why; the status says so too.
  return program.SoundEngine().Started() ? 0 : 1;
}

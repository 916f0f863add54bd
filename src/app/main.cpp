// The program: the Qt window system, the real sound platform, the user's settings and registry.
#include <QApplication>

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <system_error>

#include "editor/form1.h"
#include "editor/program.h"
#include "platform/forms/qt/qt_session.h"
#include "platform/forms/qt/qt_system.h"
#include "platform/music/music.h"
#include "platform/store/registry.h"
#include "platform/store/settings.h"
#include "sound/sound_engine.h"

namespace {

// The first of the places that exists ("" when none does).
std::filesystem::path FirstExisting(std::initializer_list<std::filesystem::path> places) {
  std::error_code ec;
  for (const std::filesystem::path& place : places)
    if (std::filesystem::exists(place, ec)) return place.lexically_normal();
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  // Before any thread starts: the window system then hears of a request to end as an event and
  // the program ends the ordinary way (settings written, temporary files removed).
  forms::qtbackend::BlockSessionSignals();
  QApplication app(argc, argv);
  forms::QtSystem system;
  system.CommandLine = forms::CommandLineText(argc, argv);

  std::error_code ec;
  const std::filesystem::path self = std::filesystem::canonical("/proc/self/exe", ec);
  store::IniSettingsStore settings;
  // An installed program sees the classes registered for every user beneath the user's own.
  std::optional<store::Registry> registry;
  if (auto machine = store::Registry::MachineFileOf(self)) registry.emplace(store::Registry::DefaultFile(), *machine);
  else registry.emplace(store::Registry::DefaultFile());

  stavelark::ProgramServices services;
  services.createDirectX = [&system] { return music::CreateDirectX8(system.Clock()); };
  services.settings = &settings;
  services.registry = &*registry;
  services.programPath = self;
  // What comes with the program lies beside it once installed; in a build folder, in the
  // folders of its targets.
  const std::filesystem::path folder = self.parent_path();
  services.controlLibrary = FirstExisting({folder / "libglidebar.so", folder / "../glidebar/libglidebar.so"});
  services.registrationTool =
      FirstExisting({folder / "stavelark-regsvr", folder / "../platform/com/stavelark-regsvr"});

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

// The program: the Qt window system, the real sound platform, the user's settings and registry.
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <system_error>

#include "editor/form1.h"
#include "editor/program.h"
#include "platform/forms/qt/qt_session.h"
#include "platform/forms/qt/qt_system.h"
#include "platform/music/music.h"
#include "platform/store/file_association.h"
#include "platform/store/paths.h"
#include "platform/store/registry.h"
#include "platform/store/settings.h"
#include "resources/resources.h"
#include "sound/sound_engine.h"

namespace {

// The first of the places that exists ("" when none does).
std::filesystem::path FirstExisting(std::initializer_list<std::filesystem::path> places) {
  std::error_code ec;
  for (const std::filesystem::path& place : places)
    if (std::filesystem::exists(place, ec)) return place.lexically_normal();
  return {};
}

// How to see the program without a display: the README's virtual display.
constexpr const char* kVirtualDisplay = "xvfb-run -a -s \"-screen 0 1280x1024x24\"";

// Whether the window system has anywhere to show windows: a platform chosen for Qt, an X
// display or a Wayland one.
bool DisplayGiven() {
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
    if (const char* value = std::getenv(name); value != nullptr && value[0] != '\0') return true;
  return false;
}

// Qt ends the program with abort() (and a core file) when no display it was given can be used.
// While the application is being made, that end is a line that says so and an ordinary failure.
void StartUpMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
  if (type != QtFatalMsg) return;
  const char* display = std::getenv("DISPLAY");
  std::fprintf(stderr,
               "stavelark: the display %s could not be used; without one, run it in a virtual display: %s stavelark\n",
               store::ShellQuote(display != nullptr ? display : "").c_str(), kVirtualDisplay);
  std::_Exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  // Before any thread starts: the window system then hears of a request to end as an event and
  // the program ends the ordinary way (settings written, temporary files removed).
  forms::qtbackend::BlockSessionSignals();
  if (!DisplayGiven()) {
    std::fprintf(stderr,
                 "stavelark: no display was found (DISPLAY is not set); to run it without one, use a virtual "
                 "display: %s %s\n",
                 kVirtualDisplay, store::ShellQuote(argc > 0 ? argv[0] : "stavelark").c_str());
    return 1;
  }
  qInstallMessageHandler(StartUpMessage);
  QApplication app(argc, argv);
  qInstallMessageHandler(nullptr);
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
  // The desktop entry of the user's first run may start a copy that has gone since (a build
  // folder removed after installing): project files then open with this one.
  if (!self.empty())
    if (store::Status status = store::RenewStaleFileAssociation(self, store::DataHome(), resources::ProgramIcons());
        !status)
      std::fprintf(stderr, "stavelark: file type not registered with the desktop: %s\n", status.message.c_str());

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

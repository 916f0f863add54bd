// Closing the real main window with its close button runs the shutdown.
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <filesystem>

#include "platform/forms/qt/qt_session.h"
#include "support/qt_program.h"

namespace stavelark_test {
namespace {

TEST(ShutdownOnQt, TheWindowsCloseButtonShutsDownAndWritesTheSettings) {
  QtProgram program;
  program.Settings().ClearWrites();
  QWidget* window = program.Sys().WindowOf(program.F());
  ASSERT_NE(window, nullptr);
  window->close();  // as the window manager's close button does
  QtProgram::Pump();
  EXPECT_TRUE(program.Sys().Ending());
  ASSERT_EQ(program.Settings().Writes().size(), 10u);
  EXPECT_EQ(program.Settings().Writes().front().key, "image");
  EXPECT_EQ(program.Settings().Writes().back().key, "background");
}

// A termination signal ends the real program the ordinary way: settings written, the private
// folder removed, no window asked for.
TEST(ShutdownOnQt, ATerminationSignalEndsTheProgramTheOrdinaryWay) {
  forms::qtbackend::BlockSessionSignals();
  std::filesystem::path folder;
  {
    QtProgram program;
    folder = program.P().TempFolder();
    ASSERT_TRUE(std::filesystem::is_directory(folder));
    program.P().G.Modified = true;
    program.Settings().ClearWrites();
    ASSERT_EQ(::pthread_kill(::pthread_self(), SIGTERM), 0);
    QtProgram::Pump();
    EXPECT_TRUE(program.Sys().Ending());
    EXPECT_EQ(program.Settings().Writes().size(), 10u);
    EXPECT_FALSE(program.Sys().WindowOf(program.F())->isVisible());
  }
  EXPECT_FALSE(std::filesystem::exists(folder));
}

}  // namespace
}  // namespace stavelark_test

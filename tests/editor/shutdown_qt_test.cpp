// Closing the real main window with its close button runs the shutdown.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace stavelark_test

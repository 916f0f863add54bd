// GoogleTest support for tests on the headless window system: at the end of each test,
// every unexpected dialog, every scripted answer no dialog used and every posted action
// that never ran fails the test, with its text.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/forms/headless/headless_system.h"

namespace stavelark_test {

// Adds a test failure for each unexpected dialog, unused answer and pending posted action.
inline void CheckHeadless(const forms::headless::HeadlessSystem& system) {
  for (const auto& d : system.UnexpectedDialogs()) ADD_FAILURE() << "unexpected dialog: " << d.Describe();
  for (const auto& a : system.UnusedAnswers()) ADD_FAILURE() << "scripted answer never used: " << a;
  if (system.PendingPosts() > 0)
    ADD_FAILURE() << system.PendingPosts() << " posted action(s) never ran (no DoEvents after Post)";
}

// A fixture with its own headless system (Sys()). A test whose system belongs to something
// else (a Program) calls Watch() with it; TearDown then checks that one.
class HeadlessTest : public ::testing::Test {
 protected:
  forms::headless::HeadlessSystem& Sys() { return *watched_; }
  void Watch(forms::headless::HeadlessSystem& system) { watched_ = &system; }
  void TearDown() override { CheckHeadless(*watched_); }

 private:
  std::unique_ptr<forms::headless::HeadlessSystem> own_ = std::make_unique<forms::headless::HeadlessSystem>();
  forms::headless::HeadlessSystem* watched_ = own_.get();
};

}  // namespace stavelark_test

// The virtual clock: timers, DoEvents waits (nested), End inside a wait, stalled waits.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/forms/headless/headless_system.h"
#include "platform/forms/test_form.h"
#include "support/headless_fixture.h"

namespace {

using namespace forms_test;
using forms::headless::HeadlessSystem;
using Lines = std::vector<std::string>;

class TimersTest : public stavelark_test::HeadlessTest {
 protected:
  forms::Timer& AddTimer(const std::string& name, int interval) {
    auto& t = form.Add<forms::Timer>(name);
    t.Interval = interval;
    t.Tick = [this, name] { Put(name); };
    return t;
  }
  void Put(const std::string& what) { log.push_back(what + " @" + std::to_string(sys.Now())); }
  // The program's way of waiting: DoEvents until the clock has moved on by `ms`.
  void Wait(int64_t ms) {
    const int64_t end = sys.Clock().NowMs() + ms;
    while (sys.Clock().NowMs() < end) sys.DoEvents();
  }
  forms::CommandButton& Button(std::function<void()> click) {
    auto& b = form.Add<forms::CommandButton>("cmd");
    b.Move(0, 0, 1000, 400);
    b.Click = std::move(click);
    return b;
  }

  HeadlessSystem& sys = Sys();
  Log log;
  LoggingForm form{sys, "Clock", log};
};

TEST_F(TimersTest, TimersOfLoadedFormsFireInDueOrderAtTheirIntervals) {
  AddTimer("A", 300);
  AddTimer("B", 500);
  sys.Advance(1000);  // not loaded yet: nothing runs
  form.Load();
  sys.Advance(1000);
  sys.Advance(500);
  EXPECT_EQ(log, (Lines{"Clock.Form_Load", "A @1300", "B @1500", "A @1600", "A @1900", "B @2000", "A @2200", "A @2500",
                        "B @2500"}));
}

TEST_F(TimersTest, DisabledStoppedAndUnloadedTimersStayQuiet) {
  auto& a = AddTimer("A", 100);
  AddTimer("Z", 0);
  auto& d = AddTimer("D", 100);
  d.Enabled = false;
  form.Load();
  log.clear();
  sys.Advance(250);
  a.Interval = 50;  // restarts the count from now
  d.Enabled = true;
  sys.Advance(100);
  EXPECT_EQ(log, (Lines{"A @100", "A @200", "A @300", "A @350", "D @350"}));

  log.clear();
  form.Unload();
  sys.Advance(1000);
  a.Interval = 70;  // set while unloaded: still quiet
  sys.Advance(1000);
  EXPECT_EQ(log, (Lines{"Clock.Form_QueryUnload 1", "Clock.Form_Unload"}));

  log.clear();
  form.Show();
  form.Hide();  // hidden but loaded: its timers run
  sys.Advance(140);
  EXPECT_EQ(log, (Lines{"Clock.Form_Load", "A @2420", "D @2450", "A @2490"}));
}

TEST_F(TimersTest, OneSecondWaitEndsAtVirtualPlusOneSecondInNoRealTime) {
  AddTimer("T", 1000);
  auto& cmd = Button([&] {
    Put("wait");
    Wait(1000);
    Put("waited");
    Wait(250);  // again, now with the timer not due before the end
    Put("waited");
  });
  form.Show();
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(sys.Click(cmd));
  const auto real = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(log, (Lines{"Clock.Form_Load", "wait @0", "T @1000", "waited @1000", "waited @1250"}));
  EXPECT_LT(real, std::chrono::milliseconds(500));
}

TEST_F(TimersTest, WaitsNestInsideTimerHandlersWithoutTheTimerReenteringItself) {
  AddTimer("T", 300).Tick = [&] {
    Put("T begin");
    Wait(500);
    Put("T end");
  };
  auto& cmd = Button([&] {
    Wait(1000);
    Put("outer end");
  });
  form.Show();
  log.clear();
  ASSERT_TRUE(sys.Click(cmd));
  EXPECT_EQ(log, (Lines{"T begin @300", "T end @800", "T begin @800", "T end @1300", "outer end @1300"}));
}

TEST_F(TimersTest, EndInsideANestedWaitUnwindsEveryHandlerAfterIt) {
  AddTimer("T", 1000).Tick = [&] {
    Put("T begin");
    Wait(1000);
    Put("T after");
  };
  AddTimer("E", 1500).Tick = [&] {
    Put("E");
    sys.End();
  };
  auto& cmd = Button([&] {
    Put("outer begin");
    Wait(5000);
    Put("outer after");
  });
  form.Show();
  log.clear();
  EXPECT_TRUE(sys.Click(cmd));
  EXPECT_EQ(log, (Lines{"outer begin @0", "T begin @1000", "E @1500"}));
  EXPECT_TRUE(sys.Ending());
  EXPECT_FALSE(form.Visible());
  EXPECT_FALSE(sys.Click(cmd));
  EXPECT_EQ(sys.LastRefusal(), "the program has ended");
  EXPECT_THROW(sys.DoEvents(), forms::EndProgram);
  sys.Advance(5000);
  EXPECT_EQ(log.size(), 3u);
}

TEST(HeadlessStallDeathTest, AModalFormNobodyClosesAbortsTheRunLoudly) {
  EXPECT_DEATH(
      {
        HeadlessSystem sys;
        sys.SetStallLimits(100, 10000);
        Log log;
        LoggingForm f(sys, "Options", log);
        f.Show(1);
      },
      "stalled wait: DoEvents was called 100 times in a row with no timer running and nothing posted.*form "
      "Options is shown modally");
}

TEST(HeadlessStallDeathTest, AWaitThatOnlyEverFiresTimersAbortsAfterTheVirtualLimit) {
  EXPECT_DEATH(
      {
        HeadlessSystem sys;
        sys.SetStallLimits(100, 10000);
        Log log;
        LoggingForm f(sys, "Main", log);
        f.Add<forms::Timer>("tmr").Interval = 100;
        f.Show(1);
      },
      "moved the virtual clock on by 10001 ms with nothing posted, only timers firing");
}

}  // namespace

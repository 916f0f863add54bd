// Forms on the headless system: the load/show/unload life, modal forms, geometry and the
// cursor, printing.
#include <gtest/gtest.h>

#include "platform/forms/headless/headless_system.h"
#include "platform/forms/test_form.h"
#include "support/headless_fixture.h"

namespace {

using namespace forms_test;
using forms::headless::HeadlessSystem;
using Lines = std::vector<std::string>;

class FormTest : public stavelark_test::HeadlessTest {
 protected:
  HeadlessSystem& sys = Sys();
  Log log;
};

TEST_F(FormTest, LoadsOnceAndUnloadsOnlyWhenNeitherHandlerCancels) {
  LoggingForm f(sys, "Dlg", log);
  f.Load();
  f.Show();
  f.Hide();
  f.Show();
  EXPECT_TRUE(f.Visible());
  f.cancelQueryUnload = 1;
  f.Unload();
  EXPECT_TRUE(f.IsLoaded());
  f.cancelQueryUnload = 0;
  f.cancelUnload = 1;
  f.Unload();
  EXPECT_TRUE(f.IsLoaded());
  EXPECT_TRUE(f.Visible());
  f.cancelUnload = 0;
  ASSERT_TRUE(sys.CloseBox(f));
  EXPECT_FALSE(f.IsLoaded());
  EXPECT_FALSE(f.Visible());
  EXPECT_EQ(log, (Lines{"Dlg.Form_Load", "Dlg.Form_QueryUnload 1", "Dlg.Form_QueryUnload 1", "Dlg.Form_Unload",
                        "Dlg.Form_QueryUnload 0", "Dlg.Form_Unload"}));

  log.clear();
  f.Show();  // a fresh load
  EXPECT_EQ(log, Lines{"Dlg.Form_Load"});
  f.ControlBox = false;
  EXPECT_FALSE(sys.CloseBox(f));
  EXPECT_EQ(sys.LastRefusal(), "form Dlg has no close box");
}

TEST_F(FormTest, ModalShowWaitsUntilHiddenAndKeepsOtherFormsFromInput) {
  TestForm main(sys, log, "Main");
  main.Show();
  LoggingForm dlg(sys, "Dlg", log);
  auto& ok = dlg.Add<forms::CommandButton>("ok");
  ok.Move(100, 100, 1000, 400);
  ok.Click = [&] {
    log.push_back("ok.Click");
    dlg.Hide();
  };
  sys.Post([&] {
    EXPECT_EQ(sys.ModalForm(), &dlg);
    EXPECT_FALSE(sys.Click(main.cmd));
    EXPECT_EQ(sys.LastRefusal(), "form Dlg is shown modally");
    EXPECT_TRUE(sys.Click(ok));
  });
  log.clear();
  dlg.Show(1);
  EXPECT_EQ(log, (Lines{"Dlg.Form_Load", "ok.Click"}));
  EXPECT_EQ(sys.ModalForm(), nullptr);
  EXPECT_TRUE(sys.Click(main.cmd));
}

TEST_F(FormTest, MainFormClientAreaIsWhereCursorArithmeticExpectsIt) {
  TestForm main(sys, log, "Main");
  sys.MainForm = &main;
  main.Left = 3000;
  main.Top = 2000;
  main.Show();
  // client area at (0, 48) pixels under a 20-pixel title and a 20-pixel menu bar
  EXPECT_EQ(main.Left(), 0);
  EXPECT_EQ(main.Top(), 120);
  main.Top = 900;
  EXPECT_EQ(main.Top(), 120);

  ASSERT_TRUE(sys.MouseMove(main, 0, 0, 1500, 750));
  auto p = sys.GetCursorPos();
  EXPECT_EQ(p.x, 100);
  EXPECT_EQ(p.y, 98);
  // the program's arithmetic lands back on the point
  EXPECT_EQ(p.x * 15 - main.Left() - main.FrameLeft(), 1500);
  EXPECT_EQ(p.y * 15 - main.Top() - main.FrameTop(), 750);

  LoggingForm other(sys, "Other", log);  // no menu bar: 20 pixels of title
  other.Left = 1500;
  other.Top = 3000;
  other.Show();
  EXPECT_EQ(other.Left(), 1500);
  EXPECT_EQ(other.Top(), 3000);
  auto q = sys.ClientToScreen(other, 0, 0);
  EXPECT_EQ(q.x, 100);
  EXPECT_EQ(q.y, 220);

  sys.SetCursorPos(7, 9);
  EXPECT_EQ(sys.GetCursorPos().x, 7);
  EXPECT_EQ(sys.GetCursorPos().y, 9);
  EXPECT_EQ(sys.ScreenWidth(), 19200);
  EXPECT_EQ(sys.ScreenHeight(), 15360);
  sys.Beep();
  sys.Beep();
  EXPECT_EQ(sys.Beeps(), 2);
}

TEST_F(FormTest, PrintFormRecordsTheShowingControlsBackToFront) {
  TestForm f(sys, log);
  f.Show();
  f.lbl.Caption = "Tempo";
  f.chk.Visible = false;
  f.lblNote.Load(1);  // loaded hidden
  f.shp.ZOrder(1);    // to the back
  f.PrintForm();

  ASSERT_EQ(sys.PrintedPages().size(), 1u);
  const auto& page = sys.PrintedPages()[0];
  EXPECT_EQ(page.form, "TestForm");
  EXPECT_EQ(page.width, 6000);
  EXPECT_EQ(page.height, 4500);
  ASSERT_NE(page.Find("lbl"), nullptr);
  EXPECT_EQ(page.Find("lbl")->Value("Caption"), "Tempo");
  EXPECT_EQ(page.Find("lbl")->Value("Visible"), "True");
  for (const char* absent : {"chk", "tmr", "dlg", "mnuFile", "optTabC"}) EXPECT_EQ(page.Find(absent), nullptr) << absent;
  EXPECT_EQ(page.Find("lblNote", 1), nullptr);
  ASSERT_NE(page.Find("lblNote", 0), nullptr);
  EXPECT_EQ(page.Find("lin")->Value("X2"), "3000");

  auto at = [&](const char* name) {
    for (size_t i = 0; i < page.controls.size(); ++i)
      if (page.controls[i].name == name) return static_cast<int>(i);
    return -1;
  };
  EXPECT_EQ(at("shp"), 0);
  EXPECT_LT(at("lbl"), at("cmd"));          // painted below every windowed control
  EXPECT_EQ(at("lblInPic"), at("pic") + 1);  // what a picture box holds is painted on it
  ASSERT_NE(page.Find("lblInPic"), nullptr);
  EXPECT_EQ(page.Find("lblInPic")->left, 200);
  EXPECT_EQ(page.Find("lblInPic")->top, 2100);
  const auto* surface = page.Find("surfaceLabel");  // a hosted control's surface, at the host
  ASSERT_NE(surface, nullptr);
  EXPECT_EQ(surface->form, "Surface");
  EXPECT_EQ(surface->left, 4600);

  f.lbl.Left = 7000;  // outside the client area
  f.PrintForm();
  EXPECT_EQ(sys.PrintedPages()[1].Find("lbl"), nullptr);
}

}  // namespace

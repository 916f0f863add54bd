// The control hosted on a form of the real (Qt) window system, offscreen: its thumb is drawn
// one screen pixel per value step from its track's left end.
#include "glidebar/identity.h"
#include "platform/com/client.h"
#include "platform/com/registration.h"
#include "platform/forms/qt/qt_system.h"
#include "platform/store/registry.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>

namespace {

class HostForm final : public forms::Form {
 public:
  explicit HostForm(forms::WindowSystem& system)
      : forms::Form(system, "Form1"), Volslider(Add<forms::HostedControl>("Volslider")) {
    BackColor.Init(0xFFFFFF);
    SetClientSize(15000, 9600);
    Volslider.Move(12000, 8520, 2475, 925);
  }
  forms::HostedControl& Volslider;
};

// The thumb's grip line is the one column of dark blue in the thumb picture's middle.
int GripColumn(const QImage& image, int row) {
  for (int x = 0; x < image.width(); ++x)
    if (image.pixelColor(x, row) == QColor(0, 0, 160)) return x;
  return -1;
}

TEST(GlidebarOnQt, TheThumbIsDrawnWhereItsValuePutsIt) {
  int argc = 1;
  char name[] = "glidebar_qt_test";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  forms::QtSystem system;
  store::Registry registry;
  ASSERT_EQ(com::RegisterControl(registry, glidebar::kRegistration, GLIDEBAR_LIBRARY), com::S_OK);
  HostForm host(system);
  system.MainForm = &host;
  host.Show();
  {
    com::Object slider = com::CreateObject(registry, glidebar::kProgId);
    slider.InitNew();
    slider.AttachTo(host.Volslider);
    const int placeLeft = 12000 / 15, gripRow = 8520 / 15 + 240 / 15 + 16;

    slider.PutProperty(glidebar::dispid::myvalue, "0");
    QTest::qWait(30);
    QImage at0 = system.WindowOf(host)->grab().toImage();
    slider.PutProperty(glidebar::dispid::myvalue, "100");
    QTest::qWait(30);
    QImage at100 = system.WindowOf(host)->grab().toImage();
    slider.PutProperty(glidebar::dispid::myvalue, "37");
    QTest::qWait(30);
    QImage at37 = system.WindowOf(host)->grab().toImage();

    const int canvasTop = system.CanvasOf(host)->mapTo(system.WindowOf(host), QPoint(0, 0)).y();
    EXPECT_EQ(GripColumn(at0, canvasTop + gripRow), placeLeft + 60 / 15 + 8);
    EXPECT_EQ(GripColumn(at100, canvasTop + gripRow), placeLeft + 1560 / 15 + 8);
    EXPECT_EQ(GripColumn(at37, canvasTop + gripRow), placeLeft + (37 * 15 + 60) / 15 + 8);
  }
  host.Unload();
}

}  // namespace

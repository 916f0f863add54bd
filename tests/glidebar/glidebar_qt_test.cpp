// The control hosted on a form of the real (Qt) window system, offscreen: its thumb is drawn
// one screen pixel per value step from its track's left end.
#include "glidebar/identity.h"
#include "platform/com/client.h"
#include "platform/com/registration.h"
#include "platform/forms/qt/qt_system.h"
#include "platform/store/registry.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
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

TEST(GlidebarOnQt, TheThumbSitsWhereALateHandledDragOrItsValuePutsIt) {
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
    forms::Form& surface = slider.AttachTo(host.Volslider);
    QTest::qWait(30);

    // A press on the thumb followed at once by moves, the pointer already elsewhere when they are
    // handled: the thumb follows the moves from where it was pressed.
    forms::Control* amp = nullptr;
    for (const auto& c : surface.Controls())
      if (c->Name() == "AmpSlider") amp = c.get();
    ASSERT_NE(amp, nullptr);
    QWidget* thumb = system.WidgetOf(*amp);
    ASSERT_NE(thumb, nullptr);
    const QPoint press = thumb->mapToGlobal(QPoint(8, 16));
    QCursor::setPos(press + QPoint(-300, 0));  // where the pointer is when the events are handled
    // Screen positions, mapped into the thumb as it is when each event comes (it moves).
    auto send = [&](QEvent::Type type, QPoint global, Qt::MouseButtons held) {
      QMouseEvent e(type, QPointF(thumb->mapFromGlobal(global)), QPointF(global),
                    type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
      QApplication::sendEvent(thumb, &e);
    };
    send(QEvent::MouseButtonPress, press, Qt::LeftButton);
    send(QEvent::MouseMove, press + QPoint(-10, 0), Qt::LeftButton);
    send(QEvent::MouseMove, press + QPoint(-20, 0), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, press + QPoint(-20, 0), Qt::NoButton);
    EXPECT_EQ(slider.GetProperty(glidebar::dispid::myvalue), "55");
    EXPECT_EQ(amp->Left(), 55 * 15 + 60);

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

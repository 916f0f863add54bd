// The control hosted on a form of the real (Qt) window system, offscreen: its thumb is drawn
// one screen pixel per value step from its track's left end.
#include "glidebar/identity.h"
#include "platform/com/client.h"
#include "platform/com/registration.h"
#include "platform/forms/qt/qt_system.h"
#include "platform/store/registry.h"
#include "support/qt_input.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
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
    const std::pair<QEvent::Type, int> steps[] = {{QEvent::MouseButtonPress, 0}, {QEvent::MouseMove, -10},
                                                  {QEvent::MouseMove, -20}, {QEvent::MouseButtonRelease, -20}};
    for (const auto& [type, dx] : steps)
      stavelark_test::SendMouse(thumb, type, thumb->mapFromGlobal(press + QPoint(dx, 0)),
                                type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton);
    EXPECT_EQ(slider.GetProperty(glidebar::dispid::myvalue), "55");
    EXPECT_EQ(amp->Left(), 55 * 15 + 60);

    // Set from code, the grip line is drawn where the value puts the thumb (its Left in twips).
    const int placeLeft = 12000 / 15, gripRow = 8520 / 15 + 240 / 15 + 16;
    const int canvasTop = system.CanvasOf(host)->mapTo(system.WindowOf(host), QPoint(0, 0)).y();
    for (const auto& [value, thumbLeft] : {std::pair{"0", 60}, {"100", 1560}, {"37", 37 * 15 + 60}}) {
      SCOPED_TRACE(value);
      slider.PutProperty(glidebar::dispid::myvalue, value);
      QTest::qWait(30);
      const QImage shot = system.WindowOf(host)->grab().toImage();
      EXPECT_EQ(GripColumn(shot, canvasTop + gripRow), placeLeft + thumbLeft / 15 + 8);
    }
  }
  host.Unload();
}

}  // namespace

// The control shown on a host's form, loaded through the registry as the program loads it.
#include "glidebar/identity.h"
#include "platform/basic/basic.h"
#include "platform/com/client.h"
#include "platform/store/registry.h"
#include "platform/store/test_folders.h"
#include "test_window_system.h"

#include <gtest/gtest.h>

#include <QGuiApplication>

#include <cstdlib>
#include <string>
#include <vector>

using testing_support::ScopedEnv;
using testing_support::TempFolder;
using testing_support::TestWindowSystem;

namespace {

// The host's window with its placeholder where the program puts its volume slider.
class HostForm final : public forms::Form {
 public:
  explicit HostForm(forms::WindowSystem& system) : forms::Form(system, "Form1"), Volslider(Add<forms::HostedControl>("Volslider")) {
    BorderStyle.Init(0);
    Width.Init(15000);
    Height.Init(9600);
    BackColor.Init(0xFFFFFF);
    Volslider.Move(12000, 8520, 2475, 925);
  }
  forms::HostedControl& Volslider;
};

class GlidebarHosting : public ::testing::Test {
 protected:
  void SetUp() override {
    slider.Advise(glidebar::kIidGlidebarEvents, [this](com::DispId e) { events.push_back(e); });
  }

  forms::Control& Constituent(forms::Form& surface, const char* name) {
    forms::Control* c = surface.FindControl(name);
    if (c == nullptr) ADD_FAILURE() << name << " missing";
    return *c;
  }

  TempFolder home;
  ScopedEnv config{"XDG_CONFIG_HOME", home.Path().string()};
  TestWindowSystem system;
  HostForm host{system};
  store::Registry registry{store::Registry::DefaultFile()};
  std::vector<com::DispId> events;
  // Declared last: detached and released before the host's form ends.
  com::Object slider = (SetUpRegistration(), com::CreateObject(registry, "GlidebarControl.Glidebar"));

 private:
  void SetUpRegistration() {
    const std::string command = std::string("'") + REGSVR_TOOL + "' '" + GLIDEBAR_LIBRARY + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) ADD_FAILURE() << "registration failed";
  }
};

TEST_F(GlidebarHosting, TheSurfaceHoldsTheConstituentsAtTheirDesignPlaces) {
  slider.PutProperty(glidebar::dispid::myvalue, "40");  // set before it is shown: kept
  forms::Form& surface = slider.AttachTo(host.Volslider);
  EXPECT_EQ(host.Volslider.Surface(), &surface);
  EXPECT_EQ(surface.Host(), &host.Volslider);
  EXPECT_TRUE(surface.Visible());
  EXPECT_EQ(surface.Width(), 2475);
  EXPECT_EQ(surface.Height(), 925);

  auto& frame = static_cast<forms::Frame&>(Constituent(surface, "VolFrame"));
  auto& track = static_cast<forms::PictureBox&>(Constituent(surface, "Picture2"));
  auto& thumb = static_cast<forms::PictureBox&>(Constituent(surface, "AmpSlider"));
  auto& text = static_cast<forms::TextBox&>(Constituent(surface, "ValueText"));
  auto& units = static_cast<forms::Label&>(Constituent(surface, "Units"));
  EXPECT_EQ(frame.Width(), 2475);
  EXPECT_EQ(frame.Height(), 950);
  EXPECT_EQ(track.Width(), 1850);
  EXPECT_EQ(track.Picture().WidthPx(), 124);
  EXPECT_EQ(track.Picture().HeightPx(), 61);
  EXPECT_EQ(thumb.Picture().WidthPx(), 17);
  EXPECT_EQ(thumb.Picture().HeightPx(), 32);
  EXPECT_EQ(thumb.Top(), 240);
  EXPECT_EQ(thumb.Left(), 660);
  EXPECT_EQ(text.Text(), "40");
  EXPECT_EQ(text.FormLeft(), 1900);
  EXPECT_EQ(text.Font().Name, "LcdD");
  EXPECT_EQ(text.ToolTipText(), "Enter a value");
  EXPECT_EQ(units.Caption(), "%");
  EXPECT_EQ(units.Font().Name, "Verdana");
  EXPECT_EQ(units.FormTop(), 600);
}

TEST_F(GlidebarHosting, ADragOnTheThumbRaisesMouseMoveForTheHostWhichReadsMyvalue) {
  forms::Form& surface = slider.AttachTo(host.Volslider);
  forms::Control& thumb = Constituent(surface, "AmpSlider");
  std::vector<std::string> heard;
  slider.Advise(glidebar::kIidGlidebarEvents,
                [&](com::DispId) { heard.push_back(slider.GetProperty(glidebar::dispid::myvalue)); });

  system.cursor = {900, 600};
  thumb.RaiseMouseDown(forms::button::Left, 0, 30, 30);
  for (int x : {910, 924, 925, 1200}) {  // values 85, 99, 100, 375
    system.cursor.x = x;
    thumb.RaiseMouseMove(forms::button::Left, 0, 30, 30);
  }
  EXPECT_EQ(heard, (std::vector<std::string>{"85", "99", "99", "99"}));
  EXPECT_EQ(events.size(), 4u);
  EXPECT_EQ(thumb.Left(), 1545);

  system.cursor.x = 700;
  thumb.RaiseMouseMove(forms::button::Right, 0, 30, 30);
  thumb.RaiseMouseMove(forms::button::Left | forms::button::Right, 0, 30, 30);
  EXPECT_EQ(events.size(), 4u);

  int key = forms::vk::Left;
  thumb.RaiseKeyDown(key, 0);
  EXPECT_EQ(slider.GetProperty(glidebar::dispid::myvalue), "94");
  EXPECT_EQ(events.size(), 5u);
}

TEST_F(GlidebarHosting, TypingAValueAndEnterInTheValueBox) {
  forms::Form& surface = slider.AttachTo(host.Volslider);
  auto& text = static_cast<forms::TextBox&>(Constituent(surface, "ValueText"));
  auto& thumb = Constituent(surface, "AmpSlider");
  text.Text = "100";
  int enter = 13;
  text.RaiseKeyPress(enter);
  EXPECT_EQ(thumb.Left(), 1560);
  EXPECT_EQ(events, std::vector<com::DispId>{glidebar::event::MouseMove});
  text.Text = "-5";
  text.RaiseKeyPress(enter);
  EXPECT_EQ(thumb.Left(), 1560);
  EXPECT_EQ(events.size(), 1u);
}

TEST_F(GlidebarHosting, TheHostsPlaceIsFreedWhenTheControlEnds) {
  {
    com::Object other = com::CreateObject(registry, "GlidebarControl.Glidebar");
    other.AttachTo(host.Volslider);
    EXPECT_NE(host.Volslider.Surface(), nullptr);
  }
  EXPECT_EQ(host.Volslider.Surface(), nullptr);
  TestWindowSystem otherSystem;
  forms::Form& surface = slider.AttachTo(host.Volslider);
  HostForm otherHost(otherSystem);
  EXPECT_THROW(slider.AttachTo(otherHost.Volslider), basic::RuntimeError);  // one window system per control
  EXPECT_EQ(host.Volslider.Surface(), &surface);
}

// The thumb's grip line is the one column of dark blue in the picture's middle.
int GripColumn(const QImage& image, int row) {
  for (int x = 0; x < image.width(); ++x)
    if (image.pixelColor(x, row) == QColor(0, 0, 160)) return x;
  return -1;
}

TEST_F(GlidebarHosting, TheRenderedThumbSitsOneScreenPixelPerValueStep) {
  int argc = 1;
  char name[] = "glidebar_test";
  char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);  // offscreen: texts need the platform's fonts
  slider.AttachTo(host.Volslider);
  const int placeLeft = 12000 / 15, gripRow = 8520 / 15 + 240 / 15 + 16;

  slider.PutProperty(glidebar::dispid::myvalue, "0");
  QImage at0 = testing_support::Render(host);
  slider.PutProperty(glidebar::dispid::myvalue, "100");
  QImage at100 = testing_support::Render(host);

  EXPECT_EQ(GripColumn(at0, gripRow), placeLeft + 60 / 15 + 8);
  EXPECT_EQ(GripColumn(at100, gripRow), placeLeft + 1560 / 15 + 8);
  // The track's scale ticks lie under the grip at both ends.
  EXPECT_EQ(at0.pixelColor(placeLeft + 12, 8520 / 15 + 52), QColor(Qt::black));
  EXPECT_EQ(at0.pixelColor(placeLeft + 112, 8520 / 15 + 52), QColor(Qt::black));
}

}  // namespace

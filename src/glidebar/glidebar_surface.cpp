#include "glidebar/glidebar_surface.h"

#include <QByteArray>
#include <QImage>

#include <memory>
#include <string>

#include "glidebar/glidebar_logic.h"
#include "glidebar/pictures.h"

namespace glidebar {

namespace {

forms::Picture FromPng(std::span<const unsigned char> png, const char* name) {
  QImage image = QImage::fromData(png.data(), static_cast<int>(png.size()), "PNG");
  if (image.isNull()) return {};
  return forms::Picture(std::make_shared<const QImage>(std::move(image)), std::string("glidebar:") + name);
}

void Place(forms::Control& c, double left, double top, double width, double height) {
  c.Left.Init(left);
  c.Top.Init(top);
  c.Width.Init(width);
  c.Height.Init(height);
}

}  // namespace

GlidebarSurface::GlidebarSurface(forms::WindowSystem& system)
    : forms::Form(system, "Glidebar"),
      VolFrame(Add<forms::Frame>("VolFrame")),
      Picture2(Add<forms::PictureBox>("Picture2")),
      AmpSlider(Add<forms::PictureBox>("AmpSlider")),
      ValueText(Add<forms::TextBox>("ValueText")),
      Units(Add<forms::Label>("Units")) {
  // A user control has no title bar or border of its own: its client area is the whole form.
  BorderStyle.Init(0);
  Width.Init(2475);
  Height.Init(950);

  Place(VolFrame, 0, 0, 2475, 950);
  VolFrame.BorderStyle.Init(0);

  // The track and the thumb are bare pictures; the thumb moves over the track.
  Picture2.SetContainer(&VolFrame);
  Place(Picture2, 0, 0, 1850, 900);
  Picture2.BorderStyle.Init(0);
  Picture2.TabStop.Init(false);
  Picture2.Picture.Init(FromPng(TrackPicture(), "track"));

  AmpSlider.SetContainer(&Picture2);
  Place(AmpSlider, kDesignThumbLeft, 240, 250, 475);
  AmpSlider.BorderStyle.Init(0);
  AmpSlider.Picture.Init(FromPng(ThumbPicture(), "thumb"));
  AmpSlider.TabIndex.Init(0);

  ValueText.SetContainer(&VolFrame);
  Place(ValueText, 1900, 120, 525, 405);
  ValueText.Text.Init(std::string(kDesignText));
  ValueText.Font.Init(forms::Font{"LcdD"});
  ValueText.ToolTipText.Init("Enter a value");
  ValueText.TabIndex.Init(1);

  Units.SetContainer(&VolFrame);
  Place(Units, 1920, 600, 495, 330);
  Units.Caption.Init("%");
  Units.Font.Init(forms::Font{"Verdana"});
  Units.BackStyle.Init(forms::BackStyle::Transparent);
}

}  // namespace glidebar

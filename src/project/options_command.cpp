#include "project/options_command.h"

#include <cmath>

#include "editor/form1.h"
#include "project/option_form.h"
#include "editor/program.h"
#include "platform/basic/basic.h"

namespace stavelark {

namespace {

constexpr uint8_t kFirstBuiltInImage = 101;
constexpr uint8_t kPictureFileId = 255;

// The combo item of a built-in background; ids without a picture of their own show as "None".
const char* ImageName(int id) {
  switch (id) {
    case 104: return "Three Neck Guitar";
    case 105: return "Grand Piano";
    case 106: return "Piano";
    default: return "None";
  }
}

// The built-in background of a combo item's name, in any case; 0 for another name.
int ImageIdOfName(const std::string& name) {
  for (int id : {101, 104, 105, 106})
    if (basic::TextEquals(name, ImageName(id))) return id;
  return 0;
}

}  // namespace

std::string PlayingTimeText(double positions, double tempo) {
  const double exact = positions * 201 / (tempo * 10);
  if (!std::isfinite(exact)) basic::Raise(tempo == 0 ? basic::err::DivisionByZero : basic::err::Overflow);
  const double seconds = basic::RoundHalfEven(exact);
  const double minutes = basic::Int(seconds / 60);
  const double rest = basic::Int(seconds - minutes * 60);
  std::string secs = basic::CStr(rest);
  if (secs.size() < 2) secs.insert(0, 2 - secs.size(), '0');
  return basic::Str(minutes) + ":" + secs;
}

void OptionsCommand::Wire(Form1& form) { form.OptionMenu.Click = [this] { OptionMenu_Click(); }; }

void OptionsCommand::OptionMenu_Click() {
  Globals& g = p_.G;
  OptionForm& dialog = p_.OptionForm();
  basic::ErrObject err;
  auto step = [&err](auto&& statement) { basic::ResumeNext(err, statement); };

  if (g.BackgroundImage < kFirstBuiltInImage) g.BackgroundImage = kFirstBuiltInImage;
  if (g.BackgroundImage == kPictureFileId) {
    step([&] { dialog.Preview.Picture = forms::LoadPicture(g.BackgroundFile); });
  } else {
    step([&] { dialog.Preview.Picture = forms::LoadResPicture(g.BackgroundImage); });
    dialog.Imagelist.Text = ImageName(g.BackgroundImage);
  }
  dialog.Show();
  for (int t = 0; t < kTracks; ++t) dialog.TrakLen[t].Text = basic::CStr(g.NoteCount[static_cast<size_t>(t)]);
  step([&] { dialog.BackColorBox.FillColor = static_cast<forms::Color>(basic::CLng(g.BackColorValue)); });
  g.ComputeScoreLength();
  step([&] { dialog.TimeBox.Text = PlayingTimeText(g.ScoreLength, g.Tempo); });
  dialog.PendingImageId = g.BackgroundImage;
  dialog.PendingBackColor = g.BackColorValue;
  g.OptionsResult = "cancel";

  // Modeless: the main window goes on working while the dialog is open.
  while (dialog.Visible()) p_.Ws.DoEvents();

  Form1& f = p_.Form1();
  if (g.OptionsResult == "ok") {
    if (g.BackgroundImage == kPictureFileId) {
      step([&] { f.Picture = forms::LoadPicture(g.BackgroundFile); });
    } else if (const int id = ImageIdOfName(g.BackgroundImageName); id != 0) {
      step([&] { f.Picture = forms::LoadResPicture(id); });
    }
  }
  f.Caption = "Stavelark-" + g.CompositionName;
  step([&] { f.BackColor = static_cast<forms::Color>(basic::CLng(g.BackColorValue)); });
}

}  // namespace stavelark

#include "project/option_form.h"

#include <algorithm>

#include "editor/design.h"
#include "editor/program.h"
#include "platform/basic/basic.h"

namespace stavelark {

using namespace design;

namespace {
constexpr int kGeneral = 0;
constexpr int kComposition = 1;

constexpr const char* kPictureFilter =
    "All Files (*.*)|*.*|Bitmap Files (*.bmp)|*.bmp|JPEG Files (*.jpg)|*.jpg";
constexpr uint8_t kPictureFileId = 255;

void OnTab(forms::Control& c, forms::TabStrip& tabs, int page) { c.SetContainer(&tabs, page); }
}  // namespace

OptionForm::OptionForm(Program& program)
    : Form(program.Ws, "OptionForm"),
      OptTab(Add<forms::TabStrip>("OptTab")),
      Label1(Add<forms::Label>("Label1")),
      Imagelist(Add<forms::ComboBox>("Imagelist")),
      Preview(Add<forms::Image>("Preview")),
      Label5(Add<forms::Label>("Label5")),
      Browse(Add<forms::CommandButton>("Browse")),
      Label6(Add<forms::Label>("Label6")),
      BackColorBox(Add<forms::Shape>("BackColorBox")),
      ChangeBackColor(Add<forms::CommandButton>("ChangeBackColor")),
      Line1(Add<forms::Line>("Line1")),
      CommonDialog1(Add<forms::CommonDialog>("CommonDialog1")),
      Label2(Add<forms::Label>("Label2")),
      CompName(Add<forms::TextBox>("CompName")),
      Label3(Add<forms::Label>("Label3")),
      CompAuthor(Add<forms::TextBox>("CompAuthor")),
      Label4(Add<forms::Label>("Label4")),
      CompCopy(Add<forms::TextBox>("CompCopy")),
      Label7(Add<forms::Label>("Label7")),
      TimeBox(Add<forms::TextBox>("TimeBox")),
      OK(Add<forms::CommandButton>("OK")),
      Cancel(Add<forms::CommandButton>("Cancel")),
      program_(program) {
  Caption.Init("Options / Properties");
  BorderStyle.Init(3);
  MinButton.Init(false);
  MaxButton.Init(false);
  StartUpPosition.Init(2);
  Font.Init(WindowFont());
  SetClientSize(7320, 5460);

  Place(OptTab, 120, 120, 7080, 4560);
  OptTab.TabCaptions = {"General", "Composition Properties"};
  OptTab.Font.Init(WindowFont());

  // General: the background picture and colour. Positions are inside the tab's pages.
  const forms::Font regular = MakeFont("MS Sans Serif", 8.25, 400);
  MakeLabel(Label1, "Background Image", 240, 480, 1935, 255, WindowFont());
  Place(Imagelist, 240, 780, 2535, 315);
  Imagelist.Style.Init(forms::ComboStyle::DropDownList);
  Imagelist.Font.Init(regular);
  Place(Preview, 3240, 780, 3480, 2856);  // 232 x 190 pixels, the backgrounds' shape
  Preview.Stretch.Init(true);
  Preview.BorderStyle.Init(1);
  MakeLabel(Label5, "Preview", 3240, 480, 1215, 255, WindowFont());
  Place(Browse, 240, 1260, 1335, 375);
  Browse.Caption.Init("Browse...");
  PlaceLine(Line1, 240, 1920, 2775, 1920);
  MakeLabel(Label6, "Background Color", 240, 2160, 1935, 255, WindowFont());
  Place(BackColorBox, 240, 2520, 975, 495);
  BackColorBox.FillStyle.Init(forms::FillStyle::Solid);
  BackColorBox.FillColor.Init(0xFFFFFF);
  Place(ChangeBackColor, 1440, 2580, 1095, 375);
  ChangeBackColor.Caption.Init("Change");
  for (forms::Control* c : std::initializer_list<forms::Control*>{&Label1, &Imagelist, &Preview, &Label5, &Browse,
                                                                 &Line1, &Label6, &BackColorBox, &ChangeBackColor})
    OnTab(*c, OptTab, kGeneral);

  // Composition properties.
  MakeLabel(Label2, "Composition Name", 240, 480, 2175, 255, WindowFont());
  Place(CompName, 2520, 450, 4320, 315);
  CompName.Text.Init("Untitled");
  MakeLabel(Label3, "Author:", 240, 900, 2175, 255, WindowFont());
  Place(CompAuthor, 2520, 870, 4320, 315);
  CompAuthor.Text.Init("Orlemund");
  MakeLabel(Label4, "Copyright Information:", 240, 1320, 2175, 255, WindowFont());
  Place(CompCopy, 2520, 1290, 4320, 315);
  for (int t = 0; t < 4; ++t) {
    MakeLabel(Tracksize.Design(t), ("Track " + std::to_string(t + 1) + " Note Count").c_str(), 240,
              1920 + 420 * t, 2175, 255, WindowFont());
    forms::TextBox& len = TrakLen.Design(t);
    Place(len, 2520, 1890 + 420 * t, 1095, 315);
    OnTab(Tracksize[t], OptTab, kComposition);
    OnTab(len, OptTab, kComposition);
  }
  MakeLabel(Label7, "Length MIN:SEC", 240, 3660, 2175, 255, WindowFont());
  Place(TimeBox, 2520, 3630, 1095, 315);
  TimeBox.Text.Init("0:00");
  for (forms::Control* c : std::initializer_list<forms::Control*>{&Label2, &CompName, &Label3, &CompAuthor, &Label4,
                                                                 &CompCopy, &Label7, &TimeBox})
    OnTab(*c, OptTab, kComposition);
  for (forms::TextBox* box : {&CompName, &CompAuthor, &CompCopy, &TimeBox, &TrakLen[0], &TrakLen[1], &TrakLen[2],
                              &TrakLen[3]})
    box->Font.Init(regular);

  Place(OK, 4440, 4860, 1215, 375);
  OK.Caption.Init("OK");
  OK.Default.Init(true);
  Place(Cancel, 5880, 4860, 1215, 375);
  Cancel.Caption.Init("Cancel");
  Cancel.Cancel.Init(true);

  CompName.Change = [this] { CompName_Change(); };
  CompAuthor.Change = [this] { CompAuthor_Change(); };
  CompCopy.Change = [this] { CompCopy_Change(); };
  Imagelist.Click = [this] { Imagelist_Click(); };
  Browse.Click = [this] { Browse_Click(); };
  ChangeBackColor.Click = [this] { ChangeBackColor_Click(); };
  OK.Click = [this] { OK_Click(); };
  Cancel.Click = [this] { Cancel_Click(); };
}

void OptionForm::Form_Load() {
  Globals& g = program_.G;
  if (g.BackgroundImage == 0) g.BackgroundImage = 106;
  for (const char* item : {"None", "Three Neck Guitar", "Grand Piano", "Piano"}) Imagelist.AddItem(item);
  Imagelist.Text = "Piano";
  // The current background, as far as it can be loaded.
  try {
    Preview.Picture = g.BackgroundImage == 255 ? forms::LoadPicture(g.BackgroundFile)
                                               : forms::LoadResPicture(g.BackgroundImage);
  } catch (const basic::RuntimeError&) {
    Preview.Picture = forms::Picture();
  }
  PendingImageId = g.BackgroundImage;
}

void OptionForm::Form_QueryUnload(int& cancel, int unloadMode) {
  if (unloadMode != forms::unload_mode::FormControlMenu) return;
  cancel = 1;
  Cancel_Click();
}

void OptionForm::CompName_Change() { CompositionTextChange(CompName, program_.G.CompositionName); }
void OptionForm::CompAuthor_Change() { CompositionTextChange(CompAuthor, program_.G.CompositionAuthor); }
void OptionForm::CompCopy_Change() { CompositionTextChange(CompCopy, program_.G.CompositionCopyright); }

void OptionForm::CompositionTextChange(const forms::TextBox& box, const std::string& stored) {
  if (box.Text() != stored) program_.G.Modified = true;
}

void OptionForm::Imagelist_Click() {
  const std::string& name = Imagelist.Text();
  uint8_t id = 0;
  if (name == "None") id = 101;
  else if (name == "Three Neck Guitar") id = 104;
  else if (name == "Grand Piano") id = 105;
  else if (name == "Piano") id = 106;
  else return;
  PendingImageId = id;
  Preview.Picture = forms::LoadResPicture(id);
}

void OptionForm::Browse_Click() {
  try {
    CommonDialog1.Filter = kPictureFilter;
    CommonDialog1.FilterIndex = 2;
    // A cancelled dialog is told apart from a chosen file, so that it changes nothing.
    CommonDialog1.CancelError = true;
    CommonDialog1.ShowOpen();
    PicturePath = CommonDialog1.FileName();
    if (!PicturePath.empty()) {
      Preview.Picture = forms::LoadPicture(PicturePath);
      PendingImageId = kPictureFileId;
    }
  } catch (const basic::RuntimeError& e) {
    if (e.number == basic::err::CancelError) return;
    program_.Ws.MsgBox("Could not load image", forms::mb::OkOnly, program_.Ws.AppTitle);
  }
}

void OptionForm::ChangeBackColor_Click() {
  // With CancelError the dialog's Cancel raises, so black is a colour like any other. The
  // dialog starts at the colour the box shows, so its OK without a pick changes nothing.
  CommonDialog1.CancelError = true;
  CommonDialog1.Color = static_cast<forms::Color>(std::clamp(basic::RoundHalfEven(PendingBackColor), 0.0, 16777215.0));
  try {
    CommonDialog1.ShowColor();
  } catch (const basic::RuntimeError& e) {
    if (e.number == basic::err::CancelError) return;
    throw;
  }
  const forms::Color c = CommonDialog1.Color();
  BackColorBox.FillColor = c;
  PendingBackColor = static_cast<float>(c);
}

void OptionForm::OK_Click() {
  Globals& g = program_.G;
  g.OptionsResult = "ok";
  if (!PicturePath.empty()) g.BackgroundFile = PicturePath;
  g.BackgroundImageName = Imagelist.Text();
  g.BackColorValue = PendingBackColor;
  g.BackgroundImage = PendingImageId;
  Hide();
}

void OptionForm::Cancel_Click() {
  program_.G.OptionsResult = "cancel";
  Hide();
}

}  // namespace stavelark

#include "editor/set_octave.h"

#include <string>

#include "editor/design.h"
#include "editor/form1.h"
#include "editor/program.h"
#include "platform/basic/basic.h"

namespace stavelark {

using namespace design;

namespace {
constexpr double kClientWidth = 3720;
constexpr double kClientHeight = 1680;
constexpr double kOptionLeft = 300;
constexpr double kOptionWidth = 540;
}  // namespace

SetOctave::SetOctave(Program& program)
    : Form(program.Ws, "SetOctave"),
      Title(Add<forms::Label>("Title")),
      cmdOK(Add<forms::CommandButton>("cmdOK")),
      cmdCancel(Add<forms::CommandButton>("cmdCancel")),
      program_(program) {
  Caption.Init("Set Octave");
  BorderStyle.Init(3);
  MinButton.Init(false);
  MaxButton.Init(false);
  Font.Init(WindowFont());
  SetClientSize(kClientWidth, kClientHeight);

  MakeLabel(Title, "", 120, 120, kClientWidth - 240, 255, WindowFont());
  Title.Alignment.Init(forms::Alignment::Center);
  for (int i = 0; i < kOctaves; ++i) {
    forms::OptionButton& o = OptionOctave.Design(i);
    Place(o, kOptionLeft + i * kOptionWidth, 540, kOptionWidth - 60, 300);
    o.Caption.Init(std::to_string(i + 1));
    o.Font.Init(WindowFont());
    o.TabIndex.Init(i);
  }
  Place(cmdOK, 600, 1080, 1095, 375);
  cmdOK.Caption.Init("OK");
  cmdOK.Default.Init(true);
  cmdOK.TabIndex.Init(kOctaves);
  Place(cmdCancel, kClientWidth - 600 - 1095, 1080, 1095, 375);
  cmdCancel.Caption.Init("Cancel");
  cmdCancel.Cancel.Init(true);
  cmdCancel.TabIndex.Init(kOctaves + 1);

  OptionOctave.Click = [this](int index) { OptionOctave_Click(index); };
  cmdOK.Click = [this] { cmdOK_Click(); };
  cmdCancel.Click = [this] { cmdCancel_Click(); };
}

void SetOctave::Form_Load() {
  SelectedOctave = 4;
  Left = (System().ScreenWidth() - Width()) / 2;
  Top = (System().ScreenHeight() - Height()) / 2;
}

void SetOctave::OptionOctave_Click(int Index) { SelectedOctave = Index; }

void SetOctave::cmdOK_Click() {
  Globals& g = program_.G;
  if (Track >= 0 && Track < kTracks) {
    const auto octave = static_cast<int16_t>(SelectedOctave + 1);
    // A new octave is a change the project file keeps.
    if (g.TrackOctave[Track] != octave) g.Modified = true;
    g.TrackOctave[Track] = octave;
    program_.Form1().OctLabel[Track].Caption = basic::CStr(g.TrackOctave[Track]);
  }
  Unload();
}

void SetOctave::cmdCancel_Click() { Unload(); }

}  // namespace stavelark

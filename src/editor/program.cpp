#include "editor/program.h"

#include "editor/form1.h"
#include "editor/option_form.h"
#include "editor/track_inst.h"

namespace stavelark {

Program::Program(forms::WindowSystem& ws)
    : Ws(ws), G(*new Globals), globals_(&G) {}

Program::~Program() = default;

stavelark::Form1& Program::Form1() {
  if (!form1_) {
    form1_ = std::make_unique<stavelark::Form1>(*this);
    Ws.MainForm = form1_.get();
    form1_->Load();
  }
  return *form1_;
}

stavelark::TrackInst& Program::TrackInst() { return Use(trackInst_); }
stavelark::OptionForm& Program::OptionForm() { return Use(optionForm_); }

}  // namespace stavelark

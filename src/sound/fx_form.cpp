#include "sound/fx_form.h"

#include "editor/program.h"

namespace stavelark {

FXform::FXform(Program& program) : Form(program.Ws, "FXform"), program_(program) {}

}  // namespace stavelark

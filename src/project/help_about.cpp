#include "project/help_about.h"

#include "editor/program.h"

namespace stavelark {

HelpAbout::HelpAbout(Program& program) : Form(program.Ws, "HelpAbout"), program_(program) {}

}  // namespace stavelark

#include "printing/print_query.h"

#include "editor/program.h"

namespace stavelark {

PrintQuery::PrintQuery(Program& program) : Form(program.Ws, "PrintQuery"), program_(program) {}

}  // namespace stavelark

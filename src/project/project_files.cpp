#include "project/project_files.h"

#include "editor/form1.h"
#include "editor/program.h"

namespace stavelark {

void ProjectFiles::Wire(Form1&) {}

void ProjectFiles::Open_Click() {}

void ProjectFiles::PromptSaveChanges() {}

}  // namespace stavelark

// stavelark-desktop-files PROGRAM DATA_FOLDER: writes the desktop entry (starting PROGRAM), the
// project files' MIME type and the icons into DATA_FOLDER (an installation's share/), the same
// files the program writes into a user's data folder on its first run. The installation runs it.
#include <cstdio>

#include "platform/store/file_association.h"
#include "resources/resources.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: stavelark-desktop-files PROGRAM DATA_FOLDER\n");
    return 2;
  }
  const store::Status status = store::InstallFileAssociation(argv[1], argv[2], resources::ProgramIcons());
  if (!status) {
    std::fprintf(stderr, "stavelark-desktop-files: %s\n", status.message.c_str());
    return 1;
  }
  return 0;
}

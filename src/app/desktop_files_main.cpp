// stavelark-desktop-files PROGRAM DATA_FOLDER: writes the desktop entry (starting PROGRAM), the
// project files' MIME type and the icons into DATA_FOLDER (an installation's share/), the same
// files the program writes into a user's data folder on its first run, and brings the desktop's
// caches there up to date. The installation runs it.
#include <sys/stat.h>

#include <cstdio>

#include "platform/store/file_association.h"
#include "resources/resources.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: stavelark-desktop-files PROGRAM DATA_FOLDER\n");
    return 2;
  }
  // What an installation holds is for every user to read, and only its owner to change, whatever
  // the umask of the one who installs: the folders made here and the caches the desktop's tools
  // write (which they replace, so an existing cache would take the installer's umask too).
  ::umask(022);
  const store::Status status = store::InstallFileAssociation(argv[1], argv[2], resources::ProgramIcons());
  if (!status) {
    std::fprintf(stderr, "stavelark-desktop-files: %s\n", status.message.c_str());
    return 1;
  }
  return 0;
}

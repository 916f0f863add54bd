// The program: the Qt window system and, for now, an empty main window.
#include <QApplication>

#include "platform/forms/qt/qt_system.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  forms::QtSystem system;
  if (argc > 1) system.CommandLine = argv[1];

  forms::Form main(system, "Form1");
  main.Caption = "Stavelark";
  main.SetClientSize(14550, 10320);
  main.BackColor = 0xFFFFFF;
  main.StartUpPosition = 2;
  system.MainForm = &main;
  try {
    main.Show();
    system.Run();
  } catch (const forms::EndProgram&) {
    // End during start-up: nothing more to do.
  }
  return 0;
}

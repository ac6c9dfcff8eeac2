// Telvane: a console for a measuring instrument that speaks a framed text
// protocol over UDP. Creating the main window starts the program.
#include "console/frmMain.h"
#include "platform/GuardedApplication.h"
#include "platform/ProgramFont.h"
#include "platform/QtPlatform.h"

int main(int argc, char** argv) {
  GuardedApplication app(argc, argv);
  app.setFont(DialogFont());

  QtPlatform platform;
  SetPlatform(&platform);

  frmMain window;
  window.Form_Load();
  window.show();
  const int result = QApplication::exec();
  SetPlatform(nullptr);
  return result;
}

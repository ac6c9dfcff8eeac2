// Telvane: a console for a measuring instrument that speaks a framed text
// protocol over UDP. Creating the main window starts the program.
#include <QFont>

#include "console/frmMain.h"
#include "platform/GuardedApplication.h"
#include "platform/QtPlatform.h"

int main(int argc, char** argv) {
  GuardedApplication app(argc, argv);
  // The window geometry was designed for an 8-point dialog font.
  app.setFont(QFont("DejaVu Sans", 8));

  QtPlatform platform;
  SetPlatform(&platform);

  frmMain window;
  window.Form_Load();
  window.show();
  const int result = QApplication::exec();
  SetPlatform(nullptr);
  return result;
}

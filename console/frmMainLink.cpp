// The UDP link: its supervision tick and the status panel.
#include <QLabel>

#include "console/frmMain.h"
#include "core/StringTable.h"
#include "platform/QtText.h"

bool frmMain::fkt_InterfaceOpen() {
  // The socket is still closed at start; the first timer tick binds it.
  stbStatusPanel1->setText(ToQString(fkt_LoadResText(1700)));
  return true;
}

void frmMain::timTimer_Timer() {}

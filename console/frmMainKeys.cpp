// Keys of the main window: the command keys F1..F8 from any control (routed
// by CommandKeys) and from the window itself.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "console/CommandKeys.h"
#include "console/frmMain.h"
#include "platform/VirtualKey.h"

void frmMain::RouteKeys() {
  CommandKeys::Handlers handlers{[this](int keyCode) { fkt_PressCommandByKey(keyCode); },
                                 [this](QLineEdit* field, int keyCode) { txtBefehl_KeyUp(field, keyCode); },
                                 [this] { txtSend_Change(); }, [this](bool older) { txtSend_Recall(older); }};
  auto* keys = new CommandKeys(txtSend, {txtBefehl.begin(), txtBefehl.end()}, cmdSend, std::move(handlers), this);
  keys->Watch(tabOrder_);
}

void frmMain::fkt_PressCommandByKey(int keyCode) {
  // F1..F8 press slot button 1..8; modifiers are not looked at, so Shift+F1
  // acts like F1. A disabled button is not pressed.
  for (int n = 1; n <= kSlotCount; ++n) {
    if (keyCode == 111 + n) {
      cmdBefehl[n - 1]->click();
      return;
    }
  }
}

void frmMain::txtBefehl_KeyUp(QLineEdit* field, int keyCode) {
  fkt_PressCommandByKey(keyCode);
  field->setToolTip(field->text());
}

void frmMain::keyPressEvent(QKeyEvent* event) {
  // Form_KeyDown: the window's own handler acts only when no control has the
  // focus; keys that a control left unhandled are not sent twice.
  QWidget* focus = QApplication::focusWidget();
  if (focus == nullptr || focus == this) {
    fkt_PressCommandByKey(VirtualKey::FromEvent(*event));
    return;
  }
  QMainWindow::keyPressEvent(event);
}

// Keys of the main window. Every focusable control hands its key code to
// fkt_PressCommandByKey before its own work: on key-down for the buttons, the
// list, the check box, the send line and the log-file field; on key-up for
// the command slot fields (so holding a function key there sends once).
// Enter in a control that is not a button presses the send button, the
// window's default button, while it is enabled.
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "console/TrafficView.h"
#include "console/frmMain.h"
#include "platform/VirtualKey.h"

namespace {
bool IsFunctionKey(int code) { return code >= VirtualKey::F1 && code <= VirtualKey::F8; }
}  // namespace

void frmMain::RouteKeys() {
  for (QWidget* w : tabOrder_) w->installEventFilter(this);
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

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
  const bool press = event->type() == QEvent::KeyPress;
  const bool release = event->type() == QEvent::KeyRelease;
  if (!press && !release) return QMainWindow::eventFilter(watched, event);

  auto* key = static_cast<QKeyEvent*>(event);
  const int code = VirtualKey::FromEvent(*key);
  auto* field = qobject_cast<QLineEdit*>(watched);
  const bool slotField = field != nullptr && std::find(txtBefehl.begin(), txtBefehl.end(), field) != txtBefehl.end();

  if (release) {
    // Auto-repeat delivers release/press pairs while a key is held; only the
    // real release counts.
    if (slotField && !key->isAutoRepeat()) txtBefehl_KeyUp(field, code);
    if (watched == txtSend) txtSend_Change();
    return false;
  }

  if (!slotField) fkt_PressCommandByKey(code);
  // Function keys end here, so they never reach the window's own handler too.
  if (IsFunctionKey(code)) return true;

  if (code == VirtualKey::Enter && qobject_cast<QPushButton*>(watched) == nullptr) {
    // The default button takes Enter before any key handler of the control;
    // with the send button disabled nothing is sent.
    if (cmdSend->isEnabled()) cmdSend->click();
    return true;
  }
  return false;
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

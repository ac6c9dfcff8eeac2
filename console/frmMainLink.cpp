// The UDP link in the window: the 10 ms supervision tick (LinkSupervision
// checks), the status panel and the controls that need the link. The tick
// stops while the link is steady; a settings change, a re-bind request or a
// socket failing on its own wakes it for the next pass of the event loop.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "console/TrafficView.h"
#include "console/frmMain.h"
#include "core/Platform.h"
#include "core/RunTimeError.h"
#include "core/StringTable.h"
#include "platform/QtText.h"
#include "traffic/LinkSupervision.h"
#include "traffic/UdpLink.h"

std::string frmMain::fkt_InterfaceGetInfoText() const { return LinkInfoText(); }

bool frmMain::fkt_InterfaceUpdateState() {
  const int state = wskPort->State();
  if (state < 0 || state > 9) return false;
  if (const std::optional<std::string> text = supervision_->StatusTextIfChanged(state)) {
    const QString shown = ToQString(*text);
    if (stbStatusPanel1->text() != shown) stbStatusPanel1->setText(shown);
  }
  return state == 1 || state == 7;
}

void frmMain::fkt_InterfaceEnableControls(bool enabled) {
  // Called every tick: only a change reaches the widgets.
  auto enable = [enabled](QWidget* widget) {
    if (widget->isEnabled() != enabled) widget->setEnabled(enabled);
  };
  enable(lstSendReceive);
  enable(txtSend);
  enable(cmdInsertSpecialChar);
  for (QPushButton* button : cmdBefehl) enable(button);
  // White while usable; the button face (as the clear button shows it) when not.
  const QColor back = enabled ? QColor(255, 255, 255) : cmdDelete->palette().color(QPalette::Button);
  if (txtSend->palette().color(QPalette::Base) != back) {
    QPalette palette = txtSend->palette();
    palette.setColor(QPalette::Base, back);
    txtSend->setPalette(palette);
  }
}

bool frmMain::fkt_InterfaceOpen() {
  try {
    fkt_InterfaceUpdateState();
  } catch (const RunTimeError& error) {
    fkt_InterfaceEnableControls(false);
    const std::string text = fkt_FormatInsertParam(fkt_LoadResText(1602), fkt_LoadResText(1605), "\r\n",
                                                   error.Description(), "\r\n", std::to_string(error.Number()));
    CurrentPlatform().ShowMessage(text, fkt_LoadResText(1603), MessageIcon::Error);
  }
  return true;
}

void frmMain::RequestRebind() {
  supervision_->RequestRebind();
  WakeSupervision();
}

bool frmMain::IsRebindRequested() const { return supervision_->IsRebindRequested(); }

void frmMain::WakeSupervision() {
  if (supervising_ && !supervisionWake_->isActive()) supervisionWake_->start();
}

void frmMain::timTimer_Timer() {
  // A failure skips to the final refresh, leaving the controls and the
  // re-bind request as they were; the next tick tries again. Nothing is
  // ever shown.
  ++supervisionTicks_;
  try {
    supervision_->Check();
    fkt_InterfaceEnableControls(fkt_InterfaceUpdateState());
  } catch (const std::exception&) {
    // Shown only through the state in the status panel.
  }
  fkt_InterfaceUpdateState();
  if (supervision_->Steady()) {
    timTimer->stop();
  } else if (supervising_ && !timTimer->isActive()) {
    timTimer->start();
  }
}

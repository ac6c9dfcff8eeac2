// The UDP link: its 10 ms supervision, the status panel and the controls
// that need the link.
//
// The supervision tick runs every 10 ms for as long as something can change
// its outcome, and stops once a tick finds the link open (state 1) with
// nothing to re-bind: from then on nothing changes by itself. What can change
// it wakes it: a change of the settings (NotifySettingsChanged), a re-bind
// request, and the socket leaving state 1 on its own (a receive error). Each
// wake runs a tick on the next pass of the event loop; while the link is not
// open, the ticks go on every 10 ms.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <charconv>

#include "console/TrafficView.h"
#include "console/frmMain.h"
#include "core/AppSettings.h"
#include "core/Platform.h"
#include "core/RunTimeError.h"
#include "core/StringTable.h"
#include "platform/QtText.h"
#include "traffic/UdpLink.h"

namespace {

// A port text as a number; text that is not a whole number is a type mismatch.
long PortNumber(const std::string& text) {
  long value = 0;
  const char* end = text.data() + text.size();
  auto [next, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || next != end) throw RunTimeError::TypeMismatch();
  return value;
}

}  // namespace

std::string frmMain::fkt_InterfaceGetInfoText() const {
  return "[ Local IP: " + AppSettings.LocaleIpAddress + " | Local Port: " + AppSettings.UdpPortLocale +
         " | Remote IP: " + AppSettings.UdpAddress + " | Remote Port: " + AppSettings.UdpPort + " ]";
}

bool frmMain::fkt_InterfaceUpdateState() {
  const int state = wskPort->State();
  if (state < 0 || state > 9) return false;
  // The tick refreshes the panel twice every 10 ms; the text is built again
  // only when something it shows has changed.
  const StatusInputs inputs{state,
                            AppSettings.Language,
                            AppSettings.LocaleIpAddress,
                            AppSettings.UdpPortLocale,
                            AppSettings.UdpAddress,
                            AppSettings.UdpPort};
  if (inputs == shownStatus_) return state == 1 || state == 7;
  shownStatus_ = inputs;
  std::string text = fkt_LoadResText(1700 + state);
  if (state == 1 || state == 6 || state == 7) text += fkt_InterfaceGetInfoText();
  const QString shown = ToQString(text);
  if (stbStatusPanel1->text() != shown) stbStatusPanel1->setText(shown);
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
  RebindRequested = true;
  // The re-bind looks host names up again, even where the link is down and
  // still holds an answer from before the settings dialog was opened.
  wskPort->ForgetHostAddresses();
  WakeSupervision();
}

void frmMain::WakeSupervision() {
  if (supervising_ && !supervisionWake_->isActive()) supervisionWake_->start();
}

void frmMain::timTimer_Timer() {
  // Steady state: four reads, a comparison and the status panel. A failure
  // skips to the final refresh, leaving the controls and the rebind request
  // as they were; the next tick tries again. Nothing is ever shown.
  ++supervisionTicks_;
  bool rebound = false;
  try {
    const long remotePort = wskPort->RemotePort();
    const int localPort = wskPort->LocalPort();
    const std::string& remoteHost = wskPort->RemoteHost();
    const int state = wskPort->State();

    // Both port texts are converted on every tick, so one that is not a
    // number fails the tick before anything is closed.
    const long wantedRemotePort = PortNumber(AppSettings.UdpPort);
    const long wantedLocalPort = PortNumber(AppSettings.UdpPortLocale);

    // Local port 0 asks for any free port: whichever the bind took satisfies
    // it. (Compared as a number, it would differ from every port the bind can
    // take, and each tick would move the link to a new one.)
    const bool localPortDiffers = wantedLocalPort != 0 && localPort != wantedLocalPort;
    const bool rebind = remoteHost != AppSettings.UdpAddress || state != UdpLink::StateBound || RebindRequested ||
                        remotePort != wantedRemotePort || localPortDiffers;
    if (rebind) {
      rebound = true;
      wskPort->Close();
      wskPort->SetRemoteHost(AppSettings.UdpAddress);
      wskPort->SetRemotePort(wantedRemotePort);
      wskPort->Bind(AppSettings.UdpPortLocale, AppSettings.LocaleIpAddress);
      RebindRequested = false;
    }
    const bool usable = fkt_InterfaceUpdateState();
    fkt_InterfaceEnableControls(usable);
  } catch (const std::exception&) {
    // Shown only through the state in the status panel.
  }
  fkt_InterfaceUpdateState();

  // Steady: the socket is open and the next tick would find nothing to do. A
  // tick that failed before deciding (a port text that is no number) leaves an
  // open socket open, tick after tick, until the settings change.
  const bool steady = wskPort->State() == UdpLink::StateBound && !RebindRequested && !rebound;
  if (steady) {
    timTimer->stop();
  } else if (supervising_ && !timTimer->isActive()) {
    timTimer->start();
  }
}

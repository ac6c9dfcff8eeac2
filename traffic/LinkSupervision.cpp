#include "traffic/LinkSupervision.h"

#include <charconv>

#include "core/AppSettings.h"
#include "core/RunTimeError.h"
#include "core/StringTable.h"
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

std::string LinkInfoText() {
  return "[ Local IP: " + AppSettings.LocaleIpAddress + " | Local Port: " + AppSettings.UdpPortLocale +
         " | Remote IP: " + AppSettings.UdpAddress + " | Remote Port: " + AppSettings.UdpPort + " ]";
}

void LinkSupervision::Check() {
  // Steady state: four reads and a comparison.
  rebound_ = false;
  const long remotePort = link_.RemotePort();
  const int localPort = link_.LocalPort();
  const std::string& remoteHost = link_.RemoteHost();
  const int state = link_.State();

  // Both port texts are converted on every check, so one that is not a
  // number fails the check before anything is closed.
  const long wantedRemotePort = PortNumber(AppSettings.UdpPort);
  const long wantedLocalPort = PortNumber(AppSettings.UdpPortLocale);

  // Local port 0 asks for any free port: whichever the bind took satisfies
  // it. (Compared as a number, it would differ from every port the bind can
  // take, and each check would move the link to a new one.)
  const bool localPortDiffers = wantedLocalPort != 0 && localPort != wantedLocalPort;
  const bool rebind = remoteHost != AppSettings.UdpAddress || state != UdpLink::StateBound || RebindRequested ||
                      remotePort != wantedRemotePort || localPortDiffers;
  if (!rebind) return;
  rebound_ = true;
  link_.Close();
  link_.SetRemoteHost(AppSettings.UdpAddress);
  link_.SetRemotePort(wantedRemotePort);
  link_.Bind(AppSettings.UdpPortLocale, AppSettings.LocaleIpAddress);
  RebindRequested = false;
}

void LinkSupervision::RequestRebind() {
  RebindRequested = true;
  // The re-bind looks host names up again, even where the link is down and
  // still holds an answer from before the settings dialog was opened.
  link_.ForgetHostAddresses();
}

bool LinkSupervision::Steady() const {
  // A check that failed before deciding (a port text that is no number)
  // leaves an open socket open, check after check, until the settings change.
  return link_.State() == UdpLink::StateBound && !RebindRequested && !rebound_;
}

std::optional<std::string> LinkSupervision::StatusTextIfChanged(int state) {
  // The window refreshes the panel twice every 10 ms while the link is not
  // steady; the text is built again only when something it shows has changed.
  const StatusInputs inputs{state,
                            AppSettings.Language,
                            AppSettings.LocaleIpAddress,
                            AppSettings.UdpPortLocale,
                            AppSettings.UdpAddress,
                            AppSettings.UdpPort};
  if (inputs == shownStatus_) return std::nullopt;
  shownStatus_ = inputs;
  std::string text = fkt_LoadResText(1700 + state);
  if (state == 1 || state == 6 || state == 7) text += LinkInfoText();
  return text;
}

#pragma once
// Keeps the link as the settings want it: each check compares the socket
// with the addresses and ports in the settings and, whenever they disagree,
// the socket is not bound, or a re-bind was requested, closes it, sets the
// remote address and binds the local address anew. It also makes the status
// panel's text for the link's state.
//
// The window runs a check on every tick of its supervision timer. The timer
// need not run once a check finds the link bound with nothing to re-bind
// (Steady): from then on nothing changes by itself, until the settings
// change, a re-bind is requested, or the socket fails on its own.
#include <optional>
#include <string>

class UdpLink;

class LinkSupervision {
 public:
  explicit LinkSupervision(UdpLink& link) : link_(link) {}

  // One check; re-binds if needed. Throws (a type mismatch) when a port text
  // is not a whole number, before anything is closed, and as the socket does
  // when the bind fails; `RebindRequested` stays set then.
  void Check();
  // The next check re-binds, looking host names up again.
  void RequestRebind();
  bool IsRebindRequested() const { return RebindRequested; }
  // The last check found the link bound and left nothing to do: the next
  // would find the same.
  bool Steady() const;

  // The status panel's text for `state` (0..9), or nothing when neither the
  // state nor anything the text shows (language, addresses, ports) changed
  // since the last call.
  std::optional<std::string> StatusTextIfChanged(int state);

 private:
  // What the status panel shows now: the state and the settings in its text.
  struct StatusInputs {
    int state = -1;
    int language = -1;
    std::string localAddress, localPort, remoteAddress, remotePort;
    bool operator==(const StatusInputs&) const = default;
  };

  UdpLink& link_;
  bool RebindRequested = false;
  bool rebound_ = false;  // by the last check
  StatusInputs shownStatus_;
};

// The addresses in the status text: "[ Local IP: ... | Remote Port: ... ]".
std::string LinkInfoText();

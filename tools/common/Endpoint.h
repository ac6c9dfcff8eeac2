#pragma once
// IPv4 endpoints as the tools take them on the command line and in rules
// files: "ADDRESS:PORT" with a dotted address ("127.0.0.1:8364").
//
// The machines these tools are tried on may send to loopback only, so an
// address outside 127.0.0.0/8 is refused unless the caller says remote
// addresses are allowed (the tools' --allow-remote switch).
#include <netinet/in.h>

#include <optional>
#include <string>

struct Endpoint {
  sockaddr_in address{};

  std::string Text() const;  // "127.0.0.1:8364"
  bool IsLoopback() const;   // in 127.0.0.0/8
  bool operator==(const Endpoint& other) const;
};

struct EndpointRules {
  bool allowRemote = false;    // any IPv4 address, not only 127.0.0.0/8
  bool allowPortZero = false;  // port 0: the system picks a free port (for binding)
};

// The endpoint, or nothing with the reason in *error. Only the four-part
// decimal address form is taken: no host names, no shorthand ("127.1").
std::optional<Endpoint> ParseEndpoint(const std::string& text, EndpointRules rules, std::string* error);

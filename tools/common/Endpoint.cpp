#include "tools/common/Endpoint.h"

#include <arpa/inet.h>

#include <charconv>

std::string Endpoint::Text() const {
  char dotted[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &address.sin_addr, dotted, sizeof dotted);
  return std::string(dotted) + ":" + std::to_string(ntohs(address.sin_port));
}

bool Endpoint::IsLoopback() const { return (ntohl(address.sin_addr.s_addr) >> 24U) == 127U; }

bool Endpoint::operator==(const Endpoint& other) const {
  return address.sin_addr.s_addr == other.address.sin_addr.s_addr && address.sin_port == other.address.sin_port;
}

std::optional<Endpoint> ParseEndpoint(const std::string& text, EndpointRules rules, std::string* error) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string::npos) {
    *error = "'" + text + "' is not ADDRESS:PORT";
    return std::nullopt;
  }
  Endpoint endpoint;
  endpoint.address.sin_family = AF_INET;
  const std::string host = text.substr(0, colon);
  if (::inet_pton(AF_INET, host.c_str(), &endpoint.address.sin_addr) != 1) {
    *error = "'" + host + "' is not an IPv4 address (write it as four numbers, 127.0.0.1)";
    return std::nullopt;
  }
  unsigned port = 0;
  const char* first = text.data() + colon + 1;
  const char* last = text.data() + text.size();
  const auto [end, failure] = std::from_chars(first, last, port);
  if (first == last || failure != std::errc() || end != last || port > 65535 || (port == 0 && !rules.allowPortZero)) {
    // Appended, not "'" + std::string: g++ 12 warns wrongly about that form at -O3.
    *error =
        std::string("'").append(first, last) + "' is not a port (" + (rules.allowPortZero ? "0" : "1") + " to 65535)";
    return std::nullopt;
  }
  endpoint.address.sin_port = htons(static_cast<std::uint16_t>(port));
  if (!rules.allowRemote && !endpoint.IsLoopback()) {
    *error = "refusing " + host + ": only loopback addresses (127.0.0.0/8) are allowed without --allow-remote";
    return std::nullopt;
  }
  return endpoint;
}

#include "bench/load/Loopback.h"

#include <arpa/inet.h>

#include <cstdio>
#include <cstdlib>

std::optional<in_addr> LoopbackAddress(const std::string& text) {
  in_addr address{};
  // inet_pton takes only the four-part decimal form, so no name or shorthand
  // ("127.1", "0x7f.1") can slip past the check below.
  if (::inet_pton(AF_INET, text.c_str(), &address) != 1) return std::nullopt;
  if ((ntohl(address.s_addr) >> 24U) != 127U) return std::nullopt;
  return address;
}

in_addr RequireLoopback(const char* tool, const std::string& text) {
  const std::optional<in_addr> address = LoopbackAddress(text);
  if (!address) {
    std::fprintf(stderr, "%s: refusing address '%s': only 127.0.0.0/8 (loopback) is allowed\n", tool, text.c_str());
    std::exit(1);
  }
  return *address;
}

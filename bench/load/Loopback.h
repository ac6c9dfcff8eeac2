#pragma once
// The load tools talk only to loopback: every destination or bind address
// they are given must lie in 127.0.0.0/8, or the tool refuses to run.
#include <netinet/in.h>

#include <optional>
#include <string>

// The address in network byte order, if `text` is a dotted IPv4 address in
// 127.0.0.0/8; nothing for any other text (names included).
std::optional<in_addr> LoopbackAddress(const std::string& text);

// As LoopbackAddress, but a refused address ends the program with a message
// naming `tool` and the address.
in_addr RequireLoopback(const char* tool, const std::string& text);

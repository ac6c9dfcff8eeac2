#pragma once
// An entry's date and time to the microsecond, for the operator: in UTC, in
// which the list's times are given, and in the machine's local time (the TZ
// setting), with the zone's abbreviation and its offset from UTC.
#include <cstdint>
#include <string>

// "2026-12-08 01:02:03.456789"
std::string UtcDateTime(std::int64_t utcMicroseconds);
// "2026-12-08 02:02:03.456789 CET (+01:00)"
std::string LocalDateTime(std::int64_t utcMicroseconds);

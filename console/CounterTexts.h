#pragma once
// What the counters panel of the status bar says, in the selected language.
//
// The panel shows the fullest of its forms that fits beside the link state:
// the words of the string table with exact figures when the window is wide
// enough; at the window's minimum width a compact form of symbols and
// figures cut to three significant digits, with the mean reply time and,
// failing that, without it. The tooltip always shows the full form.
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>

#include "traffic/TrafficCounters.h"

// The forms, fullest first: "Out: 12  In: 12 (2/s)  Bad BCC: 1   Reply:
// 2.345 ms  Mean: 2.100 ms", then "↑12 ↓12 2/s ✗1 2.34 ms Ø 2.10 ms", then
// the same without the mean (absent while there is no reply yet).
QStringList CounterForms(const CounterReadings& readings);

// A count for the compact form: exact below 10,000, else cut (never rounded
// up) to three significant digits with k, M, G, T, P or E: "12.3k", "999k",
// "1.23M". With a decimal comma where `decimalComma` is set.
std::string CompactCount(std::uint64_t value, bool decimalComma);

// A duration for the compact form, cut to three significant digits: "0.41 ms",
// "12.3 ms", "123 ms", "1.23 s", "12.3 s", whole seconds from 100 s on.
std::string CompactDuration(std::int64_t microseconds, bool decimalComma);

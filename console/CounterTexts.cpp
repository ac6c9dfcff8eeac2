#include "console/CounterTexts.h"

#include <array>

#include "core/AppSettings.h"
#include "core/StringTable.h"
#include "platform/QtText.h"
#include "traffic/TimeOfDay.h"

namespace {

// "whole" followed by `decimals` digits of `fraction` / `unit`, cut.
std::string Decimal(std::uint64_t whole, std::uint64_t fraction, std::uint64_t unit, int decimals, bool comma) {
  std::string text = std::to_string(whole);
  if (decimals == 0) return text;
  text += comma ? ',' : '.';
  for (int n = 0; n < decimals; ++n) {
    unit /= 10;
    text += static_cast<char>('0' + fraction / unit);
    fraction %= unit;
  }
  return text;
}

// `value` / `unit` to three significant digits (the quotient below 1000).
std::string ThreeDigits(std::uint64_t value, std::uint64_t unit, bool comma) {
  const std::uint64_t whole = value / unit;
  const int decimals = whole >= 100 ? 0 : whole >= 10 ? 1 : 2;
  return Decimal(whole, value % unit, unit, decimals, comma);
}

}  // namespace

std::string CompactCount(std::uint64_t value, bool decimalComma) {
  if (value < 10'000) return std::to_string(value);
  static constexpr std::array<char, 6> kPrefixes{'k', 'M', 'G', 'T', 'P', 'E'};
  std::uint64_t unit = 1000;
  std::size_t prefix = 0;
  // 2^64 is below 10^20, so the largest count has fewer than 1000 E.
  while (value / unit >= 1000) {
    unit *= 1000;
    ++prefix;
  }
  return ThreeDigits(value, unit, decimalComma) + kPrefixes[prefix];
}

std::string CompactDuration(std::int64_t microseconds, bool decimalComma) {
  // A clock set back between a send and its reply gives a negative span.
  const std::string sign = microseconds < 0 ? "-" : "";
  const std::uint64_t us =
      microseconds < 0 ? 0 - static_cast<std::uint64_t>(microseconds) : static_cast<std::uint64_t>(microseconds);
  if (us < 1'000'000) return sign + ThreeDigits(us, 1000, decimalComma) + " ms";
  if (us < 100'000'000) return sign + ThreeDigits(us, 1'000'000, decimalComma) + " s";
  return sign + std::to_string(us / 1'000'000) + " s";
}

QStringList CounterForms(const CounterReadings& readings) {
  const bool comma = AppSettings.Language == 0;
  std::string full =
      fkt_FormatInsertParam(fkt_LoadResText(8220), std::to_string(readings.sent), std::to_string(readings.received),
                            std::to_string(readings.receivedPerSecond), std::to_string(readings.badFrames));
  // Symbols and SI units read the same in both languages: up for sent, down
  // for received, a cross for a wrong block check, a slashed O for the mean.
  const QString compact = QStringLiteral(u"\u2191%1 \u2193%2 %3/s \u2717%4")
                              .arg(QString::fromStdString(CompactCount(readings.sent, comma)),
                                   QString::fromStdString(CompactCount(readings.received, comma)),
                                   QString::fromStdString(CompactCount(readings.receivedPerSecond, comma)),
                                   QString::fromStdString(CompactCount(readings.badFrames, comma)));
  if (!readings.lastReply || !readings.meanReply) return {ToQString(full), compact};

  full += "   " + fkt_FormatInsertParam(fkt_LoadResText(8222), FormatDuration(*readings.lastReply, comma),
                                        FormatDuration(*readings.meanReply, comma));
  const QString last = QString::fromStdString(CompactDuration(*readings.lastReply, comma));
  const QString mean = QString::fromStdString(CompactDuration(*readings.meanReply, comma));
  return {ToQString(full), compact + ' ' + last + QStringLiteral(u" \u00d8 ") + mean, compact + ' ' + last};
}

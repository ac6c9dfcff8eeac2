#include "traffic/CsvRows.h"

#include <chrono>
#include <cstdio>
#include <optional>

#include "core/CodePage.h"
#include "notation/FrameCheck.h"
#include "traffic/EntryDatagram.h"
#include "traffic/EntryTags.h"
#include "traffic/TimeOfDay.h"

namespace {
constexpr std::string_view kHead =
    "\xEF\xBB\xBF"
    "Time (UTC),Direction,Length,Entry,Block check,Reply time (us)\r\n";

// Bytes in the 8-bit code page to UTF-8, quoted where RFC 4180 wants it.
void AppendField(std::string_view text, std::string& out) {
  const bool quoted = text.find_first_of(",\"\r\n") != std::string_view::npos;
  if (quoted) out += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      if (c == '"') out += '"';
      out += c;
      continue;
    }
    const char16_t ch = Cp1252ToUnicode(byte);
    if (ch < 0x800) {
      out += static_cast<char>(0xC0 | (ch >> 6));
    } else {
      out += static_cast<char>(0xE0 | (ch >> 12));
      out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (ch & 0x3F));
  }
  if (quoted) out += '"';
}

// A first character that a spreadsheet takes for the start of a formula.
bool StartsFormula(std::string_view text) {
  return !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
}

void AppendVerdict(std::string_view datagram, std::string& out) {
  const std::optional<FrameBlockCheck> check = CheckFrame(datagram);
  if (!check) {
    out += "not a frame";
    return;
  }
  if (check->Valid()) {
    out += "right";
  } else {
    // Holds a comma: quoted.
    out += "\"wrong, expected <" + std::to_string(check->expected) + "> received <" + std::to_string(check->received) +
           ">";
    if (check->frames > 1)
      out += " (frame " + std::to_string(check->frame) + " of " + std::to_string(check->frames) + ")";
    out += '"';
  }
}
}  // namespace

std::string_view CsvRows::Head() { return kHead; }

void CsvRows::AppendTime(std::int64_t utcMicroseconds, std::string& out) {
  // Floor division: a time before 1970 still has its day and time of day.
  std::int64_t day = utcMicroseconds / kMicrosecondsPerDay;
  std::int64_t ofDay = utcMicroseconds % kMicrosecondsPerDay;
  if (ofDay < 0) {
    ofDay += kMicrosecondsPerDay;
    --day;
  }
  if (day != day_) {
    const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{day}}};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    date_ = text;
    day_ = day;
  }
  out += date_;
  const auto seconds = static_cast<std::uint32_t>(ofDay / 1'000'000);
  const auto micros = static_cast<std::uint32_t>(ofDay % 1'000'000);
  char text[24];
  char* at = text;
  const auto digits = [&at](std::uint32_t value, int count) {
    for (int n = count - 1; n >= 0; --n, value /= 10) at[n] = static_cast<char>('0' + value % 10);
    at += count;
  };
  digits(seconds / 3600, 2);
  *at++ = ':';
  digits(seconds / 60 % 60, 2);
  *at++ = ':';
  digits(seconds % 60, 2);
  *at++ = '.';
  digits(micros, 6);
  *at++ = 'Z';
  out.append(text, at);
}

void CsvRows::Append(const TrafficStore::Meta& meta, std::string_view bytes, std::string& out) {
  AppendTime(meta.utcMicroseconds, out);
  const bool incoming = IsIncoming(meta.kind);
  const bool notice = meta.kind == EntryKind::Notice;
  out += incoming ? ",in," : notice ? ",notice," : ",out,";

  // The datagram: what arrived, or what the line sent became.
  const std::optional<std::string_view> datagram = EntryDatagram(meta, bytes, datagram_);
  if (datagram) out += std::to_string(datagram->size());
  out += ',';

  // The content in notation, without the time and tag the first columns hold.
  std::string_view text = model_.NotationText(meta, bytes, buffers_);
  if (meta.kind != EntryKind::IncomingRaw) text.remove_prefix(std::min(text.size(), kTimeChars + kInTag.size()));
  if (StartsFormula(text)) {
    escaped_ = '<' + std::to_string(static_cast<unsigned char>(text.front())) + '>';
    escaped_ += text.substr(1);
    text = escaped_;
  }
  AppendField(text, out);
  out += ',';

  if (incoming && datagram) AppendVerdict(*datagram, out);
  out += ',';
  if (incoming && afterOutgoing_) out += std::to_string(meta.utcMicroseconds - outgoingTime_);
  out += "\r\n";

  afterOutgoing_ = IsOutgoing(meta.kind);
  outgoingTime_ = meta.utcMicroseconds;
}

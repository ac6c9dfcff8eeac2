#include "tools/common/ExchangeLine.h"

#include "notation/FrameCheck.h"
#include "traffic/TimeOfDay.h"

std::string ExchangeLine(std::string_view tag, const std::string& peer, std::string_view text,
                         const std::string& note) {
  std::string line = ListTime(UtcMillisecondOfDay());
  line += tag;
  if (!peer.empty()) line += peer + "  ";
  line += text;
  if (!note.empty()) line += "  (" + note + ")";
  return line;
}

std::string BadBlockCheckNote(std::string_view datagram) {
  const std::optional<FrameBlockCheck> check = CheckFrame(datagram);
  if (!check || check->Valid()) return "";
  std::string note =
      "bad block check <" + std::to_string(check->received) + ">, expected <" + std::to_string(check->expected) + ">";
  if (check->frames > 1) note += " in frame " + std::to_string(check->frame) + " of " + std::to_string(check->frames);
  return note;
}

std::string JoinNotes(const std::string& first, const std::string& second) {
  if (first.empty()) return second;
  if (second.empty()) return first;
  return first + ", " + second;
}

void PrintLine(std::FILE* stream, const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stream);
  std::fputc('\n', stream);
  std::fflush(stream);
}

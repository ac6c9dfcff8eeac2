#include "core/StringTable.h"

#include <array>
#include <string_view>
#include <unordered_map>

#include "core/AppSettings.h"
#include "core/CodePage.h"

namespace {

constexpr std::int32_t kEnglishOffset = 10000;

struct Row {
  std::int32_t id;
  std::string_view utf8;
};

constexpr Row kRows[] = {
#include "resources/StringTable.inc"
};

const std::unordered_map<std::int32_t, std::string>& Table() {
  static const std::unordered_map<std::int32_t, std::string> table = [] {
    std::unordered_map<std::int32_t, std::string> rows;
    for (const Row& row : kRows) rows.emplace(row.id, Utf8ToBytes(row.utf8));
    return rows;
  }();
  return table;
}

std::string Lookup(std::int64_t id) {
  const auto& table = Table();
  auto it = table.find(static_cast<std::int32_t>(id));
  return it == table.end() ? std::string() : it->second;
}

}  // namespace

std::string fkt_LoadResTextGerman(std::int32_t id) { return Lookup(id); }

std::string fkt_LoadResTextEnglish(std::int32_t id) {
  // Computed wide so that an id near the top of the range cannot overflow.
  return Lookup(static_cast<std::int64_t>(id) + kEnglishOffset);
}

std::string fkt_LoadResTextSelected(std::int32_t id) {
  return AppSettings.Language == 0 ? fkt_LoadResTextGerman(id) : fkt_LoadResTextEnglish(id);
}

std::string fkt_LoadResText(std::int32_t id) {
  std::string text = fkt_LoadResTextSelected(id);
  if (text.empty()) text = fkt_LoadResTextEnglish(id);
  if (text.empty()) text = fkt_LoadResTextGerman(id);
  return text;
}

std::string fkt_FormatInsertParam(const std::string& strText, const std::string& p1, const std::string& p2,
                                  const std::string& p3, const std::string& p4, const std::string& p5,
                                  const std::string& p6, const std::string& p7, const std::string& p8,
                                  const std::string& p9, const std::string& p10, const std::string& p11) {
  static constexpr std::string_view kPlaceholder = "%%";
  std::string text = strText;
  auto replaceLeftmost = [&text](const std::string& parameter) {
    std::size_t at = text.find(kPlaceholder);
    if (at == std::string::npos) return false;
    text.replace(at, kPlaceholder.size(), parameter);
    return true;
  };
  // The first placeholder is always filled, even with an empty parameter.
  if (!replaceLeftmost(p1)) return text;
  // The others stop at the first empty parameter or when no placeholder is left.
  const std::array<const std::string*, 10> rest = {&p2, &p3, &p4, &p5, &p6, &p7, &p8, &p9, &p10, &p11};
  for (const std::string* parameter : rest) {
    if (parameter->empty() || !replaceLeftmost(*parameter)) break;
  }
  return text;
}

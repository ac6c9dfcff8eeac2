#pragma once
// The widget boundary: program text is bytes in the 8-bit code page; widgets
// hold Unicode. These two are the only crossings.
#include <QString>
#include <string>

#include "core/CodePage.h"

inline QString ToQString(const std::string& bytes) { return QString::fromStdU16String(BytesToUtf16(bytes)); }

inline std::string FromQString(const QString& text) {
  return Utf16ToBytes(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
}

#include "console/EntryBytes.h"

#include <QApplication>
#include <QClipboard>
#include <QString>
#include <algorithm>
#include <optional>

#include "console/EntrySelection.h"
#include "console/ListActions.h"
#include "core/Platform.h"
#include "core/StringTable.h"
#include "notation/HexDump.h"
#include "traffic/EntryDatagram.h"
#include "traffic/EntryTags.h"
#include "traffic/TimeOfDay.h"
#include "traffic/TrafficListModel.h"

void ShowEntryWithHex(const TrafficListModel& model, std::uint64_t entry, const std::string& prompt) {
  const std::string text = model.EntryText(entry);
  const std::optional<std::string> datagram = EntryDatagram(model, entry);
  if (!datagram) {
    CurrentPlatform().InputBox(prompt, std::string(), text);
    return;
  }
  const std::string heading = fkt_FormatInsertParam(fkt_LoadResText(8334), std::to_string(datagram->size()));
  CurrentPlatform().InputBoxWithHex(prompt, std::string(), text, heading, HexDump(*datagram));
}

void CopyEntriesAsHex(const TrafficListModel& model, const EntrySelection& selection) {
  const std::uint64_t shown = model.ShownCount();
  std::u16string text;
  std::string bytes;
  std::string converted;
  for (const auto& [begin, end] : selection.Runs()) {
    for (std::uint64_t entry = begin; entry < std::min(end, shown); ++entry) {
      const TrafficStore::Meta meta = model.Store().ReadEntry(entry, bytes);
      const std::optional<std::string_view> datagram = EntryDatagram(meta, bytes, converted);
      if (!datagram) continue;
      if (!text.empty()) text += u"\n\n";
      // "01:02:03.004  [IN]": the time and the tag, as the list shows them.
      std::string heading = ListTime(meta.millisecondOfDay);
      heading += IsOutgoing(meta.kind) ? kOutTag : kInTag;
      heading.erase(heading.find_last_not_of(' ') + 1);
      text.append(heading.begin(), heading.end());
      if (!datagram->empty()) text += u'\n';
      text += HexDump(*datagram);
      if (text.size() > kClipboardLimit) {
        CurrentPlatform().ShowMessage(fkt_FormatInsertParam(fkt_LoadResText(8215), std::to_string(kClipboardLimitMiB)),
                                      std::string(), MessageIcon::Information);
        return;
      }
    }
  }
  if (!text.empty()) QApplication::clipboard()->setText(QString::fromStdU16String(text));
}

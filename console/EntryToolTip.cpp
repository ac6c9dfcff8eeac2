#include "console/EntryToolTip.h"

#include <optional>

#include "core/AppSettings.h"
#include "core/StringTable.h"
#include "traffic/EntryDates.h"
#include "traffic/TimeOfDay.h"
#include "traffic/TrafficListModel.h"

std::string EntryToolTip(const TrafficListModel& model, std::uint64_t entry) {
  std::string tip;
  if (const std::optional<FrameBlockCheck> check = model.FrameCheckOf(entry)) {
    tip = check->Valid() ? fkt_FormatInsertParam(fkt_LoadResText(8231), std::to_string(check->expected))
                         : fkt_FormatInsertParam(fkt_LoadResText(8230), std::to_string(check->expected),
                                                 std::to_string(check->received));
    if (check->frames > 1) {
      tip += fkt_FormatInsertParam(fkt_LoadResText(8232), std::to_string(check->frame), std::to_string(check->frames));
    }
  }
  if (const std::optional<TrafficListModel::SinceSent> since = model.TimeSinceSent(entry)) {
    if (!tip.empty()) tip += '\n';
    const std::string time = FormatDuration(since->microseconds, AppSettings.Language == 0);
    tip += fkt_FormatInsertParam(fkt_LoadResText(since->reply ? 8233 : 8234), time);
  }
  // The list shows the time of day in UTC; the date, and the local time,
  // only here.
  const std::int64_t time = model.Store().EntryMeta(entry).utcMicroseconds;
  if (!tip.empty()) tip += '\n';
  tip += fkt_FormatInsertParam(fkt_LoadResText(8332), UtcDateTime(time)) + '\n' +
         fkt_FormatInsertParam(fkt_LoadResText(8333), LocalDateTime(time));
  return tip;
}

#include "console/TrafficListModel.h"

#include <utility>

#include "console/TimeOfDay.h"
#include "core/Platform.h"
#include "notation/Notation.h"
#include "platform/QtText.h"

namespace {
constexpr std::string_view kOutTag = "  [OUT]  ";
constexpr std::string_view kInTag = "  [IN]   ";
}  // namespace

TrafficListModel::TrafficListModel(QObject* parent)
    : TrafficListModel(CurrentPlatform().ScratchFolders(), TrafficStore::Limits{}, parent) {}

TrafficListModel::TrafficListModel(std::vector<std::string> folders, TrafficStore::Limits limits, QObject* parent)
    : QObject(parent), store_(std::move(folders), limits) {}

void TrafficListModel::Append(Kind kind, std::uint32_t millisecondOfDay, std::string_view bytes) {
  store_.Append(kind, millisecondOfDay, bytes);
}

void TrafficListModel::Commit() {
  const std::string problem = store_.TakeProblem();
  if (!problem.empty()) emit StoreFailed(ToQString(problem));
  const std::uint64_t first = shown_;
  if (store_.Count() == first) return;
  shown_ = store_.Count();
  emit EntriesAdded(first, shown_);
}

void TrafficListModel::Clear() {
  store_.Clear();
  shown_ = 0;
  emit Cleared();
}

std::string TrafficListModel::EntryText(std::uint64_t entry) const {
  bool cut = false;
  return EntryTextStart(entry, TrafficStore::kWhole, &cut);
}

std::string TrafficListModel::EntryTextStart(std::uint64_t entry, std::size_t maxChars, bool* cut) const {
  const TrafficStore::Meta meta = store_.EntryMeta(entry);
  std::string text;
  if (meta.kind != Kind::IncomingRaw) {
    text = ListTime(meta.millisecondOfDay);
    text += meta.kind == Kind::Outgoing ? kOutTag : kInTag;
  }
  // Every byte shows as one character or more, so this many bytes are enough.
  const std::size_t room = maxChars > text.size() ? maxChars - text.size() : 0;
  const std::string bytes = store_.EntryBytes(entry, room);
  *cut = bytes.size() < meta.length;
  text += meta.kind == Kind::IncomingDisplay ? fkt_RawToSpecialChars(bytes) : bytes;
  if (text.size() > maxChars) {
    text.resize(maxChars);
    *cut = true;
  }
  return text;
}

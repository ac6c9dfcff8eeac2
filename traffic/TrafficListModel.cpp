#include "traffic/TrafficListModel.h"

#include <QTimer>
#include <algorithm>
#include <utility>

#include "core/CodePage.h"
#include "core/Platform.h"
#include "core/StringTable.h"
#include "notation/Notation.h"
#include "traffic/EntryTags.h"
#include "traffic/TimeOfDay.h"

namespace {
bool ShowsTime(EntryKind kind) { return kind != EntryKind::IncomingRaw; }

constexpr std::string_view kOutTagLower = "  [out]  ";
constexpr std::string_view kInTagLower = "  [in]   ";

void AppendTimeAndTag(const TrafficStore::Meta& meta, std::string& text) {
  const std::size_t at = text.size();
  text.resize(at + kTimeChars);
  FormatTimeOfDay(meta.millisecondOfDay, '.', text.data() + at);
  text += IsOutgoing(meta.kind) ? kOutTag : meta.kind == EntryKind::Notice ? kNoticeTag : kInTag;
}
}  // namespace

TrafficListModel::TrafficListModel(QObject* parent)
    : TrafficListModel(CurrentPlatform().ScratchFolders(), TrafficStore::Limits{}, parent) {}

TrafficListModel::TrafficListModel(std::vector<std::string> folders, TrafficStore::Limits limits, QObject* parent)
    : QObject(parent), store_(std::move(folders), limits), scheduledCommit_(new QTimer(this)) {
  scheduledCommit_->setSingleShot(true);
  connect(scheduledCommit_, &QTimer::timeout, this, [this] {
    sinceScheduledCommit_.start();
    Commit();
  });
  sinceScheduledCommit_.start();
}

void TrafficListModel::ScheduleCommit(int frameMs) {
  if (scheduledCommit_->isActive()) return;
  scheduledCommit_->start(static_cast<int>(std::max<qint64>(0, frameMs - sinceScheduledCommit_.elapsed())));
}

void TrafficListModel::Append(Kind kind, std::int64_t utcMicroseconds, std::string_view bytes, bool badFrame) {
  store_.Append(kind, utcMicroseconds, bytes, badFrame);
}

void TrafficListModel::Commit() {
  const std::string problem = store_.TakeProblem();
  if (!problem.empty()) emit StoreFailed(QByteArray::fromStdString(problem));
  const std::uint64_t first = shown_;
  if (store_.Count() != first) {
    shown_ = store_.Count();
    emit EntriesAdded(first, shown_);
  }
  if (store_.NotListedCount() != notListedShown_) {
    notListedShown_ = store_.NotListedCount();
    // A notice listed by this commit is painted as a new entry.
    const std::optional<std::uint64_t> notice = store_.CountingNotice();
    if (notice && *notice < first) emit EntryChanged(*notice);
  }
}

void TrafficListModel::Clear() {
  store_.Clear();
  StartOver();
}

void TrafficListModel::StartOver() {
  shown_ = notListedShown_ = 0;
  emit Cleared();
}

std::string TrafficListModel::EntryText(std::uint64_t entry) const {
  bool cut = false;
  return EntryTextStart(entry, TrafficStore::kWhole, &cut);
}

std::string TrafficListModel::EntryTextStart(std::uint64_t entry, std::size_t maxChars, bool* cut) const {
  const TrafficStore::Meta meta = store_.EntryMeta(entry);
  std::string text;
  if (ShowsTime(meta.kind)) AppendTimeAndTag(meta, text);
  // Every byte shows as one character or more, so this many bytes are enough.
  const std::size_t room = maxChars > text.size() ? maxChars - text.size() : 0;
  const std::string bytes = store_.EntryBytes(entry, room);
  *cut = bytes.size() < meta.length;
  if (meta.kind == Kind::Notice) {
    text += NoticeText(meta);
  } else if (meta.kind == Kind::IncomingDisplay) {
    text += fkt_RawToSpecialChars(bytes);
  } else {
    text += bytes;
  }
  if (text.size() > maxChars) {
    text.resize(maxChars);
    *cut = true;
  }
  return text;
}

std::string_view TrafficListModel::NotationText(std::uint64_t entry, TextBuffers& buffers, bool lowerCase) const {
  const TrafficStore::Meta meta = store_.ReadEntry(entry, buffers.bytes, TrafficStore::kWhole, &buffers.cursor);
  return NotationText(meta, buffers.bytes, buffers, lowerCase);
}

std::string_view TrafficListModel::NotationText(const TrafficStore::Meta& meta, std::string_view bytes,
                                                TextBuffers& buffers, bool lowerCase) const {
  if (meta.kind == Kind::Notice) {
    // The program's own words: no notation to apply.
    buffers.text.clear();
    AppendTimeAndTag(meta, buffers.text);
    buffers.text += NoticeText(meta);
    if (lowerCase) std::transform(buffers.text.begin(), buffers.text.end(), buffers.text.begin(), Cp1252ToLower);
    return buffers.text;
  }
  const std::size_t room = kTimeChars + kInTag.size() + bytes.size() * kDisplayRoomPerByte + kDisplayRoomExtra;
  if (buffers.text.size() < room) buffers.text.resize(std::max(room, 2 * buffers.text.size()));
  char* const start = buffers.text.data();
  char* out = start;
  if (ShowsTime(meta.kind)) {
    FormatTimeOfDay(meta.millisecondOfDay, '.', out);
    const std::string_view tag =
        IsOutgoing(meta.kind) ? (lowerCase ? kOutTagLower : kOutTag) : (lowerCase ? kInTagLower : kInTag);
    out = std::copy(tag.begin(), tag.end(), out + kTimeChars);
  }
  if (meta.kind != Kind::Outgoing) {
    out = WriteRawToSpecialChars(bytes, out, lowerCase);
  } else if (lowerCase) {
    out = std::transform(bytes.begin(), bytes.end(), out, Cp1252ToLower);
  } else {
    out = std::copy(bytes.begin(), bytes.end(), out);  // the line as the operator wrote it
  }
  return {start, static_cast<std::size_t>(out - start)};
}

std::string TrafficListModel::NoticeText(const TrafficStore::Meta& meta) const {
  const TrafficStore::NotListed& notice = store_.NoticeOf(meta);
  std::string why;
  switch (notice.cause) {
    case TrafficStore::NotListedCause::FileFailed:
      why = fkt_FormatInsertParam(fkt_LoadResText(8111), notice.reason);
      break;
    case TrafficStore::NotListedCause::FileBehind: why = fkt_LoadResText(8112); break;
    case TrafficStore::NotListedCause::NoMemory: why = fkt_LoadResText(8113); break;
  }
  return fkt_FormatInsertParam(fkt_LoadResText(8110), std::to_string(notice.received), std::to_string(notice.sent),
                               why);
}

std::optional<FrameBlockCheck> TrafficListModel::FrameCheckOf(std::uint64_t entry) const {
  if (!IsIncoming(store_.EntryMeta(entry).kind)) return std::nullopt;
  return CheckFrame(store_.EntryBytes(entry));
}

std::optional<TrafficListModel::SinceSent> TrafficListModel::TimeSinceSent(std::uint64_t entry) const {
  const std::optional<std::uint64_t> sent = store_.LastOutgoingBefore(entry);
  if (!sent) return std::nullopt;
  const TrafficStore::Meta meta = store_.EntryMeta(entry);
  if (!IsIncoming(meta.kind)) return std::nullopt;
  return SinceSent{meta.utcMicroseconds - store_.EntryMeta(*sent).utcMicroseconds, *sent + 1 == entry};
}

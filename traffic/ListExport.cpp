#include "traffic/ListExport.h"

#include <algorithm>

#include "traffic/CsvRows.h"
#include "traffic/TrafficListModel.h"

namespace {
constexpr std::size_t kPieceBytes = std::size_t{1} << 20;
constexpr std::uint64_t kEntriesPerProgress = 16384;
constexpr std::uint64_t kEntriesPerRun = 4096;
}  // namespace

ExportResult ExportList(const TrafficListModel& model, std::uint64_t count, const std::string& path,
                        const ExportProgress& progress, ExportFormat format) {
  SafeFileWriter writer(path);
  if (!writer.Status().Ok()) return {writer.Status()};
  count = std::min(count, model.EntryCount());
  const std::uint64_t generation = model.Generation();
  std::string piece;
  piece.reserve(kPieceBytes + 4096);
  TrafficListModel::TextBuffers buffers;
  CsvRows csv(model);
  if (format == ExportFormat::Csv) piece += CsvRows::Head();
  // Read in runs: the store's lock is taken a few times per run, not per
  // entry, and never while its file is read, so the receive thread, which
  // appends under that lock, does not wait for the export.
  TrafficStore::EntryRun run;
  for (std::uint64_t entry = 0; entry < count;) {
    const std::size_t read =
        model.Store().ReadEntries(entry, std::min<std::uint64_t>(kEntriesPerRun, count - entry), run);
    for (std::size_t i = 0; i < read; ++i, ++entry) {
      if (format == ExportFormat::Csv) {
        csv.Append(run.MetaAt(i), run.BytesAt(i), piece);
      } else {
        piece += model.NotationText(run.MetaAt(i), run.BytesAt(i), buffers);
        piece += "\r\n";
      }
      if (piece.size() >= kPieceBytes) {
        if (!writer.Write(piece).Ok()) return {writer.Status()};
        piece.clear();
      }
      if ((entry + 1) % kEntriesPerProgress == 0 && progress) {
        const bool goOn = progress(entry + 1);
        if (model.Generation() != generation) return {{}, true, true};
        if (!goOn) return {{}, true};
      }
    }
  }
  if (model.Generation() != generation) return {{}, true, true};
  if (!writer.Write(piece).Ok()) return {writer.Status()};
  return {writer.Commit()};
}

#include "console/ListActions.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <thread>

#include "console/EntrySelection.h"
#include "core/AppSettings.h"
#include "core/FileErrorMessage.h"
#include "core/Platform.h"
#include "core/StringTable.h"
#include "platform/QtText.h"
#include "platform/WidgetBuilding.h"
#include "traffic/BackgroundPriority.h"
#include "traffic/ListExport.h"
#include "traffic/ShownEntries.h"
#include "traffic/TrafficListModel.h"

namespace {
// How often the progress dialog shows how far an export has come.
constexpr int kExportProgressMs = 50;
}  // namespace

void CopyEntries(const TrafficListModel& model, const EntrySelection& selection, const ShownEntries* rows) {
  const std::uint64_t shown = rows != nullptr ? rows->Size() : model.ShownCount();
  std::string text;
  TrafficListModel::TextBuffers buffers;
  for (const auto& [begin, end] : selection.Runs()) {
    for (std::uint64_t row = begin; row < std::min(end, shown); ++row) {
      if (!text.empty()) text += '\n';
      text += model.NotationText(rows != nullptr ? rows->EntryAt(row) : row, buffers);
      if (text.size() > kClipboardLimit) {
        CurrentPlatform().ShowMessage(fkt_FormatInsertParam(fkt_LoadResText(8215), std::to_string(kClipboardLimitMiB)),
                                      std::string(), MessageIcon::Information);
        return;
      }
    }
  }
  if (!text.empty()) QApplication::clipboard()->setText(ToQString(text));
}

void SaveListAs(QWidget* parent, const TrafficListModel& model) {
  FileDialogRequest request;
  request.title = fkt_LoadResText(8200);
  request.filter = fkt_LoadResText(8201);
  request.initialFolder = AppSettings.SettingsFolder;
  request.proposedName = "TelvaneList.txt";
  request.defaultExtension = "txt";
  request.moreFilters = {fkt_LoadResText(8330)};
  const std::optional<std::string> path = CurrentPlatform().AskSaveFileName(request);
  if (!path || path->empty()) return;
  // The suffix tells the choice: the dialog gives a name without one the
  // suffix of the filter chosen.
  const QString suffix = QFileInfo(QFile::decodeName(path->c_str())).suffix();
  const ExportFormat format = suffix.compare("csv", Qt::CaseInsensitive) == 0 ? ExportFormat::Csv : ExportFormat::Text;

  // Every entry listed now; what arrives meanwhile is listed as usual but
  // not written. The entries are formatted and written on a thread of their
  // own, so a slow disk holds up neither the window nor the list.
  const std::uint64_t count = model.ShownCount();
  QProgressDialog progress(ResText(8212), ResText(8213), 0, 1000, parent);
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(1000);
  progress.setValue(0);
  std::atomic<std::uint64_t> written = 0;
  std::atomic<bool> cancel = false;
  std::atomic<bool> done = false;
  ExportResult result;
  std::thread worker([&] {
    RunBelowTraffic();
    result = ExportList(
        model, count, *path,
        [&](std::uint64_t sofar) {
          written.store(sofar, std::memory_order_relaxed);
          return !cancel.load(std::memory_order_relaxed);
        },
        format);
    done = true;
    QMetaObject::invokeMethod(
        &progress, [] {}, Qt::QueuedConnection);  // wakes the loop below
  });
  // Until the dialog is up (after a second), the window takes no input; once
  // it is, its modality holds the window's input and Cancel works.
  QTimer tick;
  tick.start(kExportProgressMs);
  QObject::connect(&tick, &QTimer::timeout, &progress, [&] {
    progress.setValue(
        static_cast<int>(written.load(std::memory_order_relaxed) * 1000 / std::max<std::uint64_t>(count, 1)));
    if (progress.wasCanceled()) cancel = true;
  });
  while (!done) {
    QApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                (progress.isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents));
  }
  worker.join();
  progress.close();
  if (result.listCleared) {
    CurrentPlatform().ShowMessage(fkt_LoadResText(8214), fkt_LoadResText(7420), MessageIcon::Error);
  } else if (!result.cancelled && !result.status.Ok()) {
    ShowFileError(FileError::CannotWrite, *path, result.status);
  }
}

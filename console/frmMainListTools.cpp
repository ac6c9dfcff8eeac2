// The operator's tools on the traffic list beyond the design: their menu
// entries, the counters and reply times in the status bar, copying the
// selected entries and saving the whole list to a file.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QProgressDialog>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "console/CountersPanel.h"
#include "console/TrafficView.h"
#include "console/frmMain.h"
#include "core/AppSettings.h"
#include "core/FileErrorMessage.h"
#include "core/Platform.h"
#include "core/StringTable.h"
#include "platform/QtText.h"
#include "platform/WidgetBuilding.h"
#include "traffic/ListExport.h"
#include "traffic/TrafficListModel.h"
#include "traffic/TrafficSession.h"

namespace {
// Beyond this much text a copy is refused with a pointer to "Save list as...":
// a clipboard is no place for it, and building it would hold the window up.
constexpr std::size_t kClipboardLimitMiB = 16;
constexpr std::size_t kClipboardLimit = kClipboardLimitMiB << 20;
// How often the progress dialog shows how far an export has come.
constexpr int kExportProgressMs = 50;
}  // namespace

void frmMain::CreateListTools() {
  // At the end of the existing menus; none of the shortcuts is F1..F8,
  // Enter or Esc.
  mnuFile->addSeparator()->setObjectName("mnuSpace2");
  mnuFileSaveList = mnuFile->addAction(QString());
  mnuFileSaveList->setObjectName("mnuFileSaveList");
  connect(mnuFileSaveList, &QAction::triggered, this, [this] { mnuFileSaveList_Click(); });

  mnuEdit->addSeparator()->setObjectName("mnuSpace3");
  mnuEditCopy = mnuEdit->addAction(QString());
  mnuEditCopy->setObjectName("mnuEditCopy");
  // A text field with the focus keeps Ctrl+C for its own text.
  mnuEditCopy->setShortcut(QKeySequence::Copy);
  connect(mnuEditCopy, &QAction::triggered, this, [this] { CopySelection(); });
  mnuEditFind = mnuEdit->addAction(QString());
  mnuEditFind->setObjectName("mnuEditFind");
  mnuEditFind->setShortcut(QKeySequence::Find);
  connect(mnuEditFind, &QAction::triggered, this, [this] { ShowFindBar(); });

  // The design's panel keeps the room its text needs; the counters take
  // what is left, in their compact form at the window's minimum width.
  stbCounters =
      Named(new CountersPanel(
                [this] {
                  const auto now = std::chrono::steady_clock::now().time_since_epoch();
                  return session_->ReadCounters(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
                },
                statusBar()),
            "stbCounters");
  statusBar()->addPermanentWidget(stbCounters);
}

void frmMain::CopySelection() {
  const EntrySelection& selection = lstSendReceive->Selection();
  const std::uint64_t shown = trafficList_->ShownCount();
  std::string text;
  TrafficListModel::TextBuffers buffers;
  for (const auto& [begin, end] : selection.Runs()) {
    for (std::uint64_t entry = begin; entry < std::min(end, shown); ++entry) {
      if (!text.empty()) text += '\n';
      text += trafficList_->NotationText(entry, buffers);
      if (text.size() > kClipboardLimit) {
        CurrentPlatform().ShowMessage(fkt_FormatInsertParam(fkt_LoadResText(8215), std::to_string(kClipboardLimitMiB)),
                                      std::string(), MessageIcon::Information);
        return;
      }
    }
  }
  if (!text.empty()) QApplication::clipboard()->setText(ToQString(text));
}

void frmMain::mnuFileSaveList_Click() {
  if (exporting_) return;
  FileDialogRequest request;
  request.title = fkt_LoadResText(8200);
  request.filter = fkt_LoadResText(8201);
  request.initialFolder = AppSettings.SettingsFolder;
  request.proposedName = "TelvaneList.txt";
  request.defaultExtension = "txt";
  const std::optional<std::string> path = CurrentPlatform().AskSaveFileName(request);
  if (!path || path->empty()) return;

  // Every entry listed now; what arrives meanwhile is listed as usual but
  // not written. The entries are formatted and written on a thread of their
  // own, so a slow disk holds up neither the window nor the list.
  const std::uint64_t count = trafficList_->ShownCount();
  exporting_ = true;
  QProgressDialog progress(ResText(8212), ResText(8213), 0, 1000, this);
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(1000);
  progress.setValue(0);
  std::atomic<std::uint64_t> written = 0;
  std::atomic<bool> cancel = false;
  std::atomic<bool> done = false;
  ExportResult result;
  std::thread worker([&] {
    result = ExportList(*trafficList_, count, *path, [&](std::uint64_t sofar) {
      written.store(sofar, std::memory_order_relaxed);
      return !cancel.load(std::memory_order_relaxed);
    });
    done = true;
    QMetaObject::invokeMethod(
        &progress, [] {}, Qt::QueuedConnection);  // wakes the loop below
  });
  // Until the dialog is up (after a second), the window takes no input; once
  // it is, its modality holds the window's input and Cancel works.
  QTimer tick;
  tick.start(kExportProgressMs);
  connect(&tick, &QTimer::timeout, &progress, [&] {
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
  exporting_ = false;
  if (result.listCleared) {
    CurrentPlatform().ShowMessage(fkt_LoadResText(8214), fkt_LoadResText(7420), MessageIcon::Error);
  } else if (!result.cancelled && !result.status.Ok()) {
    ShowFileError(FileError::CannotWrite, *path, result.status);
  }
}

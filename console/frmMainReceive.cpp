// The receive path: listing and logging arrived datagrams, the data-log
// switch, the clear button and the full view of one entry.
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "console/CountersPanel.h"
#include "console/TrafficView.h"
#include "console/frmMain.h"
#include "core/AppSettings.h"
#include "core/FileErrorMessage.h"
#include "core/Platform.h"
#include "core/StringTable.h"
#include "notation/FrameCheck.h"
#include "notation/Notation.h"
#include "platform/QtText.h"
#include "traffic/TimeOfDay.h"
#include "traffic/TrafficListModel.h"

void frmMain::fkt_ReceiveData(std::string_view datagram) {
  const std::int64_t now = UtcMicroseconds();
  // A frame with a wrong block check is marked in the list and counted.
  const std::optional<FrameBlockCheck> frame = CheckFrame(datagram);
  const bool badFrame = frame && !frame->Valid();
  counters_.Received(now, badFrame);
  if (AppSettings.Peculiar == 1) {
    trafficList_->Append(TrafficListModel::Kind::IncomingDisplay, now, datagram, badFrame);
    if (LogStream.IsOpen()) {
      char stamp[12];
      FormatTimeOfDay(MillisecondOfDay(now), ':', stamp);
      LogStream.WriteLine(std::string_view(stamp, sizeof stamp), datagram);
    }
  } else {
    trafficList_->Append(TrafficListModel::Kind::IncomingRaw, now, datagram, badFrame);
    if (LogStream.IsOpen()) {
      char stamp[12];
      FormatTimeOfDay(MillisecondOfDay(now), ':', stamp);
      LogStream.WriteLine(std::string_view(stamp, sizeof stamp), fkt_RawToSpecialChars(std::string(datagram)));
    }
  }
  // Selection, scroll position and the clear button stay as they are.
}

void frmMain::ReceiveBatchEnd() {
  ScheduleListRefresh();
  stbCounters->ScheduleRefresh();
  // The log is written now, so nothing listed is lost if the program is killed.
  std::string reason;
  if (LogStream.IsOpen() && !LogStream.Flush(&reason)) StopLoggingAfterFailure(reason);
}

void frmMain::ScheduleListRefresh() {
  // A datagram that comes alone is listed on the next pass of the event loop;
  // while they flood in, the list takes them in once per display frame.
  if (listRefresh_->isActive()) return;
  listRefresh_->start(static_cast<int>(std::max<qint64>(0, kFloodRefreshMs - sinceListRefresh_.elapsed())));
}

void frmMain::ReportStoreFailure(const std::string& reason) {
  const std::string limitMiB = std::to_string(trafficList_->Store().MemoryLimit() >> 20);
  CurrentPlatform().ShowMessage(fkt_FormatInsertParam(fkt_LoadResText(8100), reason, limitMiB), fkt_LoadResText(7420),
                                MessageIcon::Error);
}

void frmMain::StopLoggingAfterFailure(const std::string& reason) {
  const std::string path = LogStream.Path();
  std::string ignored;
  LogStream.Close(&ignored);
  chkDatalogging->setChecked(false);
  // Reported after the current event, so no receive slice waits on the box.
  QTimer::singleShot(0, this, [path, reason] { ShowFileError(FileError::LogCannotWrite, path, reason); });
}

void frmMain::chkDatalogging_Click() {
  std::string reason;
  if (!chkDatalogging->isChecked()) {
    if (!LogStream.Close(&reason)) StopLoggingAfterFailure(reason);
    return;
  }
  // Ticking the box starts the log afresh: an existing file is emptied.
  const std::string path = QFile::encodeName(txtFilename->text()).toStdString();
  const FileStatus opened = LogStream.Open(path);
  if (!opened.Ok()) {
    chkDatalogging->setChecked(false);
    ShowFileError(FileError::LogCannotOpen, FromQString(txtFilename->text()), opened);
  }
}

void frmMain::cmdDelete_Click() {
  trafficList_->Clear();
  counters_.Clear();
  stbCounters->Refresh();
  cmdDelete->setEnabled(false);
}

void frmMain::lstSendReceive_DblClick(std::uint64_t entry) {
  const std::string prompt = fkt_LoadResText(1050) + " " + std::to_string(entry + 1);
  CurrentPlatform().InputBox(prompt, std::string(), trafficList_->EntryText(entry));
}

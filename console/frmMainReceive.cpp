// The receive path: listing and logging arrived datagrams, the data-log
// switch, the clear button and the full view of one entry.
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include "console/CountersPanel.h"
#include "console/EntryBytes.h"
#include "console/ListTools.h"
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
#include "traffic/TrafficSession.h"

void frmMain::fkt_ReceiveData() {
  // Selection, scroll position and the clear button stay as they are.
  trafficList_->ScheduleCommit(kFloodRefreshMs);
  listTools_->Counters().ScheduleRefresh();
}

void frmMain::ReportStoreFailure(const std::string& reason) {
  const std::string limitMiB = std::to_string(trafficList_->Store().MemoryLimit() >> 20);
  CurrentPlatform().ShowMessage(fkt_FormatInsertParam(fkt_LoadResText(8100), reason, limitMiB), fkt_LoadResText(7420),
                                MessageIcon::Error);
}

void frmMain::ReportLogFailure(const std::string& path, const std::string& reason) {
  // The box was unticked and ticked again meanwhile: the new log runs.
  if (!session_->Logging()) chkDatalogging->setChecked(false);
  ShowFileError(FileError::LogCannotWrite, path, reason);
}

void frmMain::chkDatalogging_Click() {
  const std::string path = QFile::encodeName(txtFilename->text()).toStdString();
  std::string reason;
  if (!chkDatalogging->isChecked()) {
    if (!session_->StopLog(&reason)) ShowFileError(FileError::LogCannotWrite, path, reason);
    return;
  }
  // Ticking the box starts the log afresh: an existing file is emptied.
  const FileStatus opened = session_->StartLog(path);
  if (!opened.Ok()) {
    chkDatalogging->setChecked(false);
    ShowFileError(FileError::LogCannotOpen, FromQString(txtFilename->text()), opened);
  }
}

void frmMain::cmdDelete_Click() {
  session_->Clear();
  listTools_->Counters().Refresh();
  cmdDelete->setEnabled(false);
}

void frmMain::lstSendReceive_DblClick(std::uint64_t entry) {
  const std::string prompt = fkt_LoadResText(1050) + " " + std::to_string(entry + 1);
  ShowEntryWithHex(*trafficList_, entry, prompt);
}

// The send path: the send line, the send button and the block-check button.
#include <QLineEdit>
#include <QPushButton>

#include "console/CountersPanel.h"
#include "console/ListTools.h"
#include "console/TrafficView.h"
#include "console/frmMain.h"
#include "core/AppSettings.h"
#include "core/Platform.h"
#include "core/RunTimeError.h"
#include "notation/BlockCheck.h"
#include "notation/Notation.h"
#include "platform/QtText.h"
#include "traffic/TrafficListModel.h"
#include "traffic/TrafficSession.h"
#include "traffic/UdpLink.h"

void frmMain::fkt_SendLine(const std::string& notationLine) {
  std::string line = notationLine;
  std::string raw = fkt_SpecialCharsToRaw(line);
  // With "Append block check when sending", a frame that ends in ETX gets
  // its check here, in both forms, so the entry shows what was sent.
  if (AppSettings.AppendBlockCheck == 1) {
    if (const std::optional<std::uint8_t> check = MissingBlockCheck(raw)) {
      line.append(1, '<').append(std::to_string(*check)).append(1, '>');
      raw.push_back(static_cast<char>(*check));
    }
  }
  const bool transmit = wskPort->State() == UdpLink::StateBound;
  const std::optional<std::uint64_t> entry = session_->Send(line, raw, transmit);
  listTools_->Counters().ScheduleRefresh();
  // The sent line is selected; entries received before it are listed above it.
  trafficList_->Commit();
  if (entry) lstSendReceive->SelectEntry(*entry);
  cmdDelete->setEnabled(true);
}

void frmMain::ShowSendError(const RunTimeError& error) {
  CurrentPlatform().ShowMessage(
      "Beschreibung: " + error.Description() + "\r\nFehler: " + std::to_string(error.Number()), std::string(),
      MessageIcon::None);
}

std::string frmMain::WithPrefixAndSuffix(std::string line) {
  if (AppSettings.PrefixOption == 1) line = AppSettings.PrefixChars + line;
  if (AppSettings.ReadjustOption == 1) line += AppSettings.ReadjustChars;
  return line;
}

void frmMain::cmdSend_Click() {
  if (txtSend->text().isEmpty()) return;
  // Kept before the send: a line that fails to convert is recalled to mend.
  sendHistory_.Add(FromQString(txtSend->text()));
  try {
    fkt_SendLine(WithPrefixAndSuffix(FromQString(txtSend->text())));
    if (AppSettings.DeleteSendChars == 1) txtSend->clear();
  } catch (const RunTimeError& error) {
    ShowSendError(error);
  }
}

void frmMain::txtSend_Recall(bool older) {
  const std::optional<std::string> line =
      older ? sendHistory_.Older(FromQString(txtSend->text())) : sendHistory_.Newer();
  if (line) txtSend->setText(ToQString(*line));
}

void frmMain::txtSend_Change() {
  // The send button follows the line and the link (the first slot button is
  // enabled exactly while the link is usable).
  cmdSend->setEnabled(!txtSend->text().isEmpty() && cmdBefehl[0]->isEnabled());
}

void frmMain::cmdBlockcheck_Click() {
  // A line that cannot be converted stays as it is; the error is shown as the
  // send button shows it.
  try {
    txtSend->setText(ToQString(fkt_AppendBlockCheck(FromQString(txtSend->text()))));
  } catch (const RunTimeError& error) {
    ShowSendError(error);
  }
}

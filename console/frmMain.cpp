#include "console/frmMain.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>

#include "console/CommandSlotTexts.h"
#include "console/CountersPanel.h"
#include "console/FindBar.h"
#include "console/TrafficView.h"
#include "core/AppSettings.h"
#include "core/RunTimeError.h"
#include "core/StringTable.h"
#include "dialogs/Dialogs.h"
#include "dialogs/EventGuard.h"
#include "platform/NotationField.h"
#include "platform/ProgramFont.h"
#include "platform/QtText.h"
#include "platform/Twips.h"
#include "platform/WidgetBuilding.h"
#include "traffic/TrafficListModel.h"
#include "traffic/TrafficSession.h"
#include "traffic/UdpLink.h"

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName("frmMain");
  // The resources live in a static library; this keeps them linked in.
  Q_INIT_RESOURCE(resources);
  setWindowIcon(QIcon(":/telvane/telvane.png"));
  CreateControls();
  CreateMenus();
  CreateListTools();
  // The settings load and save at start and exit fill and write the slots.
  SetCommandConfigHooks([this](const std::string& path) { fkt_LoadCommandConfig(path); },
                        [this](const std::string& path) { fkt_SaveCommandConfig(path); });
  // A change of the settings while the program runs is checked at once; the
  // display kind counts from the next datagram on.
  SetSettingsChangedHook([this] {
    session_->SetPeculiar(AppSettings.Peculiar);
    WakeSupervision();
  });
  SetDesignGeometry();
  SetTabOrder();
  RouteKeys();
}

frmMain::~frmMain() {
  SetCommandConfigHooks(nullptr, nullptr);
  SetSettingsChangedHook(nullptr);
  SetSpecialCharTargetField(kSpecialCharTargetSend, nullptr);
}

void frmMain::CreateControls() {
  client_ = new QWidget(this);
  client_->setObjectName("client");
  setCentralWidget(client_);

  labSendText = Named(new QLabel(client_), "labSendText");
  txtSend = Named(new QLineEdit(client_), "txtSend");
  txtSend->setFont(ConsoleFont());
  MakeNotationField(txtSend);
  cmdInsertSpecialChar = Named(new QPushButton(client_), "cmdInsertSpecialChar");
  cmdBlockcheck = Named(new QPushButton(client_), "cmdBlockcheck");
  cmdSend = Named(new QPushButton(client_), "cmdSend");
  labSendReceiveText = Named(new QLabel(client_), "labSendReceiveText");
  session_ = new TrafficSession(this);
  wskPort = &session_->Link();
  trafficList_ = &session_->List();
  lstSendReceive = Named(new TrafficView(*trafficList_, client_), "lstSendReceive");
  lstSendReceive->setFont(ConsoleFont());

  fraCommands = Named(new QGroupBox(client_), "fraCommands");
  for (int n = 0; n < kSlotCount; ++n) {
    const std::string number = std::to_string(n + 1);
    cmdBefehl[n] = new QPushButton(fraCommands);
    cmdBefehl[n]->setObjectName(QString::fromStdString("cmdBefehl" + number));
    txtBefehl[n] = new QLineEdit(fraCommands);
    txtBefehl[n]->setObjectName(QString::fromStdString("txtBefehl" + number));
    MakeNotationField(txtBefehl[n]);
  }
  // Slots 1 and 2 hold the fixed sample frames; their fields are never editable.
  cmdBefehl[0]->setText(ToQString(kSampleCaption1));
  cmdBefehl[1]->setText(ToQString(kSampleCaption2));
  txtBefehl[0]->setText(ToQString(kSampleCommand1));
  txtBefehl[1]->setText(ToQString(kSampleCommand2));
  txtBefehl[0]->setEnabled(false);
  txtBefehl[1]->setEnabled(false);

  cmdDelete = Named(new QPushButton(client_), "cmdDelete");
  cmdQuit = Named(new QPushButton(client_), "cmdQuit");
  chkDatalogging = Named(new QCheckBox("Datenlogging", client_), "chkDatalogging");
  txtFilename = Named(new QLineEdit(client_), "txtFilename");

  statusBar()->setObjectName("stbStatus");
  statusBar()->setSizeGripEnabled(true);
  statusBar()->setFixedHeight(Px(375));
  stbStatusPanel1 = Named(new QLabel(statusBar()), "stbStatusPanel1");
  statusBar()->addWidget(stbStatusPanel1, 1);

  timTimer = new QTimer(this);
  timTimer->setObjectName("timTimer");
  timTimer->setInterval(10);
  connect(timTimer, &QTimer::timeout, this, [this] { timTimer_Timer(); });
  supervisionWake_ = new QTimer(this);
  supervisionWake_->setSingleShot(true);
  supervisionWake_->setInterval(0);
  connect(supervisionWake_, &QTimer::timeout, this, [this] {
    if (supervising_) timTimer_Timer();
  });

  listRefresh_ = new QTimer(this);
  listRefresh_->setSingleShot(true);
  connect(listRefresh_, &QTimer::timeout, this, [this] {
    sinceListRefresh_.start();
    trafficList_->Commit();
  });
  sinceListRefresh_.start();
  // Reported after the current event, so no receive slice waits on the box.
  connect(
      trafficList_, &TrafficListModel::StoreFailed, this,
      [this](const QByteArray& reason) { ReportStoreFailure(reason.toStdString()); }, Qt::QueuedConnection);

  connect(session_, &TrafficSession::EntriesArrived, this, [this] { fkt_ReceiveData(); });
  connect(session_, &TrafficSession::LinkFailed, this, [this] { WakeSupervision(); });
  connect(session_, &TrafficSession::LogFailed, this, [this](const QByteArray& path, const QByteArray& reason) {
    ReportLogFailure(path.toStdString(), reason.toStdString());
  });

  // Enabled states before the link supervision first runs.
  for (QWidget* w :
       {static_cast<QWidget*>(txtSend), static_cast<QWidget*>(cmdInsertSpecialChar), static_cast<QWidget*>(cmdSend),
        static_cast<QWidget*>(lstSendReceive), static_cast<QWidget*>(cmdBefehl[0]), static_cast<QWidget*>(cmdBefehl[1]),
        static_cast<QWidget*>(cmdDelete)}) {
    w->setEnabled(false);
  }

  // A focused button takes Enter as its own press, as buttons on a dialog do.
  for (QPushButton* button : client_->findChildren<QPushButton*>()) button->setAutoDefault(true);

  connect(cmdQuit, &QPushButton::clicked, this, [this] { cmdQuit_Click(); });
  connect(cmdSend, &QPushButton::clicked, this, [this] { cmdSend_Click(); });
  connect(txtSend, &QLineEdit::textChanged, this, [this] { txtSend_Change(); });
  connect(cmdBlockcheck, &QPushButton::clicked, this, [this] { cmdBlockcheck_Click(); });
  // The special-character picker types its token into the send line.
  SetSpecialCharTargetField(kSpecialCharTargetSend, txtSend);
  connect(cmdInsertSpecialChar, &QPushButton::clicked, this, [] { fkt_FormsShowSpecialChar(kSpecialCharTargetSend); });
  connect(cmdDelete, &QPushButton::clicked, this, [this] { cmdDelete_Click(); });
  connect(chkDatalogging, &QCheckBox::clicked, this, [this] { chkDatalogging_Click(); });
  connect(lstSendReceive, &TrafficView::EntryDoubleClicked, this,
          [this](quint64 entry) { lstSendReceive_DblClick(entry); });
  for (int n = 0; n < kSlotCount; ++n) {
    connect(cmdBefehl[n], &QPushButton::clicked, this, [this, n] { cmdBefehl_Click(n + 1); });
  }
  // Esc presses the quit button, the window's cancel button.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, cmdQuit, [this] { cmdQuit->click(); });
}

void frmMain::CreateMenus() {
  mnuFile = menuBar()->addMenu(QString());
  mnuFile->setObjectName("mnuFile");
  mnuFileLoadConfig = mnuFile->addAction(QString());
  mnuFileLoadConfig->setObjectName("mnuFileLoadConfig");
  mnuFileSaveConfig = mnuFile->addAction(QString());
  mnuFileSaveConfig->setObjectName("mnuFileSaveConfig");
  mnuFile->addSeparator()->setObjectName("mnuSpace1");
  mnuFileQuit = mnuFile->addAction(QString());
  mnuFileQuit->setObjectName("mnuFileQuit");
  connect(mnuFileQuit, &QAction::triggered, this, [this] { cmdQuit_Click(); });
  connect(mnuFileLoadConfig, &QAction::triggered, this, [this] { fkt_LoadCommandConfig(std::string()); });
  connect(mnuFileSaveConfig, &QAction::triggered, this, [this] { fkt_SaveCommandConfig(std::string()); });

  mnuEdit = menuBar()->addMenu(QString());
  mnuEdit->setObjectName("mnuEdit");
  mnuEditSettings = mnuEdit->addAction(QString());
  mnuEditSettings->setObjectName("mnuEditSettings");
  connect(mnuEditSettings, &QAction::triggered, this, [this] { mnuEditSettings_Click(); });

  mnuQuestion = menuBar()->addMenu(QString());
  mnuQuestion->setObjectName("mnuQuestion");
  mnuQuestionProgramInfo = mnuQuestion->addAction(QString());
  mnuQuestionProgramInfo->setObjectName("mnuQuestionProgramInfo");
  connect(mnuQuestionProgramInfo, &QAction::triggered, this, [this] { ShowProgramInfoDialog(this); });
}

void frmMain::SetTabOrder() {
  // The design's tab order; labels, the frame and the status bar take no focus.
  std::vector<QWidget*> order = {txtSend, cmdInsertSpecialChar, cmdSend};
  order.insert(order.end(), txtBefehl.begin(), txtBefehl.end());
  order.insert(order.end(), cmdBefehl.begin(), cmdBefehl.end());
  order.insert(order.end(), {cmdDelete, cmdQuit, lstSendReceive, cmdBlockcheck, chkDatalogging, txtFilename});
  for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
  tabOrder_ = order;
}

void frmMain::Form_Load() {
  // Start-up runs before the event loop, so nothing else would catch a
  // failure here: each step is guarded like an event handler, and the window
  // comes up with its timer running whatever one of them met.
  GuardEvent("fkt_LoadSettings", [] { fkt_LoadSettings(); });
  session_->SetPeculiar(AppSettings.Peculiar);
  GuardEvent("fkt_InterfaceOpen", [this] { fkt_InterfaceOpen(); });
  GuardEvent("Form_Load", [this] {
    ApplyLanguageTexts();
    for (QLineEdit* field : txtBefehl) field->setToolTip(field->text());
    txtFilename->setText(ToQString(AppSettings.SettingsFolder + "TelvaneDatalogging.txt"));

    // The window opens at its minimum size; the client area is 10650 x 8280.
    ApplyMinimumSize();
    resize(minimumSize());

    // The focus goes to the first enabled control in tab order.
    for (QWidget* w : tabOrder_) {
      if (w->isEnabled()) {
        w->setFocus();
        break;
      }
    }
  });
  supervising_ = true;
  timTimer->start();
}

void frmMain::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  supervising_ = false;
  timTimer->stop();
  // Each file is saved and reported on its own; nothing here may keep the
  // log from being closed.
  GuardEvent("fkt_SaveSettings", [] { fkt_SaveSettings(); });
  std::string reason;
  session_->StopLog(&reason);
}

void frmMain::closeEvent(QCloseEvent* event) {
  Form_Unload();
  event->accept();
}

void frmMain::cmdQuit_Click() { close(); }

void frmMain::mnuEditSettings_Click() {
  ShowSettingsDialog(this);
  // Accepted or cancelled: the link is bound again and the texts re-applied.
  RequestRebind();
  ApplyLanguageTexts();
}

void frmMain::cmdBefehl_Click(int slot) {
  // A slot sends its text as it stands: no prefix, suffix or clearing.
  try {
    fkt_SendLine(FromQString(txtBefehl[slot - 1]->text()));
  } catch (const RunTimeError& error) {
    ShowSendError(error);
  }
}

void frmMain::ApplyLanguageTexts() {
  setWindowTitle(ResText(1000));
  mnuFile->setTitle(ResText(1001));
  mnuFileQuit->setText(ResText(1002));
  mnuFileLoadConfig->setText(ResText(1007));
  mnuFileSaveConfig->setText(ResText(1008));
  fraCommands->setTitle(ResText(1009));
  mnuEdit->setTitle(ResText(1003));
  mnuEditSettings->setText(ResText(1004));
  mnuQuestion->setTitle(ResText(1005));
  mnuQuestionProgramInfo->setText(ResText(1006));
  labSendText->setText(ResText(1030));
  labSendReceiveText->setText(ResText(1031));
  cmdInsertSpecialChar->setText(ResText(1032));
  cmdSend->setText(ResText(1033));
  cmdBlockcheck->setText(ResText(1037));
  cmdDelete->setText(ResText(1034));
  for (int n = 3; n <= kSlotCount; ++n) {
    const std::string number = std::to_string(n);
    cmdBefehl[n - 1]->setText(ToQString(fkt_FormatInsertParam(fkt_LoadResText(1035), number, number)));
  }
  cmdQuit->setText(ResText(1036));

  // The tools beyond the design.
  mnuFileSaveList->setText(ResText(8200));
  mnuEditCopy->setText(ResText(8202));
  mnuEditFind->setText(ResText(8203));
  stbCounters->ApplyLanguageTexts();
  if (findBar_ != nullptr) findBar_->ApplyLanguageTexts();
}

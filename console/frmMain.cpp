#include "console/frmMain.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>

#include "console/CommandSlotsFrame.h"
#include "console/FollowNewEntries.h"
#include "console/ListTools.h"
#include "console/MainMenus.h"
#include "console/RepeatTools.h"
#include "console/SendOptions.h"
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
#include "traffic/LinkSupervision.h"
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
  listTools_ = new ListTools(*this, *menus_->mnuFile, *menus_->mnuEdit, *session_, *lstSendReceive,
                             [this](int heightBefore, int change) { FitFindBar(heightBefore, change); });
  repeatTools_ = new RepeatTools(
      *this, *menus_->mnuEdit,
      [this] {
        const QString line = txtSend->text();
        return RepeatSources{line.isEmpty() ? std::string() : WithPrefixAndSuffix(FromQString(line)),
                             fraCommands->Texts()};
      },
      [this](const std::string& line) { fkt_SendLine(line); });
  connect(listTools_, &ListTools::CommandKeyPressed, this, [this](int keyCode) { fkt_PressCommandByKey(keyCode); });
  menus_->mnuEdit->addSeparator()->setObjectName("mnuSpace4");
  follow_ = new FollowNewEntries(*lstSendReceive, *trafficList_, *menus_->mnuEdit, *statusBar());
  sendOptions_ = new SendOptions(*menus_->mnuEdit);
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
  supervision_ = std::make_unique<LinkSupervision>(*wskPort);
  lstSendReceive = Named(new TrafficView(*trafficList_, client_), "lstSendReceive");
  lstSendReceive->setFont(ConsoleFont());

  fraCommands = new CommandSlotsFrame(client_);
  cmdBefehl = fraCommands->cmdBefehl;
  txtBefehl = fraCommands->txtBefehl;

  cmdDelete = Named(new QPushButton(client_), "cmdDelete");
  cmdQuit = Named(new QPushButton(client_), "cmdQuit");
  chkDatalogging = Named(new QCheckBox("Datenlogging", client_), "chkDatalogging");
  txtFilename = Named(new QLineEdit(client_), "txtFilename");

  statusBar()->setObjectName("stbStatus");
  statusBar()->setSizeGripEnabled(true);
  statusBar()->setFixedHeight(Px(375));
  stbStatusPanel1 = Named(new QLabel(statusBar()), "stbStatusPanel1");
  statusBar()->addWidget(stbStatusPanel1, 1);

  timTimer = Named(new QTimer(this), "timTimer");
  timTimer->setInterval(10);
  connect(timTimer, &QTimer::timeout, this, [this] { timTimer_Timer(); });
  supervisionWake_ = new QTimer(this);
  supervisionWake_->setSingleShot(true);
  supervisionWake_->setInterval(0);
  connect(supervisionWake_, &QTimer::timeout, this, [this] {
    if (supervising_) timTimer_Timer();
  });

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
  for (QWidget* w : std::initializer_list<QWidget*>{txtSend, cmdInsertSpecialChar, cmdSend, lstSendReceive,
                                                    cmdBefehl[0], cmdBefehl[1], cmdDelete}) {
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
  menus_ = std::make_unique<MainMenus>(*menuBar());
  connect(menus_->mnuFileQuit, &QAction::triggered, this, [this] { cmdQuit_Click(); });
  connect(menus_->mnuFileLoadConfig, &QAction::triggered, this, [this] { fkt_LoadCommandConfig(std::string()); });
  connect(menus_->mnuFileSaveConfig, &QAction::triggered, this, [this] { fkt_SaveCommandConfig(std::string()); });
  connect(menus_->mnuEditSettings, &QAction::triggered, this, [this] { mnuEditSettings_Click(); });
  connect(menus_->mnuQuestionProgramInfo, &QAction::triggered, this, [this] { ShowProgramInfoDialog(this); });
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
    follow_->TakeSettings();
    sendOptions_->TakeSettings();
    fraCommands->RefreshToolTips();
    txtFilename->setText(ToQString(AppSettings.SettingsFolder + "TelvaneDatalogging.txt"));

    // The window opens at its minimum size; the client area is 10650 x 8280.
    ApplyMinimumSize();
    resize(minimumSize());

    // The focus goes to the first enabled control in tab order.
    const auto first = std::find_if(tabOrder_.begin(), tabOrder_.end(), [](QWidget* w) { return w->isEnabled(); });
    if (first != tabOrder_.end()) (*first)->setFocus();
  });
  supervising_ = true;
  timTimer->start();
}

void frmMain::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  supervising_ = false;
  timTimer->stop();
  repeatTools_->Stop();
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
  menus_->ApplyLanguageTexts();
  labSendText->setText(ResText(1030));
  labSendReceiveText->setText(ResText(1031));
  cmdInsertSpecialChar->setText(ResText(1032));
  cmdSend->setText(ResText(1033));
  cmdBlockcheck->setText(ResText(1037));
  cmdDelete->setText(ResText(1034));
  fraCommands->ApplyLanguageTexts();
  cmdQuit->setText(ResText(1036));

  listTools_->ApplyLanguageTexts();
  follow_->ApplyLanguageTexts();
  sendOptions_->ApplyLanguageTexts();
  repeatTools_->ApplyLanguageTexts();
}

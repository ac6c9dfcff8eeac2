#pragma once
// The main window: the console's only top-level window and the start object.
//
// Form_Load runs the start-up sequence (settings, link state, language,
// tooltips, log path, timer); Form_Unload the shut-down (settings, log).
// Every control is placed at its design geometry in twips and moved by
// ResizeControls, not by layouts. Every focusable control hands its key code
// to fkt_PressCommandByKey first (CommandKeys), so F1..F8 press the command
// slots from anywhere; Enter presses the send button (the window's default
// button) and Esc the quit button (its cancel button).
//
// The window only shows: the traffic session does the sending, receiving,
// listing and logging, LinkSupervision decides the link's re-binds, and the
// tools on the list beyond the design are ListTools'.
#include <QMainWindow>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "console/SendLineHistory.h"

class CommandSlotsFrame;
struct ControlPlace;
class FollowNewEntries;
class LinkSupervision;
class ListTools;
struct MainMenus;
class RepeatTools;
class RunTimeError;
class SendOptions;
class TrafficListModel;
class TrafficSession;
class TrafficView;
class UdpLink;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;

class frmMain : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kSlotCount = 8;
  // While datagrams flood in, the list takes in new entries at most once per
  // this many ms (a display frame); otherwise at the next pass of the event loop.
  static constexpr int kFloodRefreshMs = 16;

  explicit frmMain(QWidget* parent = nullptr);
  ~frmMain() override;
  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;

  void Form_Load();
  void Form_Unload();

  void ApplyLanguageTexts();
  void ResizeControls();
  // Whether the layout may run at the outer size width x height (twips);
  // forces the window back to the minimum in its normal state.
  bool CheckMinimumSize(int minWidth, int minHeight, int width, int height);

  // The link (supervision tick, status panel, link-dependent controls).
  bool fkt_InterfaceOpen();
  bool fkt_InterfaceUpdateState();
  std::string fkt_InterfaceGetInfoText() const;
  void fkt_InterfaceEnableControls(bool enabled);
  void RequestRebind();
  bool IsRebindRequested() const;
  // Supervision ticks run so far (they stop while the link is steady).
  std::uint64_t SupervisionTicks() const { return supervisionTicks_; }

  // Sending: converts, sends while the link is open, lists. Throws
  // RunTimeError on a conversion or socket error, before anything is listed.
  void fkt_SendLine(const std::string& line);
  // Receiving: the session's receive thread listed and logged datagrams;
  // the list and the counters show them at their next refresh.
  void fkt_ReceiveData();

  void fkt_PressCommandByKey(int keyCode);

  // Command files: fill the eight slots from a file, or write them to one.
  // An empty path asks the operator with a file dialog first.
  void fkt_LoadCommandConfig(const std::string& path);
  void fkt_SaveCommandConfig(const std::string& path);

  TrafficSession& Session() { return *session_; }
  UdpLink& Link() { return *wskPort; }
  TrafficListModel& TrafficList() { return *trafficList_; }
  TrafficView& TrafficListView() { return *lstSendReceive; }

  // The outer size the layout works with, in twips (see OuterSizeTwips()).
  QSize OuterSizeTwips() const;

  ListTools& Tools() { return *listTools_; }
  RepeatTools& Repeat() { return *repeatTools_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  // No menu of toolbars on a right click: the find bar is opened by Ctrl+F.
  QMenu* createPopupMenu() override { return nullptr; }

 private:
  void CreateControls();
  void CreateMenus();
  void SetTabOrder();
  void RouteKeys();
  void SetDesignGeometry();
  void ApplyMinimumSize();
  // After the find bar was shown or hidden (ListTools::FitFindBar).
  void FitFindBar(int heightBefore, int change);

  void cmdQuit_Click();
  void mnuEditSettings_Click();
  void cmdSend_Click();
  // The send line's text with the prefix and suffix the settings add.
  static std::string WithPrefixAndSuffix(std::string line);
  void cmdBefehl_Click(int slot);
  void cmdBlockcheck_Click();
  void cmdDelete_Click();
  void chkDatalogging_Click();
  void lstSendReceive_DblClick(std::uint64_t entry);
  void txtSend_Change();
  // Up (older) or Down in the send line: the lines sent from it.
  void txtSend_Recall(bool older);
  void ShowSendError(const RunTimeError& error);
  void ReportStoreFailure(const std::string& reason);
  // Writing the data log failed and the session closed it: the box is
  // unticked and the failure reported.
  void ReportLogFailure(const std::string& path, const std::string& reason);
  void txtBefehl_KeyUp(QLineEdit* field, int keyCode);
  void timTimer_Timer();
  // Runs a supervision tick on the next pass of the event loop.
  void WakeSupervision();

  // Controls, named as the window's design names them.
  QWidget* client_ = nullptr;
  QLabel* labSendText = nullptr;
  QLineEdit* txtSend = nullptr;
  QPushButton* cmdInsertSpecialChar = nullptr;
  QPushButton* cmdBlockcheck = nullptr;
  QPushButton* cmdSend = nullptr;
  QLabel* labSendReceiveText = nullptr;
  TrafficView* lstSendReceive = nullptr;
  CommandSlotsFrame* fraCommands = nullptr;
  std::array<QPushButton*, kSlotCount> cmdBefehl{};
  std::array<QLineEdit*, kSlotCount> txtBefehl{};
  QPushButton* cmdDelete = nullptr;
  QPushButton* cmdQuit = nullptr;
  QCheckBox* chkDatalogging = nullptr;
  QLineEdit* txtFilename = nullptr;
  QLabel* stbStatusPanel1 = nullptr;
  QTimer* timTimer = nullptr;
  // The engine: the link, the list, the data log and the counters. wskPort
  // and trafficList_ are its link and list, which the window configures and shows.
  TrafficSession* session_ = nullptr;
  UdpLink* wskPort = nullptr;
  TrafficListModel* trafficList_ = nullptr;

  std::unique_ptr<MainMenus> menus_;
  ListTools* listTools_ = nullptr;
  FollowNewEntries* follow_ = nullptr;
  SendOptions* sendOptions_ = nullptr;
  RepeatTools* repeatTools_ = nullptr;

  SendLineHistory sendHistory_;
  std::vector<QWidget*> tabOrder_;
  // The controls that follow the window's size, and how.
  std::vector<std::pair<QWidget*, const ControlPlace*>> placed_;
  std::unique_ptr<LinkSupervision> supervision_;
  bool supervising_ = false;           // from the end of start-up to the unload
  QTimer* supervisionWake_ = nullptr;  // a tick on the next pass of the event loop
  std::uint64_t supervisionTicks_ = 0;
  bool unloaded_ = false;
};

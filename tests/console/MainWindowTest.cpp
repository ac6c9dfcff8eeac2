#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>

#include "core/CodePage.h"
#include "platform/QtText.h"
#include "tests/console/ConsoleFixture.h"

namespace {

QString Utf8(const char* text) { return QString::fromUtf8(text); }

struct Design {
  const char* name;
  int left, top, width, height;  // twips
};

// The controls' design geometry at the minimum window size.
const Design kDesign[] = {
    {"labSendText", 60, 120, 1620, 195},
    {"txtSend", 60, 360, 6915, 285},
    {"cmdInsertSpecialChar", 4560, 30, 2415, 315},
    {"cmdBlockcheck", 7080, 30, 3495, 315},
    {"cmdSend", 7080, 390, 3480, 405},
    {"labSendReceiveText", 60, 690, 2700, 195},
    {"lstSendReceive", 60, 930, 6915, 6180},
    {"fraCommands", 7080, 840, 3495, 6285},
    {"cmdDelete", 60, 7170, 2400, 315},
    {"cmdQuit", 7080, 7170, 3480, 375},
    {"chkDatalogging", 120, 7560, 1755, 255},
    {"txtFilename", 2040, 7530, 4875, 315},
    {"cmdBefehl1", 120, 240, 3300, 315},
    {"txtBefehl1", 120, 570, 3300, 315},
    {"cmdBefehl8", 120, 5490, 3300, 315},
    {"txtBefehl8", 120, 5820, 3300, 315},
};

QRect Px(const Design& d) { return {d.left / 15, d.top / 15, d.width / 15, d.height / 15}; }

using MainWindow = ConsoleFixture;

TEST_F(MainWindow, OpensAtAndNeverLaysOutBelowTheMinimumSize) {
  frmMain& w = Open();
  EXPECT_EQ(w.OuterSizeTwips(), QSize(10770, 9090));
  EXPECT_EQ(Control<QStatusBar>("stbStatus")->height(), 25);
  // Shrunk in both directions as a window manager may do it (Qt would clamp
  // a resize below its minimum before the layout ever saw it).
  const QSize minimum = w.minimumSize();
  w.setMinimumSize(0, 0);
  w.resize(w.width() - 110, w.height() - 70);
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.OuterSizeTwips() == QSize(10770, 9090); }, 1000));
  w.setMinimumSize(minimum);
  for (const Design& d : kDesign) EXPECT_EQ(Control(d.name)->geometry(), Px(d)) << d.name;
  // A minimized-like size is not laid out; a normal window below the minimum is forced back.
  EXPECT_FALSE(w.CheckMinimumSize(10770, 9090, 2999, 9090));
  EXPECT_FALSE(w.CheckMinimumSize(10770, 9090, 10770, 499));
  EXPECT_TRUE(w.CheckMinimumSize(10770, 9090, 10770, 9090));
  EXPECT_FALSE(w.CheckMinimumSize(10770, 9090, 10000, 9090));
}

TEST_F(MainWindow, GrowingMovesTheRightColumnAndTheBottomRow) {
  frmMain& w = Open();
  const int dx = 150;  // pixels
  const int dy = 90;
  w.resize(w.width() + dx, w.height() + dy);
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.OuterSizeTwips() == QSize(10770 + dx * 15, 9090 + dy * 15); }, 1000));
  struct Moved {
    const char* name = nullptr;
    QRect expected;
  };
  const Moved moved[] = {
      {"lstSendReceive", {4, 62, 461 + dx, 412 + dy}},
      {"txtSend", {4, 24, 461 + dx, 19}},
      {"cmdQuit", {472 + dx, 478 + dy, 232, 25}},
      {"cmdDelete", {4, 478 + dy, 160, 21}},
      {"cmdSend", {472 + dx, 26, 232, 27}},
      {"cmdBlockcheck", {472 + dx, 2, 233, 21}},
      {"cmdInsertSpecialChar", {304 + dx, 2, 161, 21}},
      {"fraCommands", {472 + dx, 56, 233, 419}},
      {"chkDatalogging", {8, 504 + dy, 117, 17}},
      {"txtFilename", {136, 502 + dy, 325, 21}},
      {"labSendText", {4, 8, 108, 13}},
      {"cmdBefehl3", {8, 116, 220, 21}},
  };
  for (const Moved& m : moved) EXPECT_EQ(Control(m.name)->geometry(), m.expected) << m.name;
}

TEST_F(MainWindow, StartStatesAndTabOrderBeforeTheLinkIsUp) {
  WriteSettings("Language=1\r\n");
  Open();
  struct State {
    const char* name;
    bool enabled;
  };
  const State states[] = {{"txtSend", false},    {"cmdInsertSpecialChar", false}, {"cmdBlockcheck", true},
                          {"cmdSend", false},    {"lstSendReceive", false},       {"cmdDelete", false},
                          {"cmdQuit", true},     {"chkDatalogging", true},        {"txtFilename", true},
                          {"cmdBefehl1", false}, {"cmdBefehl2", false},           {"cmdBefehl3", true},
                          {"cmdBefehl8", true},  {"txtBefehl1", false},           {"txtBefehl2", false},
                          {"txtBefehl3", true}};
  for (const State& s : states) EXPECT_EQ(Control(s.name)->isEnabled(), s.enabled) << s.name;
  EXPECT_EQ(Control<QLabel>("stbStatusPanel1")->text(), "Current state: Port closed.");
  EXPECT_EQ(Control<QLineEdit>("txtFilename")->text(),
            QString::fromStdString(platform.SettingsFolder() + "TelvaneDatalogging.txt"));
  EXPECT_EQ(Control<QLineEdit>("txtBefehl1")->toolTip(), "<STX>0,1,INFO?<ETX><179>");
  // The focus starts on the first enabled control, and the tab order follows the design.
  EXPECT_EQ(QApplication::focusWidget(), Control("txtBefehl3"));
  const char* order[] = {"txtBefehl3", "txtBefehl4",    "txtBefehl5",     "txtBefehl6", "txtBefehl7", "txtBefehl8",
                         "cmdBefehl3", "cmdBefehl4",    "cmdBefehl5",     "cmdBefehl6", "cmdBefehl7", "cmdBefehl8",
                         "cmdQuit",    "cmdBlockcheck", "chkDatalogging", "txtFilename"};
  QWidget* current = Control(order[0]);
  for (std::size_t i = 1; i < std::size(order); ++i) {
    QWidget* next = current->nextInFocusChain();
    while (next != nullptr && (!next->isEnabled() || next->focusPolicy() == Qt::NoFocus)) {
      next = next->nextInFocusChain();
    }
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->objectName(), order[i]) << "after " << order[i - 1];
    current = next;
  }
}

struct LanguageCase {
  int language;
  const char* title;
  const char* file;
  const char* settings;
  const char* frame;
  const char* send;
  const char* slot5;
  const char* quit;
  const char* status;
};

class MainWindowLanguage : public ConsoleFixture, public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(MainWindowLanguage, AppliesTheTextsOfTheChosenLanguage) {
  const LanguageCase& c = GetParam();
  WriteSettings("Language=" + std::to_string(c.language) + "\r\n");
  frmMain& w = Open();
  EXPECT_EQ(w.windowTitle(), Utf8(c.title));
  EXPECT_EQ(Control<QMenu>("mnuFile")->title(), Utf8(c.file));
  EXPECT_EQ(Control<QAction>("mnuEditSettings")->text(), Utf8(c.settings));
  EXPECT_EQ(Control<QGroupBox>("fraCommands")->title(), Utf8(c.frame));
  EXPECT_EQ(Control<QPushButton>("cmdSend")->text(), Utf8(c.send));
  EXPECT_EQ(Control<QPushButton>("cmdBefehl5")->text(), Utf8(c.slot5));
  EXPECT_EQ(Control<QPushButton>("cmdQuit")->text(), Utf8(c.quit));
  EXPECT_EQ(Control<QLabel>("stbStatusPanel1")->text(), Utf8(c.status));
  // Fixed captions in both languages.
  EXPECT_EQ(Control<QPushButton>("cmdBefehl1")->text(), "Sample Telvar-7 [F1]");
  EXPECT_EQ(Control<QCheckBox>("chkDatalogging")->text(), "Datenlogging");
}

INSTANTIATE_TEST_SUITE_P(
    Languages, MainWindowLanguage,
    ::testing::Values(LanguageCase{0, "Telvane", "Datei", "Voreinstellungen", "Befehls-Konfiguration", "Zeichen senden",
                                   "Befehl 5 [F5]", "Beenden", "Zustand: Port geschlossen."},
                      LanguageCase{1, "Telvane", "File", "General Settings", "Command Configuration", "Send Characters",
                                   "Command 5 [F5]", "Quit", "Current state: Port closed."}));

TEST_F(MainWindow, EscQuitsAndSavesTheSettings) {
  WriteSettings("UdpPort=7000\r\n");
  frmMain& w = Open();
  QTest::keyClick(Control("txtBefehl3"), Qt::Key_Escape);
  EXPECT_FALSE(w.isVisible());
  const std::string saved = ReadFile(std::filesystem::path(platform.SettingsFolder()) / "Settings.ini");
  EXPECT_NE(saved.find("UdpPort=7000\r\nUdpPortLocale=8364\r\n"), std::string::npos) << saved;
}

TEST_F(MainWindow, QuitButtonAndMenuUnloadOnce) {
  frmMain& w = Open();
  Control<QAction>("mnuFileQuit")->trigger();
  EXPECT_FALSE(w.isVisible());
  // A second unload does not save again over what the first wrote.
  const auto ini = std::filesystem::path(platform.SettingsFolder()) / "Settings.ini";
  std::filesystem::remove(ini);
  w.Form_Unload();
  EXPECT_FALSE(std::filesystem::exists(ini));
}

}  // namespace

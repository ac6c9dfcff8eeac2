// The Edit menu's remembered switches: following new entries, and the block
// check appended to a frame at send time.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>
#include <chrono>
#include <functional>

#include "console/FilterTools.h"
#include "console/ListTools.h"
#include "console/RepeatDialog.h"
#include "console/RepeatTools.h"
#include "platform/ElidedLabel.h"
#include "tests/console/LinkFixture.h"

namespace {

class Follow : public LinkFixture {
 protected:
  // Received entries, listed at once.
  void Arrive(int count) {
    TrafficListModel& list = window->TrafficList();
    for (int i = 0; i < count; ++i) list.Append(EntryKind::IncomingDisplay, 0, "entry");
    list.Commit();
  }
  bool LastRowWhole() {
    const std::uint64_t shown = window->TrafficList().ShownCount();
    return shown > 0 && shown - 1 >= View().TopEntry() &&
           shown - 1 < View().TopEntry() + static_cast<std::uint64_t>(View().PageRows());
  }
  bool PausedShown() { return Control<ElidedLabel>("stbFollowPaused")->isVisible(); }
  void ClickRow(int row) {
    QTest::mouseClick(View().viewport(), Qt::LeftButton, {}, QPoint(20, row * View().RowHeight() + 2));
  }
  void Wheel(int degreesTimesEight) {
    const QPointF at(20, 20);
    QWheelEvent wheel(at, View().viewport()->mapToGlobal(at), QPoint(), QPoint(0, degreesTimesEight), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(View().viewport(), &wheel);
  }
};

TEST_F(Follow, KeepsTheNewestInSightPausesWhereTheOperatorLooksAndResumesAtTheEnd) {
  OpenLinked("[CONSOLE]\r\nFollowNewEntries=1\r\n");
  EXPECT_TRUE(Control<QAction>("mnuEditFollow")->isChecked());
  Arrive(300);
  EXPECT_TRUE(LastRowWhole());
  EXPECT_FALSE(PausedShown());

  struct Step {
    const char* name;
    std::function<void()> act;
    bool paused;
  };
  const Step steps[] = {
      {"a click on a row", [&] { ClickRow(2); }, true},
      {"End", [&] { QTest::keyClick(&View(), Qt::Key_End); }, false},
      {"the wheel up", [&] { Wheel(120); }, true},
      {"the scroll bar to the bottom",
       [&] { View().verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum); }, false},
      {"Page Up", [&] { QTest::keyClick(&View(), Qt::Key_PageUp); }, true},
      {"a send",
       [&] {
         Control<QLineEdit>("txtSend")->setText("<STX>1<ETX>");
         Control<QPushButton>("cmdSend")->click();
       },
       false},
      {"the scroll bar a page up",
       [&] { View().verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub); }, true},
      {"Delete list", [&] { Control<QPushButton>("cmdDelete")->click(); }, false},
  };
  for (const Step& step : steps) {
    step.act();
    EXPECT_EQ(PausedShown(), step.paused) << step.name;
    const std::uint64_t top = View().TopEntry();
    Arrive(50);
    if (step.paused) {
      EXPECT_EQ(View().TopEntry(), top) << step.name;
    } else {
      EXPECT_TRUE(LastRowWhole()) << step.name;
    }
  }

  // The reply to a send shows whole under it.
  Arrive(100);
  Control<QPushButton>("cmdSend")->click();
  const std::uint64_t before = window->TrafficList().ShownCount();
  peer.writeDatagram(QByteArray("reply"), QHostAddress::LocalHost, static_cast<quint16>(localPort));
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->TrafficList().ShownCount() > before; }, 2000));
  EXPECT_EQ(WithoutTime(Entry(window->TrafficList().ShownCount() - 1)), "  [IN]   reply");
  EXPECT_TRUE(LastRowWhole());

  // Off, the list neither scrolls nor selects on receiving.
  Control<QAction>("mnuEditFollow")->trigger();
  EXPECT_FALSE(PausedShown());
  const std::uint64_t top = View().TopEntry();
  Arrive(50);
  EXPECT_EQ(View().TopEntry(), top);
}

struct BlockCheckCase {
  const char* name;
  const char* settings;
  const char* slot;  // the control that sends: the send line or a slot's field
  const char* line;
  QByteArray datagram;
  const char* entry;
};

class AppendBlockCheck : public LinkFixture, public ::testing::WithParamInterface<BlockCheckCase> {};

TEST_P(AppendBlockCheck, CompletesAFrameEndingInEtxAtSendTimeAndListsWhatWasSent) {
  const BlockCheckCase& c = GetParam();
  OpenLinked(c.settings);
  auto* field = Control<QLineEdit>(c.slot);
  field->setText(c.line);
  const std::string button = std::string(c.slot) == "txtSend" ? "cmdSend" : "cmdBefehl3";
  Control<QPushButton>(button.c_str())->click();
  EXPECT_EQ(PeerReceive(), c.datagram);
  EXPECT_EQ(WithoutTime(Entry(0)), c.entry);
  EXPECT_EQ(field->text(), c.line);  // the stored line stays without it
}

constexpr const char* kOn = "[CONSOLE]\r\nAppendBlockCheck=1\r\n";

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Frames, AppendBlockCheck,
    ::testing::Values(
        BlockCheckCase{"sendLine", kOn, "txtSend", "<STX>0,1,INFO?<ETX>",
                       QByteArray("\x02" "0,1,INFO?\x03\xB3"), "  [OUT]  <STX>0,1,INFO?<ETX><179>"},
        BlockCheckCase{"slot", kOn, "txtBefehl3", "<STX>0,1,INFO?<LF><ETX>",
                       QByteArray("\x02" "0,1,INFO?\n\x03\xB9"), "  [OUT]  <STX>0,1,INFO?<LF><ETX><185>"},
        // The suffix closes the frame; the check covers it.
        BlockCheckCase{"suffix", "ReadjustOption=1\r\nReadjustChars=<ETX>\r\n[CONSOLE]\r\nAppendBlockCheck=1\r\n",
                       "txtSend", "<STX>A", QByteArray("\x02" "A\x03\xC2"), "  [OUT]  <STX>A<ETX><194>"},
        BlockCheckCase{"carriesItsCheck", kOn, "txtSend", "<STX>0,1,INFO?<ETX><179>",
                       QByteArray("\x02" "0,1,INFO?\x03\xB3"), "  [OUT]  <STX>0,1,INFO?<ETX><179>"},
        BlockCheckCase{"noStx", kOn, "txtSend", "0,1<ETX>", QByteArray("0,1\x03"), "  [OUT]  0,1<ETX>"},
        BlockCheckCase{"switchedOff", "", "txtSend", "<STX>0,1,INFO?<ETX>",
                       QByteArray("\x02" "0,1,INFO?\x03"), "  [OUT]  <STX>0,1,INFO?<ETX>"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// Every tool of the menus used once: the design's keys of Settings.ini keep
// their lines, order and values; what is remembered goes into a section of
// its own, and nothing else is written.
using EveryTool = LinkFixture;

TEST_F(EveryTool, LeavesTheSettingsKeysAsTheyWereAndAddsOnlyItsOwnSection) {
  const std::string settings = "[SETTINGS]\r\n" +
                               LoopbackSettings(
                                   "Peculiar=1\r\nPrefixOption=0\r\nPrefixChars=<STX>\r\n"
                                   "ReadjustOption=0\r\nReadjustChars=<ETX>\r\nDeleteSendChars=0\r\n") +
                               "[OTHER]\r\nKept=yes\r\n";
  WriteFile(std::filesystem::path(platform.SettingsFolder()) / "Settings.ini", settings);
  frmMain& w = Open();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.Link().State() == UdpLink::StateBound; }, 2000));

  Control<QAction>("mnuEditFollow")->trigger();
  Control<QAction>("mnuEditAppendBlockCheck")->trigger();
  auto* line = Control<QLineEdit>("txtSend");
  line->setText("<STX>0,1,INFO?<ETX>");
  Control<QPushButton>("cmdSend")->click();
  PeerSend(
      QByteArray("\x02"
                 "0,1,OK\x03\x80"));  // a wrong block check
  QTest::keyClick(line, Qt::Key_Up);
  EXPECT_EQ(line->text(), "<STX>0,1,INFO?<ETX>");

  window->Tools().Filter().ShowFilterBar();
  Control<QComboBox>("cboFilterShow")->setCurrentIndex(3);  // wrong block checks only
  Control<QPushButton>("cmdFilterApply")->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return View().RowCount() == 1; }, 2000));
  window->Tools().Filter().HideFilterBar();
  window->Tools().Filter().StepWrongBlockCheck(true);
  Control<QAction>("mnuEditCopyHex")->trigger();
  QTest::mouseDClick(View().viewport(), Qt::LeftButton, {}, QPoint(20, 2));
  platform.fileAnswers = {(platform.root / "list.csv").string()};
  Control<QAction>("mnuFileSaveList")->trigger();

  RepeatRequest repeat;
  repeat.line = "<STX>0,1,INFO?<ETX>";
  repeat.period = std::chrono::milliseconds(5);
  repeat.periodText = "5 ms";
  repeat.count = 3;
  window->Repeat().Start(repeat);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Repeat().Running(); }, 5000));
  for (int sent = 0; sent < 4; ++sent) EXPECT_TRUE(PeerReceive().has_value()) << sent;

  window->close();
  EXPECT_EQ(ReadFile(std::filesystem::path(platform.SettingsFolder()) / "Settings.ini"),
            settings + "[CONSOLE]\r\nFollowNewEntries=1\r\nAppendBlockCheck=1\r\n");
}

}  // namespace

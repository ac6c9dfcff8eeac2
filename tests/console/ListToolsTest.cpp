// The operator's tools on the traffic list, in the window: frame marks and
// tooltips, the counters, copy, find and "Save list as...".
#include <QAction>
#include <QClipboard>
#include <QHelpEvent>
#include <QToolBar>
#include <QToolTip>

#include "console/EntryToolTip.h"
#include "console/ListTools.h"
#include "core/StringTable.h"
#include "platform/QtText.h"
#include "tests/console/LinkFixture.h"

namespace {

const QByteArray kGoodFrame(
    "\x02"
    "0,1,OK\x03\x86");
const QByteArray kBadFrame(
    "\x02"
    "0,1,OK\x03\x87");

class ListTools : public LinkFixture {
 protected:
  QString Counters() { return Control<QLabel>("stbCounters")->text(); }
  QPoint RowPoint(int row) { return {10, View().RowHeight() * row + 2}; }
  std::string ToolTip(std::uint64_t entry) { return EntryToolTip(window->TrafficList(), entry); }
  void ListSome() {
    window->fkt_SendLine("<STX>a<ETX>");
    for (const char* received : {"\x02"
                                 "b\x03",
                                 "c", "d"})
      window->Session().ReceiveData(received);
    window->fkt_SendLine("e");
    window->TrafficList().Commit();
  }
};

TEST_F(ListTools, ABadFrameIsMarkedExplainedAndCountedAndDeleteListResetsTheCounts) {
  OpenLinked();
  window->fkt_SendLine("<STX>0,1,INFO?<ETX><179>");
  ASSERT_TRUE(PeerReceive());
  PeerSend(kGoodFrame);
  PeerSend(kBadFrame);
  PeerSend("no frame");
  QTRY_VERIFY(window->TrafficList().ShownCount() == 4);
  const bool marked[] = {false, false, true, false};
  for (std::uint64_t n = 0; n < 4; ++n) EXPECT_EQ(window->TrafficList().IsBadFrame(n), marked[n]) << n;

  EXPECT_THAT(ToolTip(1), ::testing::StartsWith("Block check right: <134>\nReply time: "));
  EXPECT_THAT(ToolTip(2),
              ::testing::StartsWith("Wrong block check: expected <134>, received <135>\nTime since the last [OUT]: "));
  EXPECT_THAT(ToolTip(3), ::testing::StartsWith("Time since the last [OUT]: "));
  // A sent line has no verdict and no reply time: only its dates.
  EXPECT_THAT(ToolTip(0), ::testing::StartsWith("UTC: "));
  // The view shows it for the row under the mouse.
  QHelpEvent help(QEvent::ToolTip, RowPoint(2), View().viewport()->mapToGlobal(RowPoint(2)));
  QApplication::sendEvent(View().viewport(), &help);
  EXPECT_EQ(QToolTip::text().toStdString(), ToolTip(2));

  QTRY_VERIFY2(Counters().startsWith("Out: 1  In: 3 (") && Counters().contains("Bad BCC: 1   Reply: "),
               Counters().toUtf8());
  // Once nothing arrives any more, the rate falls to zero and the refreshes stop.
  QTRY_VERIFY_WITH_TIMEOUT(Counters().contains("(0/s)"), 3000);
  Control<QPushButton>("cmdDelete")->click();
  EXPECT_EQ(Counters(), "Out: 0  In: 0 (0/s)  Bad BCC: 0");
}

TEST_F(ListTools, CopyTakesTheExtendedSelectionInNotationAndASendSelectsItsEntryAlone) {
  OpenLinked("Peculiar=0\r\n");  // raw display: copied in notation all the same
  ListSome();
  View().setFocus();
  QTest::mouseClick(View().viewport(), Qt::LeftButton, {}, RowPoint(0));
  QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::ShiftModifier, RowPoint(2));
  QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::ControlModifier, RowPoint(4));
  QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::ControlModifier, RowPoint(1));
  QTest::keyClick(&View(), Qt::Key_C, Qt::ControlModifier);
  const QStringList lines = QApplication::clipboard()->text().split('\n');
  ASSERT_EQ(lines.size(), 3) << QApplication::clipboard()->text().toStdString();
  EXPECT_TRUE(lines[0].endsWith("  [OUT]  <2>a<3>"));
  EXPECT_EQ(lines[1], "c");
  EXPECT_TRUE(lines[2].endsWith("  [OUT]  e"));

  QTest::keyClick(&View(), Qt::Key_Home, Qt::ShiftModifier);  // from the anchor (entry 1) up
  EXPECT_EQ(View().Selection().Count(), 2U);
  window->fkt_SendLine("f");
  EXPECT_EQ(View().Selection().Runs(), (EntrySelection::Ranges{{5, 6}}));

  // In a text field Ctrl+C copies the field's text.
  auto* line = Control<QLineEdit>("txtSend");
  line->setText("typed");
  line->selectAll();
  line->setFocus();
  QTest::keyClick(line, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "typed");
}

TEST_F(ListTools, FindBarOpensBelowTheMenuWithoutMovingAControlAndEscClosesOnlyIt) {
  OpenLinked();
  ListSome();
  std::vector<QRect> before;
  const QList<QWidget*> controls = Control("client")->findChildren<QWidget*>();
  for (QWidget* w : controls) before.push_back(w->geometry());
  const int height = window->height();

  QTest::keyClick(Control("txtBefehl3"), Qt::Key_F, Qt::ControlModifier);
  auto* field = Control<QLineEdit>("txtFind");
  ASSERT_TRUE(field->isVisible());
  EXPECT_TRUE(field->hasFocus());
  const int bar = Control<QToolBar>("findBar")->height();
  QTRY_COMPARE(window->height(), height + bar);
  for (qsizetype n = 0; n < controls.size(); ++n) EXPECT_EQ(controls[n]->geometry(), before[n]) << n;

  QTest::keyClicks(field, "[in]");
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_EQ(View().CurrentEntry(), 1U);
  QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);  // back round the start
  EXPECT_EQ(View().CurrentEntry(), 3U);
  EXPECT_EQ(Control<QLabel>("labFindResult")->text(), "Continued from the bottom.");
  field->setText("nowhere");
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_EQ(Control<QLabel>("labFindResult")->text(), "Not found.");
  EXPECT_EQ(View().CurrentEntry(), 3U);

  // F-keys still press the slots; Esc closes the bar and leaves the program running.
  while (PeerReceive(50)) {
  }
  Control<QLineEdit>("txtBefehl5")->setText("five");
  QTest::keyClick(field, Qt::Key_F5);
  EXPECT_EQ(PeerReceive(), QByteArray("five"));
  QTest::keyClick(field, Qt::Key_Escape);
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(Control("findBar")->isVisible());
  QTRY_COMPARE(window->height(), height);
  for (qsizetype n = 0; n < controls.size(); ++n) EXPECT_EQ(controls[n]->geometry(), before[n]) << n;
}

// The find bar at several window widths, in both languages: whatever its
// result says, no control of the bar moves or changes size, and none is pushed
// out of sight.
class FindBarGeometry : public ConsoleFixture, public ::testing::WithParamInterface<int> {};

TEST_P(FindBarGeometry, NoControlMovesWhateverTheResultSays) {
  WriteSettings("Language=" + std::to_string(GetParam()) + "\r\n");
  Open();
  window->Tools().ShowFindBar();
  auto* bar = Control<QToolBar>("findBar");
  auto* result = Control<QLabel>("labFindResult");
  std::vector<QWidget*> controls;
  for (const char* name :
       {"labFind", "txtFind", "cmdFindPrevious", "cmdFindNext", "chkFindMatchCase", "labFindResult", "cmdFindClose"}) {
    controls.push_back(Control(name));
  }
  auto settle = [] { QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest); };
  QStringList texts{QString()};
  for (const int id : {8208, 8209, 8210}) texts << ToQString(fkt_LoadResText(id));
  for (const char* percent : {"0", "40", "100"}) {
    texts << ToQString(fkt_FormatInsertParam(fkt_LoadResText(8216), percent));
  }
  const int minimum = window->width();
  for (const int width : {minimum, minimum + 90, minimum + 400}) {
    window->resize(width, window->height());
    result->clear();
    settle();
    std::vector<QRect> places;
    places.reserve(controls.size());
    for (QWidget* w : controls) places.push_back(w->geometry());
    for (const QString& text : texts) {
      result->setText(text);
      settle();
      for (std::size_t n = 0; n < controls.size(); ++n) {
        const QWidget* w = controls[n];
        EXPECT_EQ(w->geometry(), places[n])
            << w->objectName().toStdString() << " at " << width << " px, \"" << text.toStdString() << "\"";
        EXPECT_TRUE(w->isVisible() && bar->rect().contains(w->geometry()))
            << w->objectName().toStdString() << " out of sight at " << width << " px";
      }
      EXPECT_LE(result->fontMetrics().horizontalAdvance(text), result->contentsRect().width()) << text.toStdString();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, FindBarGeometry, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param == 0 ? "German" : "English"; });

TEST_F(ListTools, SaveListAsWritesEveryEntryAsCopiedAndReportsAFailure) {
  OpenLinked();
  ListSome();
  const auto path = platform.root / "list.txt";
  WriteFile(path, "older content");
  platform.fileAnswers = {path.string(), (platform.root / "no-folder" / "list.txt").string(), std::nullopt};
  auto* save = Control<QAction>("mnuFileSaveList");
  save->trigger();
  ASSERT_EQ(platform.saveRequests.size(), 1U);
  EXPECT_EQ(platform.saveRequests[0].title, "Save list as...");
  EXPECT_EQ(platform.saveRequests[0].filter, "Text files (*.txt)|*.txt");
  std::string expected;
  for (std::uint64_t n = 0; n < 5; ++n) {
    TrafficListModel::TextBuffers buffers;
    expected += std::string(window->TrafficList().NotationText(n, buffers)) + "\r\n";
  }
  EXPECT_EQ(ReadFile(path), expected);
  EXPECT_TRUE(platform.messages.empty());

  save->trigger();
  ASSERT_EQ(platform.messages.size(), 1U);
  EXPECT_NE(platform.messages[0].text.find("no-folder"), std::string::npos);
  save->trigger();  // cancelled: nothing happens
  EXPECT_EQ(platform.messages.size(), 1U);
  for (const auto& file : std::filesystem::directory_iterator(platform.root)) {
    EXPECT_NE(file.path().filename().string()[0], '.') << file.path();  // no temporary file left
  }
}

}  // namespace

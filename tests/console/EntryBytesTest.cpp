// The bytes behind the entries: the full view's hex dump below the unchanged
// line, "Copy as hex", the dates in the tooltip and the CSV choice of "Save
// list as...".
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTimer>
#include <cstdlib>
#include <ctime>

#include "console/EntryToolTip.h"
#include "core/StringTable.h"
#include "platform/QtPlatform.h"
#include "tests/console/LinkFixture.h"
#include "traffic/TrafficListModel.h"

namespace {

// The line the block-check example sends, and its twelve bytes as a dump.
const char* const kInfo = "<STX>0,1,INFO?<ETX><179>";
const char16_t* const kInfoDump =
    u"00000000  02 30 2C 31 2C 49 4E 46  4F 3F 03 B3              \u263B0,1,INFO?\u2665\u2502";

class EntryBytes : public LinkFixture {
 protected:
  QPoint RowPoint(int row) { return {10, View().RowHeight() * row + 2}; }
};

TEST_F(EntryBytes, TheFullViewKeepsItsLineAndShowsTheDatagramInHexBelowIt) {
  OpenLinked();
  window->fkt_SendLine(kInfo);
  window->Session().ReceiveData(std::string(20, 'A') + "\x02");
  window->TrafficList().Commit();

  QTest::mouseDClick(View().viewport(), Qt::LeftButton, {}, RowPoint(0));
  QTest::mouseDClick(View().viewport(), Qt::LeftButton, {}, RowPoint(1));
  ASSERT_EQ(platform.inputs.size(), 2U);
  // A sent line: the bytes it became, not the letters of its notation.
  EXPECT_EQ(platform.inputs[0].prompt, "Line data content: 1");
  EXPECT_EQ(platform.inputs[0].defaultText, Entry(0));
  EXPECT_EQ(platform.inputs[0].hexHeading, "Bytes in the datagram: 12");
  EXPECT_TRUE(platform.inputs[0].hexDump == kInfoDump);
  EXPECT_EQ(platform.inputs[1].prompt, "Line data content: 2");
  EXPECT_EQ(platform.inputs[1].hexHeading, "Bytes in the datagram: 21");
  EXPECT_TRUE(platform.inputs[1].hexDump ==
              u"00000000  41 41 41 41 41 41 41 41  41 41 41 41 41 41 41 41  AAAAAAAAAAAAAAAA\n"
              u"00000010  41 41 41 41 02                                    AAAA\u263B");

  // The box as the platform shows it: prompt and editable line as before,
  // the dump below them read-only, selectable, in the list's font.
  const std::unique_ptr<QInputDialog> box =
      NewInputBoxWithHex("Line data content: 1", "", Entry(0), "Bytes in the datagram: 12", kInfoDump);
  EXPECT_EQ(box->labelText(), "Line data content: 1");
  EXPECT_EQ(box->textValue().toStdString(), Entry(0));
  auto* hex = box->findChild<QPlainTextEdit*>("txtHex");
  ASSERT_NE(hex, nullptr);
  EXPECT_EQ(hex->toPlainText(), QString::fromUtf16(kInfoDump));
  EXPECT_TRUE(hex->isReadOnly());
  EXPECT_TRUE(hex->textInteractionFlags() & Qt::TextSelectableByMouse);
  EXPECT_TRUE(hex->textInteractionFlags() & Qt::TextSelectableByKeyboard);
  EXPECT_EQ(hex->font().family(), View().font().family());
  EXPECT_EQ(box->findChild<QLabel*>("labHex")->text(), "Bytes in the datagram: 12");
  // The line keeps the focus the box gives it first.
  box->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
  EXPECT_TRUE(qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr);
  EXPECT_GT(box->findChild<QLineEdit*>()->geometry().bottom(), 0);
  EXPECT_GT(hex->geometry().top(), box->findChild<QLineEdit*>()->geometry().bottom());
  // Wide enough for a whole line of the dump.
  EXPECT_GE(hex->viewport()->width(), hex->fontMetrics().horizontalAdvance(QString::fromUtf16(kInfoDump)));
}

TEST_F(EntryBytes, CopyAsHexTakesTheSelectedEntriesEachUnderItsTimeAndTag) {
  OpenLinked();
  window->fkt_SendLine(kInfo);
  window->Session().ReceiveData("skipped");
  window->Session().ReceiveData("");
  window->TrafficList().Commit();
  View().setFocus();
  QTest::mouseClick(View().viewport(), Qt::LeftButton, {}, RowPoint(0));
  QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::ControlModifier, RowPoint(2));
  QApplication::clipboard()->clear();
  QTest::keyClick(&View(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  const QString expected = QString::fromStdString(Entry(0).substr(0, 12)) + "  [OUT]\n" +
                           QString::fromUtf16(kInfoDump) + "\n\n" + QString::fromStdString(Entry(2).substr(0, 12)) +
                           "  [IN]";
  EXPECT_EQ(QApplication::clipboard()->text(), expected);

  // After the Edit menu's Copy and Find, past the design's entries.
  auto* edit = window->menuBar()->actions().at(1)->menu();
  ASSERT_NE(edit, nullptr);
  const QList<QAction*> entries = edit->actions();
  EXPECT_EQ(entries.indexOf(Control<QAction>("mnuEditCopyHex")), entries.indexOf(Control<QAction>("mnuEditFind")) + 1);
  EXPECT_EQ(Control<QAction>("mnuEditCopyHex")->text(), "Copy as hex");
}

TEST_F(EntryBytes, CopyAsHexBeyondCopysLimitIsRefusedWithCopysMessage) {
  OpenLinked();
  // 300 datagrams of 60,000 bytes: about 18 MB of bytes, four times that as a dump.
  for (int n = 0; n < 300; ++n) window->Session().ReceiveData(std::string(60'000, 'x'));
  window->TrafficList().Commit();
  QApplication::clipboard()->setText("before");
  View().setFocus();
  QTest::keyClick(&View(), Qt::Key_A, Qt::ControlModifier);
  Control<QAction>("mnuEditCopyHex")->trigger();
  ASSERT_EQ(platform.messages.size(), 1U);
  EXPECT_NE(platform.messages[0].text.find("more than 16 MiB"), std::string::npos) << platform.messages[0].text;
  EXPECT_EQ(QApplication::clipboard()->text(), "before");
}

TEST_F(EntryBytes, SaveListAsOffersCsvAndTheNamesSuffixPicksTheFormat) {
  OpenLinked();
  window->fkt_SendLine(kInfo);
  window->TrafficList().Commit();
  const auto csv = platform.root / "list.CSV";
  const auto text = platform.root / "list.txt";
  platform.fileAnswers = {csv.string(), text.string()};
  Control<QAction>("mnuFileSaveList")->trigger();
  Control<QAction>("mnuFileSaveList")->trigger();
  ASSERT_EQ(platform.saveRequests.size(), 2U);
  EXPECT_EQ(platform.saveRequests[0].filter, "Text files (*.txt)|*.txt");
  EXPECT_EQ(platform.saveRequests[0].moreFilters, std::vector<std::string>{"CSV (*.csv)|*.csv"});
  const std::string head = "\xEF\xBB\xBFTime (UTC),Direction,Length,Entry,Block check,Reply time (us)\r\n";
  const std::string file = ReadFile(csv);
  ASSERT_TRUE(file.starts_with(head)) << file;
  // The list's time of day, to the microsecond, after the date.
  const std::string row = file.substr(head.size());
  EXPECT_THAT(row, ::testing::MatchesRegex("20[0-9][0-9]-[01][0-9]-[0-3][0-9]T" + Entry(0).substr(0, 12) +
                                           "[0-9][0-9][0-9]Z,out,12,\"<STX>0,1,INFO\\?<ETX><179>\",,\r\n"));
  EXPECT_EQ(ReadFile(text), Entry(0) + "\r\n");
  EXPECT_TRUE(platform.messages.empty());
}

TEST_F(EntryBytes, TheSaveDialogGivesTheNameTheSuffixOfTheFormatChosen) {
  Open();
  FileDialogRequest request;
  request.filter = "Text files (*.txt)|*.txt";
  request.moreFilters = {"CSV (*.csv)|*.csv"};
  request.initialFolder = platform.root.string();
  request.proposedName = "TelvaneList.txt";
  request.defaultExtension = "txt";
  std::vector<QString> names;
  const auto choose = [&](int key, const QString& typed) {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    auto* type = dialog->findChild<QComboBox*>("fileTypeCombo");
    ASSERT_TRUE(name != nullptr && type != nullptr);
    if (!typed.isEmpty()) name->setText(typed);
    QTest::keyClick(type, static_cast<Qt::Key>(key));
    names.push_back(name->text());
    QMetaObject::invokeMethod(dialog, "accept");
  };
  QtPlatform qt;
  const struct {
    int key;
    const char* typed;
    const char* shown;
    const char* saved;
  } cases[] = {
      {Qt::Key_Down, "", "TelvaneList.csv", "TelvaneList.csv"},  // the name proposed follows
      {Qt::Key_Down, "mine", "mine", "mine.csv"},                // a name without suffix gets the chosen one
      {Qt::Key_Down, "data.dat", "data.csv", "data.csv"},        // the dialog changes another
      {Qt::Key_Up, "back.csv", "back.csv", "back.csv"},          // the first choice is already made
  };
  for (const auto& c : cases) {
    names.clear();
    QTimer::singleShot(0, [&] { choose(c.key, c.typed); });
    const std::optional<std::string> path = qt.AskSaveFileName(request);
    ASSERT_TRUE(path.has_value()) << c.typed;
    ASSERT_EQ(names.size(), 1U);
    EXPECT_EQ(names[0].toStdString(), c.shown) << c.typed;
    EXPECT_EQ(std::filesystem::path(*path).filename().string(), c.saved) << c.typed;
  }
}

TEST(EntryToolTipDates, EveryEntryShowsItsDateAndTimeInUtcAndInLocalTime) {
  FakePlatform platform;
  TrafficListModel model;
  // 2026-12-08 01:02:03.456789 UTC (winter) and 2024-06-01 23:30:00.000001 UTC (summer).
  model.Append(EntryKind::Outgoing, 1'796'691'723'456'789, "x");
  model.Append(EntryKind::OutgoingRaw, 1'717'284'600'000'001, "y");
  const char* const savedTz = std::getenv("TZ");
  const std::string saved = savedTz != nullptr ? savedTz : "";
  ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  ::tzset();
  const struct {
    std::uint8_t language;
    std::uint64_t entry;
    const char* tip;
  } cases[] = {
      {1, 0, "UTC: 2026-12-08 01:02:03.456789\nLocal time: 2026-12-08 02:02:03.456789 CET (+01:00)"},
      {0, 0, "UTC: 2026-12-08 01:02:03.456789\nOrtszeit: 2026-12-08 02:02:03.456789 CET (+01:00)"},
      // Past midnight in local time: the local date is the next day's.
      {1, 1, "UTC: 2024-06-01 23:30:00.000001\nLocal time: 2024-06-02 01:30:00.000001 CEST (+02:00)"},
  };
  for (const auto& c : cases) {
    AppSettings.Language = c.language;
    EXPECT_EQ(EntryToolTip(model, c.entry), c.tip) << c.entry;
  }
  ::setenv("TZ", "XST+05:30", 1);  // west of Greenwich, half an hour off
  ::tzset();
  AppSettings.Language = 1;
  EXPECT_EQ(EntryToolTip(model, 0),
            "UTC: 2026-12-08 01:02:03.456789\nLocal time: 2026-12-07 19:32:03.456789 XST (-05:30)");
  AppSettings = {};
  if (savedTz != nullptr) {
    ::setenv("TZ", saved.c_str(), 1);
  } else {
    ::unsetenv("TZ");
  }
  ::tzset();
}

}  // namespace

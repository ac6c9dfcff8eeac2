// Sending and receiving through the console against a peer on 127.0.0.1.
#include <QApplication>
#include <QInputDialog>

#include "platform/QtPlatform.h"
#include "tests/console/LinkFixture.h"

namespace {

struct AffixCase {
  const char* name;
  const char* settings;
  const char* line;
  QByteArray datagram;
  const char* entry;
};

class SendButton : public LinkFixture, public ::testing::WithParamInterface<AffixCase> {};

TEST_P(SendButton, JoinsPrefixAndSuffixInNotationOnlyWhenSwitchedOn) {
  const AffixCase& c = GetParam();
  OpenLinked(c.settings);
  auto* line = Control<QLineEdit>("txtSend");
  line->setText(c.line);
  Control<QPushButton>("cmdSend")->click();
  EXPECT_EQ(PeerReceive(), c.datagram);
  EXPECT_EQ(WithoutTime(Entry(0)), c.entry);
  EXPECT_EQ(line->text(), c.line);  // kept: clearing is off
  EXPECT_TRUE(Control("cmdDelete")->isEnabled());
  EXPECT_EQ(View().CurrentEntry(), 0U);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Affixes, SendButton,
    ::testing::Values(
        // The STX token is split between the prefix and the line.
        AffixCase{"tokenSplitAcrossPrefix", "PrefixOption=1\r\nPrefixChars=<ST\r\nReadjustOption=1\r\nReadjustChars=<ETX>\r\n",
                  "X>0,1,INFO?", QByteArray("\x02" "0,1,INFO?\x03"), "  [OUT]  <STX>0,1,INFO?<ETX>"},
        AffixCase{"storedButSwitchedOff", "PrefixOption=0\r\nPrefixChars=<STX>\r\nReadjustOption=2\r\nReadjustChars=<ETX>\r\n",
                  "abc", QByteArray("abc"), "  [OUT]  abc"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

using SendReceive = LinkFixture;

TEST_F(SendReceive, EnterSendsOnceAndClearingEmptiesTheLine) {
  OpenLinked("DeleteSendChars=1\r\n");
  auto* line = Control<QLineEdit>("txtSend");
  line->setFocus();
  QTest::keyClicks(line, "<STX>1<ETX>");
  EXPECT_TRUE(Control("cmdSend")->isEnabled());
  QTest::keyClick(line, Qt::Key_Return);
  EXPECT_EQ(PeerReceive(), QByteArray("\x02"
                                      "1\x03"));
  EXPECT_FALSE(PeerReceive(100).has_value());
  EXPECT_EQ(window->TrafficList().EntryCount(), 1U);
  EXPECT_TRUE(line->text().isEmpty());
  EXPECT_FALSE(Control("cmdSend")->isEnabled());
  // Enter with the send button disabled sends nothing.
  QTest::keyClick(line, Qt::Key_Return);
  EXPECT_FALSE(PeerReceive(100).has_value());
  EXPECT_EQ(window->TrafficList().EntryCount(), 1U);
}

TEST_F(SendReceive, UpAndDownInTheSendLineRecallTheLinesSentFromIt) {
  OpenLinked("DeleteSendChars=1\r\n");
  auto* line = Control<QLineEdit>("txtSend");
  line->setFocus();
  for (const char* sent : {"<STX>1<ETX>", "<STX>2<ETX>"}) {
    QTest::keyClicks(line, sent);
    QTest::keyClick(line, Qt::Key_Return);
    ASSERT_TRUE(PeerReceive().has_value());
  }
  QTest::keyClicks(line, "draft");
  QTest::keyClick(line, Qt::Key_Up);
  EXPECT_EQ(line->text(), "<STX>2<ETX>");
  QTest::keyClick(line, Qt::Key_Up);
  EXPECT_EQ(line->text(), "<STX>1<ETX>");
  QTest::keyClick(line, Qt::Key_Up);  // the oldest stays
  EXPECT_EQ(line->text(), "<STX>1<ETX>");
  QTest::keyClick(line, Qt::Key_Down);
  QTest::keyClick(line, Qt::Key_Down);
  EXPECT_EQ(line->text(), "draft");
  // A recalled line, edited, is sent as typed; nothing was sent by the walk.
  QTest::keyClick(line, Qt::Key_Up);
  QTest::keyClick(line, Qt::Key_End);
  QTest::keyClicks(line, "x");
  EXPECT_EQ(window->TrafficList().EntryCount(), 2U);
  QTest::keyClick(line, Qt::Key_Return);
  EXPECT_EQ(PeerReceive(), QByteArray("\x02"
                                      "2\x03x"));
  EXPECT_EQ(WithoutTime(Entry(2)), "  [OUT]  <STX>2<ETX>x");
}

TEST_F(SendReceive, BadLineIsReportedBySendAndBlockCheckAndChangesNothing) {
  OpenLinked("DeleteSendChars=1\r\n");
  auto* line = Control<QLineEdit>("txtSend");
  line->setText("<STX><abc>");
  Control<QPushButton>("cmdSend")->click();
  Control<QPushButton>("cmdBlockcheck")->click();
  ASSERT_EQ(platform.messages.size(), 2U);
  EXPECT_EQ(platform.messages[0].caption, "");  // the application's title
  for (const auto& box : platform.messages) EXPECT_EQ(box.text, "Beschreibung: Type mismatch\r\nFehler: 13");
  EXPECT_EQ(line->text(), "<STX><abc>");
  EXPECT_EQ(window->TrafficList().EntryCount(), 0U);
  EXPECT_FALSE(PeerReceive(100).has_value());
  // A good line gets its block check appended.
  line->setText("<STX>0,1,INFO?<ETX>");
  Control<QPushButton>("cmdBlockcheck")->click();
  EXPECT_EQ(line->text(), "<STX>0,1,INFO?<ETX><179>");
  EXPECT_EQ(platform.messages.size(), 2U);
}

struct FormCase {
  int peculiar;
  const char* outEntry;  // after the time, or whole for raw incoming
  const char* inEntry;
  const char* logContent;
};

class DisplayForms : public LinkFixture, public ::testing::WithParamInterface<FormCase> {};

TEST_P(DisplayForms, ListAndLogCarryTheFormThatPeculiarSelects) {
  const FormCase& c = GetParam();
  OpenLinked("Peculiar=" + std::to_string(c.peculiar) + "\r\n");
  const auto log = platform.root / "log.txt";
  Control<QLineEdit>("txtFilename")->setText(QString::fromStdString(log.string()));
  Control<QCheckBox>("chkDatalogging")->click();
  ASSERT_TRUE(Control<QCheckBox>("chkDatalogging")->isChecked());

  window->fkt_SendLine("<STX>0,1<ETX>");
  ASSERT_TRUE(PeerReceive().has_value());
  PeerSend(
      QByteArray("\x02"
                 "0,1,OK\x03\r\n"));

  EXPECT_EQ(WithoutTime(Entry(0)), c.outEntry);
  const std::string in = Entry(1);
  EXPECT_EQ(c.peculiar == 1 ? WithoutTime(in) : in, c.inEntry);
  const std::string logged = ReadFile(log);
  ASSERT_GE(logged.size(), 16U);
  EXPECT_EQ(logged[2], ':');
  EXPECT_EQ(logged[8], ':');  // the log separates milliseconds with a colon
  EXPECT_EQ(logged.substr(12), std::string("    ") + c.logContent + "\r\n");
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Peculiar, DisplayForms,
    ::testing::Values(FormCase{1, "  [OUT]  <STX>0,1<ETX>", "  [IN]   <2>0,1,OK<3><13><10>", "\x02" "0,1,OK\x03\r\n"},
                      FormCase{0, "  [OUT]  \x02" "0,1\x03", "\x02" "0,1,OK\x03\r\n", "<2>0,1,OK<3><13><10>"}));
// clang-format on

TEST_F(SendReceive, ReceivingNeitherSelectsNorScrollsNorEnablesTheClearButtonWhichEmptiesTheList) {
  frmMain& w = OpenLinked();
  const int page = View().PageRows();
  for (int n = 0; n < page + 5; ++n) w.fkt_SendLine("s");
  const std::uint64_t top = View().TopEntry();
  EXPECT_GT(top, 0U);  // the send scrolled its entry into view
  EXPECT_EQ(View().CurrentEntry(), static_cast<std::uint64_t>(page + 4));
  Control<QPushButton>("cmdDelete")->click();
  EXPECT_FALSE(Control("cmdDelete")->isEnabled());

  for (int n = 0; n < page + 5; ++n) w.Session().ReceiveData("r");
  PeerSend("a");
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.TrafficList().ShownCount() == static_cast<std::uint64_t>(page + 6); }));
  EXPECT_EQ(View().TopEntry(), 0U);
  EXPECT_FALSE(View().CurrentEntry().has_value());
  EXPECT_FALSE(Control("cmdDelete")->isEnabled());
}

TEST_F(SendReceive, LoggingRestartsEmptyAndAnUnwritablePathIsReported) {
  OpenLinked();
  const auto log = platform.root / "log.txt";
  auto* box = Control<QCheckBox>("chkDatalogging");
  auto* name = Control<QLineEdit>("txtFilename");
  name->setText(QString::fromStdString(log.string()));
  box->click();
  PeerSend("first");
  EXPECT_NE(ReadFile(log).find("first"), std::string::npos);
  box->click();
  box->click();
  EXPECT_EQ(ReadFile(log), "");
  PeerSend("second");
  const std::string logged = ReadFile(log);
  EXPECT_EQ(logged.find("first"), std::string::npos);
  EXPECT_NE(logged.find("second"), std::string::npos);

  box->click();
  const std::string path = (platform.root / "no-such-folder" / "log.txt").string();
  name->setText(QString::fromStdString(path));
  box->click();
  EXPECT_FALSE(box->isChecked());
  ASSERT_EQ(platform.messages.size(), 1U);
  EXPECT_NE(platform.messages[0].text.find(path), std::string::npos);
  EXPECT_EQ(platform.messages[0].icon, MessageIcon::Error);
  PeerSend("x");  // receiving goes on without a log
  EXPECT_EQ(platform.messages.size(), 1U);
}

TEST_F(SendReceive, DoubleClickShowsTheWholeEntryWhereTheListShowsWhatFits) {
  frmMain& w = OpenLinked("Peculiar=0\r\n");
  w.fkt_SendLine("one");
  PeerSend(
      "\x02"
      "A\x03");
  const std::string longest(65507, 'x');
  w.fkt_SendLine(longest);
  EXPECT_EQ(View().ShownText(1), QString::fromUtf16(u"\u263BA\u2665"));
  const QString shown = View().ShownText(2);
  EXPECT_LT(shown.size(), 200);
  EXPECT_TRUE(shown.endsWith(QChar(0x2026)));

  QTest::mouseDClick(View().viewport(), Qt::LeftButton, {}, QPoint(10, View().RowHeight() * 2 + 2));
  ASSERT_EQ(platform.inputs.size(), 1U);
  EXPECT_EQ(platform.inputs[0].prompt, "Line data content: 3");
  EXPECT_EQ(platform.inputs[0].defaultText, Entry(2));
  EXPECT_EQ(platform.inputs[0].defaultText.size(), 12 + 9 + longest.size());
  EXPECT_EQ(w.TrafficList().EntryCount(), 3U);
}

TEST_F(SendReceive, LongLinesAreNeverCut) {
  // A line edit's default limit (32,767 characters) must not cut a line,
  // its block check, a slot or the full view of a long entry.
  OpenLinked();
  auto* line = Control<QLineEdit>("txtSend");
  line->setText(QString(40000, 'A'));
  Control<QPushButton>("cmdSend")->click();
  const std::optional<QByteArray> sent = PeerReceive();
  ASSERT_TRUE(sent.has_value());
  EXPECT_EQ(sent->size(), 40000);

  line->setText(QString(32765, 'A'));
  Control<QPushButton>("cmdBlockcheck")->click();
  EXPECT_EQ(line->text().size(), 32765 + 5);
  EXPECT_TRUE(line->text().endsWith("A<193>"));

  Control<QLineEdit>("txtBefehl3")->setText(QString(40000, 'B'));
  EXPECT_EQ(Control<QLineEdit>("txtBefehl3")->text().size(), 40000);

  const std::string entry(65528, 'C');
  EXPECT_EQ(NewInputBox("", "", entry)->textValue().size(), 65528);
}

TEST_F(SendReceive, ListThatCannotUseTheDiskSaysSoOnceAndKeepsEveryEntry) {
  WriteFile(platform.root / "plain-file", "x");
  platform.scratchFolders = {(platform.root / "plain-file" / "cache").string()};
  frmMain& w = OpenLinked();
  // 100 MiB: below the smallest memory limit the list may have (128 MiB).
  const std::string mebibyte(1 << 20, 'm');
  for (int round = 0; round < 2; ++round) {
    for (int n = 0; n < 50; ++n) w.Session().ReceiveData(mebibyte);
    w.TrafficList().Commit();
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return !platform.messages.empty(); }, 2000));
  // The report is a queued signal: a second one would follow the first at once.
  EXPECT_FALSE(QTest::qWaitFor([&] { return platform.messages.size() > 1; }, 100));
  ASSERT_EQ(platform.messages.size(), 1U);
  EXPECT_NE(platform.messages[0].text.find("can no longer move older entries to disk"), std::string::npos);
  EXPECT_NE(platform.messages[0].text.find("plain-file"), std::string::npos);
  EXPECT_EQ(w.TrafficList().ShownCount(), 100U);
  EXPECT_EQ(w.TrafficList().Store().EntryBytes(0), mebibyte);
}

}  // namespace

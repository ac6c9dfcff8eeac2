// The eight command slots, their keys and their files.
#include <sys/stat.h>

#include <QAction>

#include "tests/console/LinkFixture.h"

namespace fs = std::filesystem;

namespace {

class CommandSlots : public LinkFixture {
 protected:
  fs::path DefaultCommands() const { return fs::path(platform.SettingsFolder()) / "DefaultCommands.icf"; }
  QLineEdit* Field(int n) { return Control<QLineEdit>(("txtBefehl" + std::to_string(n)).c_str()); }
  QPushButton* Button(int n) { return Control<QPushButton>(("cmdBefehl" + std::to_string(n)).c_str()); }
};

TEST_F(CommandSlots, FirstExitAfterAFreshStartWritesTheDefaultFile) {
  fs::create_directories(platform.SettingsFolder());
  Open();
  window->close();
  EXPECT_EQ(ReadFile(DefaultCommands()),
            "[SETTINGS]\r\nParam1=<STX>0,1,INFO?<ETX><179>\r\nParam2=<STX>0,1,INFO?<LF><ETX><185>\r\n"
            "Param3=\r\nParam4=\r\nParam5=\r\nParam6=\r\nParam7=\r\nParam8=\r\n");
}

TEST_F(CommandSlots, LoadingTakesSlotsThreeToEightAndAlwaysTheSamples) {
  WriteFile(DefaultCommands(), "[settings]\r\nparam5= ABC \r\nParam1=something else\r\nParam2=\r\n");
  Open();
  const char* expected[] = {"<STX>0,1,INFO?<ETX><179>", "<STX>0,1,INFO?<LF><ETX><185>", "", "", "ABC", "", "", ""};
  for (int n = 1; n <= 8; ++n) {
    EXPECT_EQ(Field(n)->text(), expected[n - 1]) << n;
    EXPECT_EQ(Field(n)->toolTip(), expected[n - 1]) << n;
  }
  // The tooltip follows the field on key release.
  Field(8)->setFocus();
  QTest::keyClicks(Field(8), "ab");
  EXPECT_EQ(Field(8)->toolTip(), "ab");
}

TEST_F(CommandSlots, SavingKeepsOtherContentAndCutsLongSlotsOnTheWayBack) {
  WriteFile(DefaultCommands(), "[Other]\r\nx=1\r\n[SETTINGS]\r\nParam3=old\r\nMine=keep\r\n");
  Open();
  const std::string longText(300, 'x');
  Field(3)->setText(QString::fromStdString(longText));
  Field(4)->setText("  padded  ");
  window->close();
  const std::string saved = ReadFile(DefaultCommands());
  EXPECT_EQ(saved.rfind("[Other]\r\nx=1\r\n[SETTINGS]\r\nParam3=" + longText + "\r\nMine=keep\r\n", 0), 0U) << saved;

  window.reset();
  Open();
  EXPECT_EQ(Field(3)->text().toStdString(), std::string(254, 'x'));
  EXPECT_EQ(Field(4)->text(), "padded");
}

TEST_F(CommandSlots, FunctionKeysPressTheSlotsFromAnywhereAndEnterPressesSend) {
  OpenLinked();
  Field(3)->setText("three");
  Field(5)->setText("five");
  // From a slot field the key acts when released.
  QTest::keyPress(Field(3), Qt::Key_F3);
  EXPECT_FALSE(PeerReceive(100).has_value());
  QTest::keyRelease(Field(3), Qt::Key_F3);
  EXPECT_EQ(PeerReceive(), QByteArray("three"));
  // From a button, the send line and the list it acts when pressed; Shift does not matter.
  QTest::keyPress(Control("cmdBlockcheck"), Qt::Key_F5, Qt::ShiftModifier);
  EXPECT_EQ(PeerReceive(), QByteArray("five"));
  QTest::keyClick(Control("txtSend"), Qt::Key_F1);
  EXPECT_EQ(PeerReceive(), QByteArray("\x02"
                                      "0,1,INFO?\x03\xB3"));
  QTest::keyClick(Control("lstSendReceive"), Qt::Key_F2);
  EXPECT_EQ(PeerReceive(), QByteArray("\x02"
                                      "0,1,INFO?\n\x03\xB9"));
  // Enter in a slot field presses the send button.
  Field(4)->setText("slot");
  Control<QLineEdit>("txtSend")->setText("line");
  QTest::keyClick(Field(4), Qt::Key_Return);
  EXPECT_EQ(PeerReceive(), QByteArray("line"));
  // Each key sent exactly once.
  EXPECT_FALSE(PeerReceive(100).has_value());
  EXPECT_EQ(window->TrafficList().EntryCount(), 5U);
}

TEST_F(CommandSlots, SlotSendsItsTextAsItStandsOrShowsTheError) {
  OpenLinked("PrefixOption=1\r\nPrefixChars=P\r\nDeleteSendChars=1\r\n");
  Button(6)->click();  // an empty slot sends the empty line
  EXPECT_EQ(PeerReceive(), QByteArray());
  Field(6)->setText("<STX><abc>");
  Button(6)->click();
  ASSERT_EQ(platform.messages.size(), 1U);
  EXPECT_EQ(platform.messages[0].text, "Beschreibung: Type mismatch\r\nFehler: 13");
  EXPECT_EQ(Field(6)->text(), "<STX><abc>");
  EXPECT_EQ(window->TrafficList().EntryCount(), 1U);
  EXPECT_FALSE(PeerReceive(100).has_value());
}

TEST_F(CommandSlots, MenuSaveAndLoadGoThroughTheChosenFileAndCancelChangesNothing) {
  Open();
  Field(7)->setText("<CR>seven");
  Control<QAction>("mnuFileLoadConfig")->trigger();
  Control<QAction>("mnuFileSaveConfig")->trigger();
  EXPECT_EQ(Field(7)->text(), "<CR>seven");
  ASSERT_EQ(platform.openRequests.size(), 1U);
  ASSERT_EQ(platform.saveRequests.size(), 1U);
  const FileDialogRequest& load = platform.openRequests[0];
  EXPECT_EQ(load.title, "Load command configuration file...");
  EXPECT_EQ(load.filter, "Command configuration files (*.icf)|*.icf");
  EXPECT_EQ(load.initialFolder, platform.SettingsFolder());
  EXPECT_EQ(load.proposedName, "UserDefinedCommands.icf");
  EXPECT_EQ(load.defaultExtension, "icf");
  EXPECT_EQ(platform.saveRequests[0].title, "Save command configuration file...");
  EXPECT_TRUE(platform.messages.empty());

  const fs::path file = platform.root / "mine.icf";
  platform.fileAnswers.emplace_back(file.string());
  Control<QAction>("mnuFileSaveConfig")->trigger();
  EXPECT_NE(ReadFile(file).find("Param7=<CR>seven\r\n"), std::string::npos);
  Field(7)->setText("changed");
  platform.fileAnswers.emplace_back(file.string());
  Control<QAction>("mnuFileLoadConfig")->trigger();
  EXPECT_EQ(Field(7)->text(), "<CR>seven");
  EXPECT_EQ(Field(7)->toolTip(), "<CR>seven");
}

TEST_F(CommandSlots, UnwritableCommandFileIsReportedAndKeptIntact) {
  Open();
  const fs::path file = platform.root / "readonly.icf";
  WriteFile(file, "[SETTINGS]\r\nParam3=old\r\n");
  ::chmod(file.c_str(), 0444);
  platform.fileAnswers.emplace_back(file.string());
  Control<QAction>("mnuFileSaveConfig")->trigger();
  ASSERT_EQ(platform.messages.size(), 1U);
  EXPECT_NE(platform.messages[0].text.find(file.string()), std::string::npos);
  EXPECT_EQ(ReadFile(file), "[SETTINGS]\r\nParam3=old\r\n");

  platform.fileAnswers.emplace_back((platform.root / "missing" / "x.icf").string());
  Control<QAction>("mnuFileSaveConfig")->trigger();
  EXPECT_EQ(platform.messages.size(), 2U);
}

}  // namespace

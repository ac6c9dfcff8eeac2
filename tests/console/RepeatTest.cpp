// Repeating a send: the dialog's reading of its fields, the status texts, and
// repeats in the real window against a peer on 127.0.0.1.
#include <QAction>
#include <QComboBox>
#include <QStatusBar>

#include "console/RepeatDialog.h"
#include "console/RepeatTools.h"
#include "dialogs/ModalSeam.h"
#include "platform/ElidedLabel.h"
#include "tests/console/LinkFixture.h"

namespace {

// Sets the language for a test and puts the one before back.
class Language {
 public:
  explicit Language(std::uint8_t language) : before_(AppSettings.Language) { AppSettings.Language = language; }
  ~Language() { AppSettings.Language = before_; }
  Language(const Language&) = delete;
  Language& operator=(const Language&) = delete;

 private:
  std::uint8_t before_;
};

RepeatSources Sources() {
  RepeatSources sources;
  sources.sendLine = "<STX>A<ETX>";
  sources.commands = {"<STX>0,1,INFO?<ETX><179>", "x", "slot 3", "", "", "", "", ""};
  return sources;
}

}  // namespace

TEST(RepeatInput, ReadsTheFieldsOrSaysWhatIsWrong) {
  const Language english(1);
  struct Row {
    int source;
    const char* period;
    RepeatUnit unit;
    const char* count;
    bool untilStopped;
    // Either the request's line, period (ms) and count, or the error.
    const char* line;
    std::int64_t periodMs;
    std::uint64_t expectedCount;
    const char* error;
  };
  const std::vector<Row> rows = {
      {0, "500", RepeatUnit::Milliseconds, "100", false, "<STX>A<ETX>", 500, 100, nullptr},
      {1, " 1 ", RepeatUnit::Milliseconds, "1", false, "<STX>0,1,INFO?<ETX><179>", 1, 1, nullptr},
      {3, "2", RepeatUnit::Seconds, "", true, "slot 3", 2000, 0, nullptr},
      {3, "1440", RepeatUnit::Minutes, "1000000000", false, "slot 3", 86'400'000, 1'000'000'000, nullptr},
      {3, "24", RepeatUnit::Hours, "x", true, "slot 3", 86'400'000, 0, nullptr},  // count unread
      {3, "86400000", RepeatUnit::Milliseconds, "5", false, "slot 3", 86'400'000, 5, nullptr},
      {4, "500", RepeatUnit::Milliseconds, "100", false, nullptr, 0, 0, "Command F4 is empty."},
      {3, "0", RepeatUnit::Milliseconds, "100", false, nullptr, 0, 0,
       "The period must be a whole number from 1 to 86400000 ms."},
      {3, "", RepeatUnit::Seconds, "100", false, nullptr, 0, 0, "The period must be a whole number from 1 to 86400 s."},
      {3, "25", RepeatUnit::Hours, "100", false, nullptr, 0, 0, "The period must be a whole number from 1 to 24 h."},
      {3, "1441", RepeatUnit::Minutes, "1", false, nullptr, 0, 0,
       "The period must be a whole number from 1 to 1440 min."},
      {3, "0.5", RepeatUnit::Seconds, "1", false, nullptr, 0, 0,
       "The period must be a whole number from 1 to 86400 s."},
      {3, "-5", RepeatUnit::Seconds, "1", false, nullptr, 0, 0, "The period must be a whole number from 1 to 86400 s."},
      {3, "99999999999999999999", RepeatUnit::Milliseconds, "1", false, nullptr, 0, 0,
       "The period must be a whole number from 1 to 86400000 ms."},
      {3, "10", RepeatUnit::Milliseconds, "0", false, nullptr, 0, 0,
       "The count must be a whole number from 1 to 1000000000."},
      {3, "10", RepeatUnit::Milliseconds, "1000000001", false, nullptr, 0, 0,
       "The count must be a whole number from 1 to 1000000000."},
      {3, "10", RepeatUnit::Milliseconds, "ten", false, nullptr, 0, 0,
       "The count must be a whole number from 1 to 1000000000."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.period) + " / " + row.count);
    const auto read = ReadRepeatInput({row.source, row.period, row.unit, row.count, row.untilStopped}, Sources());
    if (row.error != nullptr) {
      ASSERT_TRUE(std::holds_alternative<RepeatInputError>(read));
      EXPECT_EQ(std::get<RepeatInputError>(read).text, row.error);
      continue;
    }
    ASSERT_TRUE(std::holds_alternative<RepeatRequest>(read)) << std::get<RepeatInputError>(read).text;
    const auto& request = std::get<RepeatRequest>(read);
    EXPECT_EQ(request.line, row.line);
    EXPECT_EQ(request.period.count(), row.periodMs);
    EXPECT_EQ(request.count, row.expectedCount);
  }
  // An empty send line, in German too.
  RepeatSources empty = Sources();
  empty.sendLine.clear();
  const auto read = ReadRepeatInput({0, "500", RepeatUnit::Milliseconds, "1", false}, empty);
  ASSERT_TRUE(std::holds_alternative<RepeatInputError>(read));
  EXPECT_EQ(std::get<RepeatInputError>(read).text, "The send line is empty.");
  const Language german(0);
  const auto gelesen = ReadRepeatInput({0, "0", RepeatUnit::Hours, "1", false}, Sources());
  EXPECT_EQ(std::get<RepeatInputError>(gelesen).text, "Der Zeitabstand muss eine ganze Zahl von 1 bis 24 h sein.");
}

TEST(RepeatInput, StatusTextsInBothLanguages) {
  RepeatRequest slot;
  slot.source = 1;
  slot.periodText = "500 ms";
  slot.count = 100;
  RepeatRequest line;
  line.periodText = "2 s";
  {
    const Language english(1);
    EXPECT_EQ(RepeatStatusText(slot, 12, 0), "Repeating F1 every 500 ms: 12 of 100");
    EXPECT_EQ(RepeatStatusText(line, 12, 0), "Repeating the send line every 2 s: 12 sent");
    EXPECT_EQ(RepeatStatusText(slot, 12, 3), "Repeating F1 every 500 ms: 12 of 100 (3 skipped)");
    EXPECT_EQ(RepeatStatusShortText(slot, 12), "12 of 100");
  }
  const Language german(0);
  EXPECT_EQ(RepeatStatusText(slot, 12, 0), "Wiederhole F1 alle 500 ms: 12 von 100");
  EXPECT_EQ(RepeatStatusText(line, 7, 2), "Wiederhole die Sendezeile alle 2 s: 7 gesendet (2 ausgelassen)");
}

class Repeat : public LinkFixture {
 protected:
  void TearDown() override {
    SetModalHook({});
    LinkFixture::TearDown();
  }

  // Edit > "Repeat..." with the dialog's fields set as given and Start pressed.
  void RepeatFromMenu(const RepeatInput& input) {
    SetModalHook([&](QDialog& dialog) {
      dialog.findChild<QComboBox*>("cboRepeatSource")->setCurrentIndex(input.source);
      dialog.findChild<QLineEdit*>("txtRepeatPeriod")->setText(QString::fromStdString(input.period));
      dialog.findChild<QComboBox*>("cboRepeatUnit")->setCurrentIndex(static_cast<int>(input.unit));
      dialog.findChild<QLineEdit*>("txtRepeatCount")->setText(QString::fromStdString(input.count));
      dialog.findChild<QCheckBox*>("chkRepeatUntilStopped")->setChecked(input.untilStopped);
      dialog.findChild<QPushButton*>("cmdRepeatStart")->click();
      return dialog.result();
    });
    Control<QAction>("mnuEditRepeat")->trigger();
    SetModalHook({});
  }

  // Takes what the peer has received so far; what is still on its way is
  // at most one send.
  void DrainPeer() {
    for (int n = 0; n < 1000 && PeerReceive(50); ++n) {
    }
  }

  ElidedLabel* Panel() { return Control<ElidedLabel>("stbRepeat"); }
  QAction* StopAction() { return Control<QAction>("mnuEditStopRepeat"); }
};

TEST_F(Repeat, ASlotRepeatedForACountSendsListsAndCountsEachAndShowsItsProgress) {
  OpenLinked();
  const QString linkPanel = Status();
  EXPECT_FALSE(StopAction()->isEnabled());
  RepeatFromMenu({1, "30", RepeatUnit::Milliseconds, "5", false});
  // The first send at once, and the progress beside the link's panel.
  EXPECT_TRUE(StopAction()->isEnabled());
  EXPECT_TRUE(Panel()->isVisible());
  EXPECT_EQ(Panel()->text(), "Repeating F1 every 30 ms: 1 of 5");
  EXPECT_EQ(Status(), linkPanel);
  for (int n = 0; n < 5; ++n) {
    EXPECT_EQ(PeerReceive(), QByteArray("\x02"
                                        "0,1,INFO?\x03\xB3"))
        << n;
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Repeat().Running(); }, 2000));
  EXPECT_FALSE(PeerReceive(100).has_value()) << "no sixth send";
  EXPECT_FALSE(Panel()->isVisible());
  EXPECT_FALSE(StopAction()->isEnabled());
  ASSERT_EQ(window->TrafficList().EntryCount(), 5U);
  for (std::uint64_t entry = 0; entry < 5; ++entry) {
    EXPECT_EQ(WithoutTime(Entry(entry)), "  [OUT]  <STX>0,1,INFO?<ETX><179>");
  }
  EXPECT_EQ(View().CurrentEntry(), std::optional<std::uint64_t>(4));
  EXPECT_EQ(window->Session().ReadCounters(0).sent, 5U);
  EXPECT_EQ(Status(), linkPanel);
  EXPECT_TRUE(platform.messages.empty());
}

TEST_F(Repeat, TheSendLineGoesWithPrefixAndSuffixUntilStoppedAndKeepsItsText) {
  OpenLinked("PrefixOption=1\r\nPrefixChars=<STX>\r\nReadjustOption=1\r\nReadjustChars=<ETX>\r\nDeleteSendChars=1\r\n");
  Control<QLineEdit>("txtSend")->setText("0,1,INFO?");
  RepeatFromMenu({0, "10", RepeatUnit::Milliseconds, "", true});
  EXPECT_EQ(Panel()->text(), "Repeating the send line every 10 ms: 1 sent");
  for (int n = 0; n < 3; ++n) {
    EXPECT_EQ(PeerReceive(), QByteArray("\x02"
                                        "0,1,INFO?\x03"))
        << n;
  }
  // Ctrl+. stops it.
  QTest::keyClick(window.get(), Qt::Key_Period, Qt::ControlModifier);
  EXPECT_FALSE(window->Repeat().Running());
  EXPECT_FALSE(Panel()->isVisible());
  DrainPeer();
  const std::uint64_t listed = window->TrafficList().EntryCount();
  EXPECT_FALSE(PeerReceive(100).has_value()) << "nothing after the stop";
  EXPECT_EQ(window->TrafficList().EntryCount(), listed);
  EXPECT_EQ(Control<QLineEdit>("txtSend")->text(), "0,1,INFO?");
}

TEST_F(Repeat, ASendThatFailsEndsTheRepeatWithOneMessage) {
  OpenLinked();
  window->findChild<QLineEdit*>("txtBefehl3")->setText("<STX><abc>");
  RepeatFromMenu({3, "1", RepeatUnit::Milliseconds, "", true});
  EXPECT_FALSE(window->Repeat().Running());
  ASSERT_EQ(platform.messages.size(), 1U);
  EXPECT_EQ(platform.messages[0].text,
            "The repeat stopped after 0 sends:\r\nBeschreibung: Type mismatch\r\nFehler: 13");
  EXPECT_FALSE(PeerReceive(100).has_value());
  EXPECT_EQ(window->TrafficList().EntryCount(), 0U);
  EXPECT_FALSE(Panel()->isVisible());
}

TEST_F(Repeat, TheDialogRefusesWrongFieldsAndStaysOpen) {
  OpenLinked();
  int shown = 0;
  SetModalHook([&](QDialog& dialog) {
    ++shown;
    dialog.findChild<QLineEdit*>("txtRepeatPeriod")->setText("0");
    dialog.findChild<QPushButton*>("cmdRepeatStart")->click();
    EXPECT_FALSE(dialog.result() == QDialog::Accepted);
    return static_cast<int>(QDialog::Rejected);
  });
  Control<QAction>("mnuEditRepeat")->trigger();
  EXPECT_EQ(shown, 1);
  ASSERT_EQ(platform.messages.size(), 1U);
  EXPECT_EQ(platform.messages[0].text, "The period must be a whole number from 1 to 86400000 ms.");
  EXPECT_FALSE(window->Repeat().Running());
  EXPECT_FALSE(PeerReceive(100).has_value());
}

TEST_F(Repeat, DeleteListKeepsItRunningAndQuittingStopsIt) {
  OpenLinked();
  RepeatFromMenu({2, "10", RepeatUnit::Milliseconds, "", true});
  ASSERT_TRUE(PeerReceive().has_value());
  Control<QPushButton>("cmdDelete")->click();
  ASSERT_TRUE(PeerReceive().has_value());
  EXPECT_TRUE(window->Repeat().Running());
  window->close();
  EXPECT_FALSE(window->Repeat().Running());
  DrainPeer();
  EXPECT_FALSE(PeerReceive(100).has_value()) << "nothing after quitting";
}

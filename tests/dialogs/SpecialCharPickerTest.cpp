#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>

#include "dialogs/Dialogs.h"
#include "tests/dialogs/DialogsFixture.h"

namespace {

using Step = std::function<void(QDialog&)>;

Step Click(const char* box) {
  return [box](QDialog& d) { QTest::mouseClick(Control<QPushButton>(d, box), Qt::LeftButton); };
}
// Space on the focused box: a toggle without a mouse-down.
Step Toggle(const char* box) {
  return [box](QDialog& d) {
    auto* button = Control<QPushButton>(d, box);
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Space);
  };
}
Step Type(const char* text) {
  return [text](QDialog& d) { QTest::keyClicks(Control<QLineEdit>(d, "txtNumeric"), text); };
}
Step Press(Qt::Key key) {
  return [key](QDialog& d) { QTest::keyClick(Control<QLineEdit>(d, "txtNumeric"), key); };
}
void ClickOk(QDialog& d) { QTest::mouseClick(Control<QPushButton>(d, "cmdOk"), Qt::LeftButton); }

// A send line of a window of its own, registered as target 2.
class Picker : public DialogsFixture {
 protected:
  void SetUp() override {
    DialogsFixture::SetUp();
    window.resize(300, 80);
    sendLine = new QLineEdit(&window);
    other = new QLineEdit(&window);
    other->move(0, 40);
    SetSpecialCharTargetField(kSpecialCharTargetSend, sendLine);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    sendLine->setText("abcdef");
    sendLine->setSelection(2, 2);  // "cd"
    // The operator leaves the send line, as when pressing the insert button.
    sendLine->setFocus();
    other->setFocus();
  }
  void TearDown() override {
    SetSpecialCharTargetField(kSpecialCharTargetSend, nullptr);
    DialogsFixture::TearDown();
  }

  QWidget window;
  QLineEdit* sendLine = nullptr;
  QLineEdit* other = nullptr;
};

struct ChoiceCase {
  const char* name;
  std::vector<Step> steps;
  const char* expectedLine;  // "abcdef" with "cd" replaced by the token
};

class PickerChoice : public Picker, public ::testing::WithParamInterface<ChoiceCase> {};

TEST_P(PickerChoice, OkTypesTheTokenOverTheSelection) {
  const ChoiceCase& c = GetParam();
  QSignalSpy edited(sendLine, &QLineEdit::textEdited);
  OnModal("frmSpecialChar", [&c](QDialog& d) {
    EXPECT_EQ(bytSpecialCharTarget, kSpecialCharTargetSend);
    EXPECT_FALSE(Control<QPushButton>(d, "cmdOk")->isEnabled());
    for (const Step& step : c.steps) step(d);
    ClickOk(d);
  });
  fkt_FormsShowSpecialChar(kSpecialCharTargetSend);
  EXPECT_EQ(sendLine->text(), QString::fromLatin1(c.expectedLine));
  EXPECT_EQ(QApplication::focusWidget(), sendLine);
  EXPECT_EQ(edited.count(), sendLine->text() == "abcdef" ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PickerChoice,
    ::testing::Values(ChoiceCase{"TypedCode", {Type("179")}, "ab<179>ef"},
                      ChoiceCase{"LastClickedBoxWins", {Click("chkEtx"), Click("chkNak")}, "ab<NAK>ef"},
                      ChoiceCase{"ClickingTheCheckedBoxKeepsIt", {Click("chkEtx"), Click("chkEtx")}, "ab<ETX>ef"},
                      ChoiceCase{"TypedCodeWinsOverABox", {Type("5"), Click("chkStx")}, "ab<5>ef"},
                      ChoiceCase{"CodeIsTakenUnchecked", {Type("x 300")}, "ab<x 300>ef"},
                      ChoiceCase{"AnyKeyEnablesOkWithNothingToInsert", {Press(Qt::Key_Backspace)}, "abcdef"},
                      ChoiceCase{"KeyboardTogglesAddUpAndTheOrderDecides",
                                 {Press(Qt::Key_Backspace), Toggle("chkEtx"), Toggle("chkStx")}, "ab<STX>ef"},
                      ChoiceCase{"SecondRowInChoiceOrder",
                                 {Press(Qt::Key_Backspace), Toggle("chkNak"), Toggle("chkAck"), Toggle("chkLf")},
                                 "ab<ACK>ef"}),
    [](const ::testing::TestParamInfo<ChoiceCase>& info) { return std::string(info.param.name); });

TEST_F(Picker, KeyboardToggleNeitherClearsNorEnablesOkButTypingClears) {
  OnModal("frmSpecialChar", [](QDialog& d) {
    Toggle("chkEtx")(d);
    EXPECT_TRUE(Control<QPushButton>(d, "chkEtx")->isChecked());
    EXPECT_FALSE(Control<QPushButton>(d, "cmdOk")->isEnabled());
    Click("chkCr")(d);
    EXPECT_FALSE(Control<QPushButton>(d, "chkEtx")->isChecked());
    Type("2")(d);
    EXPECT_FALSE(Control<QPushButton>(d, "chkCr")->isChecked());
    QTest::mouseClick(Control<QPushButton>(d, "cmdCancel"), Qt::LeftButton);
  });
  fkt_FormsShowSpecialChar(kSpecialCharTargetSend);
}

TEST_F(Picker, CancelTheCloseBoxAndEscInsertNothing) {
  const std::pair<const char*, Step> ways[] = {
      {"Cancel", [](QDialog& d) { QTest::mouseClick(Control<QPushButton>(d, "cmdCancel"), Qt::LeftButton); }},
      {"close box", [](QDialog& d) { d.close(); }},
      {"Esc, then Cancel",
       [](QDialog& d) {
         QTest::keyClick(Control<QPushButton>(d, "chkStx"), Qt::Key_Escape);
         EXPECT_TRUE(d.isVisible());
         QTest::mouseClick(Control<QPushButton>(d, "cmdCancel"), Qt::LeftButton);
       }},
  };
  for (const auto& [way, close] : ways) {
    OnModal("frmSpecialChar", [close = close](QDialog& d) {
      Click("chkStx")(d);
      close(d);
    });
    fkt_FormsShowSpecialChar(kSpecialCharTargetSend);
    EXPECT_EQ(sendLine->text(), "abcdef") << way;
    EXPECT_EQ(window.focusWidget(), other) << way;
  }
}

class PickerFromSettings : public DialogsFixture, public ::testing::WithParamInterface<int> {};

TEST_P(PickerFromSettings, InsertsIntoTheSettingsField) {
  const int target = GetParam();
  const char* field = target == kSpecialCharTargetPrefix ? "txtPrefix" : "txtReadjust";
  const char* button = target == kSpecialCharTargetPrefix ? "cmdInsertSpecialCharPrefix" : "cmdInsertSpecialCharReadjust";
  AppSettings.PrefixOption = 1;
  AppSettings.ReadjustOption = 1;
  OnModal("frmSpecialChar", [target](QDialog& d) {
    EXPECT_EQ(bytSpecialCharTarget, target);
    Click("chkEot")(d);
    ClickOk(d);
  });
  OnModal("frmSettings", [field, button](QDialog& d) {
    // Page 4 is switched off; to reach its fields the test switches it on.
    auto* tabs = Control<QTabWidget>(d, "SSTab1");
    tabs->setTabEnabled(3, true);
    tabs->setCurrentIndex(3);
    auto* edit = Control<QLineEdit>(d, field);
    edit->setText("abcdef");
    edit->setFocus();
    edit->setSelection(2, 2);
    QTest::mouseClick(Control<QPushButton>(d, button), Qt::LeftButton);
    EXPECT_EQ(edit->text(), "ab<EOT>ef");
    EXPECT_EQ(d.focusWidget(), edit);
    ClickOk(d);
  });
  ShowSettingsDialog(nullptr);
  EXPECT_EQ(shownCount, 2);
  EXPECT_EQ(target == kSpecialCharTargetPrefix ? AppSettings.PrefixChars : AppSettings.ReadjustChars, "ab<EOT>ef");
  // The settings dialog's fields are gone with it.
  EXPECT_EQ(SpecialCharTargetField(target), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Targets, PickerFromSettings,
                         ::testing::Values(kSpecialCharTargetPrefix, kSpecialCharTargetReadjust));

TEST_F(Picker, CaptionsFollowTheLanguage) {
  const std::tuple<int, const char*, const char*> languages[] = {
      {0, "Sonderzeichen auswählen und einfügen", "Benutzerdefiniertes Zeichen"},
      {1, "Select and insert special character", "User defined character"}};
  for (const auto& [language, title, frame] : languages) {
    AppSettings.Language = static_cast<std::uint8_t>(language);
    OnModal("frmSpecialChar", [title = title, frame = frame](QDialog& d) {
      EXPECT_EQ(d.windowTitle(), QString::fromUtf8(title));
      EXPECT_EQ(Control<QGroupBox>(d, "fraNumeric")->title(), QString::fromUtf8(frame));
      EXPECT_EQ(Control<QPushButton>(d, "chkNak")->text(), "NAK");
      d.close();
    });
    fkt_FormsShowSpecialChar(kSpecialCharTargetSend);
  }
}

}  // namespace

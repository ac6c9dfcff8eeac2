// The IPv4 entry control: keys repaired on release, moves between the
// fields, and the dotted value in and out.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeySequence>
#include <QLineEdit>
#include <QStringList>
#include <QTest>
#include <algorithm>
#include <string>

#include "dialogs/IpControl.h"

namespace {

QLineEdit* Field(const IpControl& control, int n) {
  return control.findChild<QLineEdit*>(QStringLiteral("txtSegment%1").arg(n + 1));
}

// The four fields joined with dots. In the field with the focus "|" marks the
// caret and "[...]" the selection: "192.[020|].003.004".
QString State(const IpControl& control) {
  QStringList texts;
  for (int n = 0; n < 4; ++n) {
    const QLineEdit* field = Field(control, n);
    QString text = field->text();
    if (QApplication::focusWidget() == field) {
      // Inserted from the right, so that each position still holds.
      if (field->hasSelectedText()) text.insert(field->selectionEnd(), ']');
      text.insert(field->cursorPosition(), '|');
      if (field->hasSelectedText()) text.insert(field->selectionStart(), '[');
    }
    texts << text;
  }
  return texts.join('.');
}

struct TypingCase {
  const char* name;
  const char* before;  // as State() shows it
  const char* keys;    // a key sequence, "1, 9, 2" or "Shift+Left"
  const char* after;
};

class IpControlTyping : public ::testing::TestWithParam<TypingCase> {};

TEST_P(IpControlTyping, RepairsOnKeyUpAndMovesBetweenFields) {
  const TypingCase& c = GetParam();
  IpControl control;
  control.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&control));
  const QStringList before = QString::fromLatin1(c.before).split('.');
  for (int n = 0; n < 4; ++n) {
    QLineEdit* field = Field(control, n);
    QString text = before[n];
    // Markers taken out left to right, so each index holds in the plain text.
    auto take = [&text](QChar marker) {
      const int at = static_cast<int>(text.indexOf(marker));
      if (at >= 0) text.remove(at, 1);
      return at;
    };
    const int selectionStart = take('[');
    const int caret = take('|');
    const int selectionEnd = take(']');
    field->setText(text);
    // Only the focused field's caret is placed; the others keep theirs where
    // setting the text left it, as after an operator's earlier typing.
    if (caret < 0) continue;
    field->setFocus();
    if (selectionStart < 0) {
      field->setCursorPosition(caret);
    } else if (caret == selectionStart) {
      field->setSelection(selectionEnd, selectionStart - selectionEnd);
    } else {
      field->setSelection(selectionStart, selectionEnd - selectionStart);
    }
  }
  const QKeySequence keys(QString::fromLatin1(c.keys));
  ASSERT_FALSE(keys.isEmpty());
  for (int k = 0; k < keys.count(); ++k) {
    ASSERT_NE(keys[k].key(), Qt::Key_unknown) << c.keys;
    QTest::keyClick(QApplication::focusWidget(), keys[k].key(), keys[k].keyboardModifiers());
  }
  EXPECT_EQ(State(control).toStdString(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IpControlTyping,
    ::testing::Values(
        TypingCase{"ThirdDigitMovesOnAndSelectsTheNextField", "|.020.003.004", "1, 9, 2", "192.[020|].003.004"},
        TypingCase{"KeypadDigitsMoveOnLikeTheMainKeys", "|.020.003.004", "Num+1, Num+9, Num+2", "192.[020|].003.004"},
        TypingCase{"DigitAbove255IsUndone", "|.020.003.004", "2, 5, 6", "25|.020.003.004"},
        TypingCase{"LetterIsUndoneWithTheCaretBack", "1|2.020.003.004", "A", "1|2.020.003.004"},
        // The letter replaces the selection and is undone on release: the
        // number comes back unselected with the caret at its start, and the
        // length limit then holds the digit off.
        TypingCase{"LetterOverASelectionGivesTheNumberBackUnselected", "[127|].000.000.001", "A, 9",
                   "|127.000.000.001"},
        TypingCase{"DigitOverASelectionReplacesIt", "[127|].000.000.001", "9", "9|.000.000.001"},
        TypingCase{"DotAfterDigitsMovesOn", "12|.020.003.004", ".", "12.[020|].003.004"},
        TypingCase{"DotInAnEmptyFieldDoesNothing", "|.020.003.004", ".", "|.020.003.004"},
        TypingCase{"DotInTheLastFieldDoesNothing", "192.020.003.4|", ".", "192.020.003.4|"},
        TypingCase{"ThirdDigitInTheLastFieldStays", "192.020.003.|", "1, 2, 3", "192.020.003.123|"},
        // The first Left only reaches the start; the second moves on.
        TypingCase{"LeftMovesOnOnlyFromTheStart", "192.0|20.003.004", "Left, Left", "192|.020.003.004"},
        TypingCase{"RightAtTheEndMovesToTheNextStart", "192.020.003|.004", "Right", "192.020.003.|004"},
        TypingCase{"LeftInTheFirstFieldStays", "|192.020.003.004", "Left", "|192.020.003.004"},
        TypingCase{"RightInTheLastFieldStays", "192.020.003.004|", "Right", "192.020.003.004|"},
        TypingCase{"ShiftLeftSelectsButNeverLeaves", "192.0|20.003.004", "Shift+Left, Shift+Left",
                   "192.[|0]20.003.004"}),
    [](const ::testing::TestParamInfo<TypingCase>& info) { return std::string(info.param.name); });

TEST(IpControlKeys, AKeyStillHeldWhenTheOperatorClicksAwayIsUndone) {
  // Its release goes to the field clicked, not to the one it typed into.
  IpControl control;
  control.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&control));
  control.SetValue("127.0.0.1");
  Field(control, 0)->setFocus();
  Field(control, 0)->selectAll();
  QTest::keyPress(Field(control, 0), Qt::Key_A);
  QTest::mouseClick(Field(control, 2), Qt::LeftButton);
  QTest::keyRelease(Field(control, 2), Qt::Key_A);
  EXPECT_EQ(control.GetValue(), "127.0.0.1");
}

TEST(IpControlPaste, AFieldTakesNoPastedTextButANumberUpTo255) {
  // A paste from the context menu or the middle button brings no key with it.
  IpControl control;
  QLineEdit* field = Field(control, 0);
  const std::pair<const char*, const char*> cases[] = {{"500", ""}, {"1a", ""}, {"25", "25"}, {"2551", "255"}};
  for (const auto& [pasted, kept] : cases) {
    field->clear();
    QApplication::clipboard()->setText(pasted);
    field->paste();
    EXPECT_EQ(field->text(), kept) << pasted;
  }
}

TEST(IpControlValue, SetValueZeroFillsAndGetValueDropsTheZeros) {
  IpControl control;
  EXPECT_EQ(control.GetValue(), "255.255.255.255");
  control.SetValue("10.20.3.4");
  EXPECT_EQ(State(control), "010.020.003.004");
  EXPECT_EQ(control.GetValue(), "10.20.3.4");
  Field(control, 1)->clear();
  EXPECT_EQ(control.GetValue(), "10..3.4");
  control.SetValue("10.0.0");
  EXPECT_EQ(State(control), "010.000.000.");
  EXPECT_EQ(control.GetValue(), "10.0.0.");
}

TEST(IpControlValue, ConvertsDottedAddressesToTheirNumber) {
  EXPECT_EQ(IpControl::fkt_FormatConvertDisplayIPToLong("0.0.0.0"), 0);
  EXPECT_EQ(IpControl::fkt_FormatConvertDisplayIPToLong("255.255.255.255"), 4294967295LL);
  EXPECT_EQ(IpControl::fkt_FormatConvertDisplayIPToLong("10.0.0.1"), 167772161LL);
}

}  // namespace

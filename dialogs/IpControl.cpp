#include "dialogs/IpControl.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QStyleOptionFrame>
#include <algorithm>

#include "core/ModFormat.h"
#include "platform/QtText.h"
#include "platform/Twips.h"
#include "platform/VirtualKey.h"

namespace {

constexpr int kFieldMin = 0;
constexpr int kFieldMax = 255;
constexpr int kDigits = 3;  // a field holds at most three digits

bool IsDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsDigits(const QString& text) {
  return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// A run of digits as its decimal number without leading zeros ("000" gives "0").
std::string WithoutLeadingZeros(const std::string& digits) {
  const std::size_t first = digits.find_first_not_of('0');
  return first == std::string::npos ? std::string("0") : digits.substr(first);
}

// A part of an address written with at least three digits (3 gives 003). A
// part that is not a plain number is kept as it stands; the empty text stays
// empty.
std::string ZeroFilled(const std::string& part) {
  if (!IsDigits(part)) return part;
  const std::string number = WithoutLeadingZeros(part);
  return number.size() >= kDigits ? number : std::string(kDigits - number.size(), '0') + number;
}

// The number formed by the leading digits of `text`; 0 when it starts otherwise.
std::int64_t LeadingNumber(const std::string& text) {
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
  }
  return value;
}

bool IsArrowKey(int keyCode) { return keyCode >= VirtualKey::Left && keyCode <= VirtualKey::Down; }

// The dot of the main keyboard or of the keypad (a comma on some layouts).
bool IsDotKey(const QKeyEvent& key) {
  return key.key() == Qt::Key_Period || (key.key() == Qt::Key_Comma && (key.modifiers() & Qt::KeypadModifier) != 0);
}

// The background box draws the focus frame of the whole control while one of
// its fields has the focus; the box itself never takes the focus.
class BackgroundBox : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;

 protected:
  void initStyleOption(QStyleOptionFrame* option) const override {
    QLineEdit::initStyleOption(option);
    const QWidget* focus = QApplication::focusWidget();
    if (focus != nullptr && focus != this && parentWidget()->isAncestorOf(focus))
      option->state |= QStyle::State_HasFocus;
  }
};

// A number field. A typed key reaches its text unchecked: the control's
// key-up repair judges the result against the text before the key, so a wrong
// key gives the old number back, unselected and with the caret where the key
// was typed, rather than vanishing while a selection stays for the next key
// to replace. The validator still guards what arrives without a key: a paste
// from the context menu or the middle button, a drop.
class SegmentField : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const QValidator* guard = validator();
    setValidator(nullptr);
    QLineEdit::keyPressEvent(event);
    setValidator(guard);
  }
};

constexpr int kShiftOnly = 1;
constexpr int kFirstDigit = 48;
constexpr int kLastDigit = 57;
constexpr int kFirstKeypadDigit = 96;
constexpr int kLastKeypadDigit = 105;

}  // namespace

IpControl::IpControl(QWidget* parent) : QWidget(parent) {
  // The background box gives the four fields the look of one entry box; it
  // stays disabled, so its background is kept white when it is.
  Text1 = new BackgroundBox(this);
  Text1->setObjectName("Text1");
  Text1->setGeometry(TwipsRect(0, 0, 2175, 345));
  Text1->setEnabled(false);
  Text1->setFocusPolicy(Qt::NoFocus);
  QPalette background = Text1->palette();
  background.setColor(QPalette::Disabled, QPalette::Base, background.color(QPalette::Active, QPalette::Base));
  Text1->setPalette(background);

  constexpr int kFieldStep = 480;  // twips from one field (or dot) to the next
  for (int n = 0; n < kSegments; ++n) {
    auto* field = new SegmentField(this);
    field->setObjectName(QStringLiteral("txtSegment%1").arg(n + 1));
    field->setGeometry(TwipsRect(120 + n * kFieldStep, 45, 375, 255));
    field->setFrame(false);
    field->setMaxLength(kDigits);
    // Whatever reaches a field without a key (a paste from the context menu
    // or the middle mouse button) must also be a number from 0 to 255.
    field->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,2}|[01][0-9]{2}|2[0-4][0-9]|25[0-5]")), field));
    field->setAlignment(Qt::AlignCenter);
    field->setText(QStringLiteral("255"));
    field->installEventFilter(this);
    txtSegment[static_cast<std::size_t>(n)] = field;
  }
  for (int n = 0; n < kSegments - 1; ++n) {
    auto* dot = new QLabel(QStringLiteral("."), this);
    dot->setObjectName(QStringLiteral("numHostIp1LimitationPoint%1").arg(n + 1));
    dot->setGeometry(TwipsRect(480 + n * kFieldStep, 45, 75, 195));
    // Lowered by two pixels, so the dot sits on the digits' base line (the
    // fields centre their text in a taller box).
    dot->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    dot->setContentsMargins(0, 2, 0, 0);
    numHostIp1LimitationPoint[static_cast<std::size_t>(n)] = dot;
  }
  for (int n = 1; n < kSegments; ++n) {
    setTabOrder(txtSegment[static_cast<std::size_t>(n - 1)], txtSegment[static_cast<std::size_t>(n)]);
  }
  // Focus given to the control goes to the first field.
  setFocusProxy(txtSegment[0]);
}

void IpControl::SetValue(const std::string& val) {
  for (int n = 0; n < kSegments; ++n) {
    const std::string part = fkt_FormatExtractSpecParameter(val, static_cast<std::uint8_t>(n + 1), true, ".");
    txtSegment[static_cast<std::size_t>(n)]->setText(ToQString(ZeroFilled(part)));
  }
}

std::string IpControl::GetValue() const {
  std::string value;
  for (int n = 0; n < kSegments; ++n) {
    const std::string text = FromQString(txtSegment[static_cast<std::size_t>(n)]->text());
    if (n > 0) value += '.';
    value += IsDigits(text) ? WithoutLeadingZeros(text) : text;
  }
  return value;
}

std::string IpControl::fkt_FormatExtractSpecParameter(const std::string& strText, std::uint8_t bytParamId,
                                                      bool bolOnlyNumericValue, const std::string& strParamChar) {
  try {
    return ::fkt_FormatExtractSpecParameter(strText, bytParamId, bolOnlyNumericValue, strParamChar);
  } catch (...) {
    // The control fails silently: the empty text, nothing shown.
    return {};
  }
}

std::int64_t IpControl::fkt_FormatConvertDisplayIPToLong(const std::string& strDisplayValue) {
  std::string digits;
  for (int n = 1; n <= kSegments; ++n) {
    digits += ZeroFilled(fkt_FormatExtractSpecParameter(strDisplayValue, static_cast<std::uint8_t>(n), true, "."));
  }
  // Groups of three digits from the right: the last group is the fourth number.
  std::int64_t value = 0;
  for (int position : {12, 9, 6, 3}) {
    value = value * 256 + LeadingNumber(fkt_FormatExtractFromRight(digits, position, kDigits));
  }
  return value;
}

std::string IpControl::fkt_FormatExtractFromRight(const std::string& strText, int& intPos, int intCount) {
  const int length = static_cast<int>(strText.size());
  std::string result;
  for (int i = 0; i < intCount; ++i) {
    // Position intPos counted from the right end (1 is the last character).
    result += (intPos >= 1 && intPos <= length) ? strText[static_cast<std::size_t>(length - intPos)] : '0';
    --intPos;
  }
  return result;
}

int IpControl::fkt_FormatCheckIpAdressSegment(QLineEdit& tbox, std::string& oldvalue, int intMin, int intMax) {
  int result = -1;
  const QString textBefore = tbox.text();
  const int caret = tbox.cursorPosition();
  if (tbox.hasSelectedText() || textBefore.isEmpty()) return result;

  if (!IsDigits(textBefore)) tbox.setText(ToQString(oldvalue));

  bool readable = false;
  const int number = tbox.text().toInt(&readable);
  // Restored to a remembered text that is no number (the empty one): leave it.
  if (!readable) return result;
  if (number > intMax || number < intMin) {
    tbox.setText(ToQString(oldvalue));
    tbox.setFocus();
  } else {
    oldvalue = std::to_string(number);
    result = 1;
  }
  // A repaired field gets its caret back where it stood before the rejected
  // character arrived.
  tbox.setCursorPosition(tbox.text() != textBefore ? std::max(0, caret - 1) : caret);
  return result;
}

void IpControl::fkt_FormsCheckIpAddressSegmentKeyCode(int& intKey, int intSelStartBeforeEdit, QLineEdit& curTBox,
                                                      QLineEdit* prevTBox, QLineEdit* nextTBox) {
  if (intKey >= kFirstKeypadDigit && intKey <= kLastKeypadDigit) intKey -= kFirstKeypadDigit - kFirstDigit;
  const int caret = curTBox.cursorPosition();
  const int length = static_cast<int>(curTBox.text().size());

  // An arrow leaves the field only when the caret was already at the edge
  // before the key went down.
  if (prevTBox != nullptr && intKey == VirtualKey::Left && caret == 0 && intSelStartBeforeEdit == 0) {
    prevTBox->setFocus();
    prevTBox->setCursorPosition(static_cast<int>(prevTBox->text().size()));
  } else if (intKey == VirtualKey::Right && intSelStartBeforeEdit >= length && caret == length && nextTBox != nullptr) {
    nextTBox->setFocus();
    nextTBox->setCursorPosition(0);
  } else if (intKey >= kFirstDigit && intKey <= kLastDigit && caret == length && length >= kDigits &&
             nextTBox != nullptr) {
    // A full field hands on to the next one, its whole text selected so that
    // typing goes straight on, wherever its caret was left.
    nextTBox->setFocus();
    nextTBox->setSelection(0, static_cast<int>(nextTBox->text().size()));
  }
}

bool IpControl::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) Text1->update();
  if (event->type() == QEvent::FocusOut) RepairFieldLeftDuringKey(SegmentIndex(watched));
  const bool press = event->type() == QEvent::KeyPress;
  const bool release = event->type() == QEvent::KeyRelease;
  const int index = (press || release) ? SegmentIndex(watched) : -1;
  if (index < 0) return QWidget::eventFilter(watched, event);

  // A dot never enters a field. Typed after the digits of a field, it moves
  // on to the next one, so that an address typed with its dots ("10.0.0.1")
  // comes out as typed; in a field whose text is selected (just entered) or
  // empty it does nothing.
  if (IsDotKey(*static_cast<const QKeyEvent*>(event))) {
    QLineEdit& field = *txtSegment[static_cast<std::size_t>(index)];
    if (press && index + 1 < kSegments && !field.hasSelectedText() && !field.text().isEmpty()) {
      QLineEdit& next = *txtSegment[static_cast<std::size_t>(index) + 1];
      next.setFocus();
      next.setSelection(0, static_cast<int>(next.text().size()));
    }
    return true;
  }

  // The handlers fail silently: a key is never refused with a message. Every
  // release is handled, those of auto-repeat included, so that holding a key
  // down is repaired step by step as well.
  try {
    const auto* key = static_cast<const QKeyEvent*>(event);
    if (press) {
      txtSegment_KeyDown(index);
    } else {
      txtSegment_KeyUp(index, VirtualKey::FromEvent(*key), VirtualKey::Modifiers(*key));
    }
  } catch (...) {
    // Nothing to report by design; the field keeps what it holds.
  }
  return false;  // the field itself still handles the key
}

int IpControl::SegmentIndex(const QObject* object) const {
  const auto* const found = std::find(txtSegment.begin(), txtSegment.end(), object);
  return found == txtSegment.end() ? -1 : static_cast<int>(found - txtSegment.begin());
}

void IpControl::txtSegment_KeyDown(int index) {
  const QLineEdit* field = txtSegment[static_cast<std::size_t>(index)];
  rememberedText_ = FromQString(field->text());
  rememberedCaret_ = field->cursorPosition();
  keyDownField_ = index;
}

void IpControl::RepairFieldLeftDuringKey(int index) noexcept {
  if (index < 0 || index != keyDownField_) return;
  keyDownField_ = -1;
  // The key's release goes to the field that has the focus now, so this
  // field would keep what the key typed: give it back its text from before
  // the key unless what it holds is a number from 0 to 255 anyway.
  try {
    QLineEdit& field = *txtSegment[static_cast<std::size_t>(index)];
    if (!field.hasAcceptableInput()) field.setText(ToQString(rememberedText_));
  } catch (...) {
    // Silent like every repair of the control; the field keeps what it holds.
  }
}

void IpControl::txtSegment_KeyUp(int index, int keyCode, int shift) {
  keyDownField_ = -1;
  // Shift with an arrow extends a selection; it is left alone.
  if (IsArrowKey(keyCode) && shift == kShiftOnly) return;
  QLineEdit& field = *txtSegment[static_cast<std::size_t>(index)];
  fkt_FormatCheckIpAdressSegment(field, rememberedText_, kFieldMin, kFieldMax);
  QLineEdit* previous = index > 0 ? txtSegment[static_cast<std::size_t>(index - 1)] : nullptr;
  QLineEdit* next = index + 1 < kSegments ? txtSegment[static_cast<std::size_t>(index) + 1] : nullptr;
  fkt_FormsCheckIpAddressSegmentKeyCode(keyCode, rememberedCaret_, field, previous, next);
}

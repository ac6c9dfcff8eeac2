#pragma once
// An entry control for a dotted IPv4 address: four number fields behind one
// box, separated by dots. It takes only decimal digits and keeps each field
// within 0 .. 255: on every key release a field is checked against the text
// it held when the key went down and repaired silently; what arrives without
// a key (a paste from the menu, a drop) is taken only when it is such a
// number. After the third digit, and at a dot typed after digits, the focus
// moves on to the next field; Left at the start and Right at the end of a
// field move to the neighbour when the caret was already at that edge before
// the key. The host writes and reads the address as dotted text.
#include <QWidget>
#include <array>
#include <cstdint>
#include <string>

class QLabel;
class QLineEdit;

class IpControl : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kSegments = 4;

  explicit IpControl(QWidget* parent = nullptr);

  // Shows `val`: part n of the dotted text in field n, zero-filled to three
  // digits; a missing part leaves its field empty.
  void SetValue(const std::string& val);
  // The four fields without leading zeros, joined with "." (incomplete
  // addresses as they stand, for example "10..3.4").
  std::string GetValue() const;

  // Field `bytParamId` (from 1) of `strText`; the core walk, but a failure
  // ends it quietly with the empty text.
  static std::string fkt_FormatExtractSpecParameter(const std::string& strText, std::uint8_t bytParamId,
                                                    bool bolOnlyNumericValue, const std::string& strParamChar = {});
  // The 32-bit value of a dotted address (10.0.0.1 gives 167772161).
  static std::int64_t fkt_FormatConvertDisplayIPToLong(const std::string& strDisplayValue);
  // `intCount` characters of `strText` starting `intPos` characters from its
  // right end, "0" for positions left of its start; `intPos` is moved left by
  // `intCount` for the caller.
  static std::string fkt_FormatExtractFromRight(const std::string& strText, int& intPos, int intCount);

  // Checks `tbox` after a key: a non-digit or an out-of-range number brings
  // back `oldvalue`, with the caret put back where it was. Returns 1 when the
  // field holds a number within range (and `oldvalue` becomes that number),
  // -1 otherwise or when nothing was checked.
  static int fkt_FormatCheckIpAdressSegment(QLineEdit& tbox, std::string& oldvalue, int intMin, int intMax);
  // Moves the focus to a neighbouring field after a key, if the key calls for
  // it. Keypad digits are turned into main-keyboard digits in `intKey`.
  static void fkt_FormsCheckIpAddressSegmentKeyCode(int& intKey, int intSelStartBeforeEdit, QLineEdit& curTBox,
                                                    QLineEdit* prevTBox = nullptr, QLineEdit* nextTBox = nullptr);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void txtSegment_KeyDown(int index);
  void txtSegment_KeyUp(int index, int keyCode, int shift);
  // Runs when field `index` loses the focus: a key that went down in it and
  // is still held is released elsewhere, so its repair is done here.
  void RepairFieldLeftDuringKey(int index) noexcept;
  int SegmentIndex(const QObject* object) const;

  QLineEdit* Text1 = nullptr;
  std::array<QLineEdit*, kSegments> txtSegment{};
  std::array<QLabel*, kSegments - 1> numHostIp1LimitationPoint{};

  // The text and caret of the field in which the last key went down, as
  // they were before that key acted; one copy for all four fields.
  std::string rememberedText_;
  int rememberedCaret_ = 0;
  // The field in which a key went down and has not yet come up, or -1.
  int keyDownField_ = -1;
};

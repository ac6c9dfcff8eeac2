#pragma once
// The special-character picker. The operator checks one of eight control
// characters or types a character code; OK closes the picker with the
// matching notation token, which fkt_FormsShowSpecialChar then types into the
// target field named by bytSpecialCharTarget, at its caret, replacing its
// selection. Cancel and the close box insert nothing; Esc does nothing.
#include <QDialog>
#include <array>
#include <optional>
#include <string>

class QGroupBox;
class QLineEdit;
class QPushButton;

class frmSpecialChar : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kBoxes = 8;

  explicit frmSpecialChar(QWidget* parent = nullptr);

  void Form_Load();
  void ControlsSetCaptions();
  // Clears the choice of a box and enables OK.
  void ControlsResetChoice();

  // The token OK chose; std::nullopt until OK closes the picker.
  const std::optional<std::string>& ChosenToken() const { return chosenToken_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The picker has no cancel button in the keyboard sense: Esc does nothing.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void cmdOk_Click();
  void cmdCancel_Click();
  std::string TokenOfChoice() const;

  QGroupBox* Frame1 = nullptr;
  // The boxes in the order in which OK looks for a checked one:
  // STX, ETX, EOT, ENQ, ACK, LF, CR, NAK.
  std::array<QPushButton*, kBoxes> boxes_{};
  QGroupBox* fraNumeric = nullptr;
  QLineEdit* txtNumeric = nullptr;
  QPushButton* cmdOk = nullptr;
  QPushButton* cmdCancel = nullptr;

  std::optional<std::string> chosenToken_;
};

// Opens the picker modally for target `target` (0 the settings dialog's
// prefix field, 1 its suffix field, 2 the main window's send line), and after
// it has closed with OK gives that field the focus and inserts the token.
void fkt_FormsShowSpecialChar(int target);

#pragma once
// The settings dialog. It works on AppSettings in memory only: loading fills
// its controls from the record, OK copies them back, Cancel, Esc and the close
// box discard every edit. Captions are fetched in the language the record
// holds when the dialog loads. Page 4 is switched off, yet its fields are
// filled and written back like all others.
#include <QDialog>
#include <cstdint>

class IpControl;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

class frmSettings : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kPageCount = 4;
  static constexpr int kSwitchedOffPage = 3;

  explicit frmSettings(QWidget* parent = nullptr);
  ~frmSettings() override;
  frmSettings(const frmSettings&) = delete;
  frmSettings& operator=(const frmSettings&) = delete;

  void Form_Load();
  void ControlsFillFromSettings();
  void ControlsSaveToSettings();
  void ControlsSetEnabled();
  void ControlsSetCaptions();

 private:
  // A flag as loaded: its stored value and whether it was shown as set. A
  // flag the operator leaves alone is written back as stored, so values other
  // than 0 and 1 survive OK.
  struct LoadedFlag {
    std::uint8_t stored = 0;
    bool shownSet = false;
  };

  void CreatePageInterface(QWidget* page);
  void CreatePageInternational(QWidget* page);
  void CreatePagePresentation(QWidget* page);
  void CreatePageCommandLine(QWidget* page);

  static void FillFlag(QCheckBox& box, std::uint8_t value, LoadedFlag& loaded);
  static std::uint8_t SavedFlag(const QCheckBox& box, const LoadedFlag& loaded);

  void cmdOk_Click();
  void cmdCancel_Click();
  void cmdInsertSpecialCharPrefix_Click();
  void cmdInsertSpecialCharReadjust_Click();

  QTabWidget* SSTab1 = nullptr;

  QGroupBox* fraInterface = nullptr;
  QLabel* labAddress = nullptr;
  IpControl* IpAddress = nullptr;
  QLabel* labPort = nullptr;
  QLineEdit* txtUdpPort = nullptr;
  QFrame* Line1 = nullptr;
  QLabel* labLocaleIpAddress = nullptr;
  QComboBox* cboNetworkAdapters = nullptr;
  QComboBox* cboNetworkAdaptersMacAddress = nullptr;
  QLabel* labLocalUdpPort = nullptr;
  QLineEdit* txtUdpPortLocale = nullptr;
  QLabel* Label2 = nullptr;
  QComboBox* cboInterfacesDesc = nullptr;

  QGroupBox* fraInternational = nullptr;
  QLabel* labLanguageProgram = nullptr;
  QComboBox* cboLanguageProgram = nullptr;

  QGroupBox* fraPresentation = nullptr;
  QCheckBox* chkSpecialChar = nullptr;

  QGroupBox* Frame1 = nullptr;
  QCheckBox* chkDeleteSendText = nullptr;
  QCheckBox* chkPrefix = nullptr;
  QLineEdit* txtPrefix = nullptr;
  QPushButton* cmdInsertSpecialCharPrefix = nullptr;
  QCheckBox* chkReadjust = nullptr;
  QLineEdit* txtReadjust = nullptr;
  QPushButton* cmdInsertSpecialCharReadjust = nullptr;

  QPushButton* cmdOk = nullptr;
  QPushButton* cmdCancel = nullptr;

  LoadedFlag loadedPeculiar_;
  LoadedFlag loadedDeleteSendChars_;
  LoadedFlag loadedPrefixOption_;
  LoadedFlag loadedReadjustOption_;
  LoadedFlag loadedLanguage_;  // "set" = English shown
};

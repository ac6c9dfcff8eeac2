#include "dialogs/frmSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "core/AppSettings.h"
#include "core/StringTable.h"
#include "dialogs/EventGuard.h"
#include "dialogs/IpControl.h"
#include "dialogs/NetworkAdapterList.h"
#include "dialogs/SpecialCharTarget.h"
#include "dialogs/frmSpecialChar.h"
#include "platform/NotationField.h"
#include "platform/QtText.h"
#include "platform/Twips.h"
#include "platform/WidgetBuilding.h"

namespace {

QString Fixed(const char* utf8) { return QString::fromUtf8(utf8); }

// Every page holds one frame at this place (twips, relative to the page);
// the controls' places are relative to the frame.
QGroupBox* PageFrame(QWidget* page, const char* name) {
  auto* frame = Named(new QGroupBox(page), name);
  frame->setGeometry(TwipsRect(90, 90, 7080, 2970));
  return frame;
}

constexpr int kFieldHeight = 315;
constexpr int kLabelHeight = 195;
constexpr int kCheckHeight = 255;
constexpr int kLeft = 360;

// The fixed captions of page 4 and the language list, German in both languages.
constexpr const char* kCommandLinePage = "Kommandozeile";
constexpr const char* kCommandLineFrame = "Einstellungen";
constexpr const char* kDeleteSendText = "'Zu sendende Zeichen' nach Abarbeitung löschen";
constexpr const char* kPrefix = "An 'Zu sendende Zeichen' voranstellen:";
constexpr const char* kReadjust = "An 'Zu sendende Zeichen' anhängen:";
constexpr const char* kInsertSpecialChar = "Sonderzeichen einfügen...";
constexpr const char* kLanguages[] = {"Deutsch", "Englisch"};

// A field that is switched off shows the button face, as the buttons do; once
// switched on again it takes the normal field background back.
void ShowFieldEnabled(QLineEdit& field, bool enabled, const QColor& buttonFace) {
  field.setEnabled(enabled);
  if (enabled) {
    field.setPalette(QPalette());
  } else {
    QPalette palette = field.palette();
    palette.setColor(QPalette::Base, buttonFace);
    field.setPalette(palette);
  }
}

}  // namespace

frmSettings::frmSettings(QWidget* parent) : QDialog(parent) {
  setObjectName("frmSettings");
  MakeFixedDialog(*this, 7545, 4230);

  SSTab1 = Named(new QTabWidget(this), "SSTab1");
  SSTab1->setGeometry(TwipsRect(120, 120, 7335, 3585));
  for (int n = 0; n < kPageCount; ++n) {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("SSTab1Page%1").arg(n + 1));
    SSTab1->addTab(page, QString());
  }
  CreatePageInterface(SSTab1->widget(0));
  CreatePageInternational(SSTab1->widget(1));
  CreatePagePresentation(SSTab1->widget(2));
  CreatePageCommandLine(SSTab1->widget(3));

  cmdOk = Named(new QPushButton(this), "cmdOk");
  cmdOk->setGeometry(TwipsRect(4905, 3780, 1215, 375));
  cmdOk->setDefault(true);
  cmdCancel = Named(new QPushButton(this), "cmdCancel");
  cmdCancel->setGeometry(TwipsRect(6240, 3780, 1215, 375));

  connect(cmdOk, &QPushButton::clicked, this, [this] { GuardEvent("cmdOk_Click", [this] { cmdOk_Click(); }); });
  connect(cmdCancel, &QPushButton::clicked, this,
          [this] { GuardEvent("cmdCancel_Click", [this] { cmdCancel_Click(); }); });
  connect(chkPrefix, &QCheckBox::toggled, this,
          [this] { GuardEvent("chkPrefix_Click", [this] { ControlsSetEnabled(); }); });
  connect(chkReadjust, &QCheckBox::toggled, this,
          [this] { GuardEvent("chkReadjust_Click", [this] { ControlsSetEnabled(); }); });
  connect(cmdInsertSpecialCharPrefix, &QPushButton::clicked, this,
          [this] { GuardEvent("cmdInsertSpecialCharPrefix_Click", [this] { cmdInsertSpecialCharPrefix_Click(); }); });
  connect(cmdInsertSpecialCharReadjust, &QPushButton::clicked, this, [this] {
    GuardEvent("cmdInsertSpecialCharReadjust_Click", [this] { cmdInsertSpecialCharReadjust_Click(); });
  });

  // The picker types into these two fields while this dialog is open.
  SetSpecialCharTargetField(kSpecialCharTargetPrefix, txtPrefix);
  SetSpecialCharTargetField(kSpecialCharTargetReadjust, txtReadjust);
}

frmSettings::~frmSettings() {
  if (SpecialCharTargetField(kSpecialCharTargetPrefix) == txtPrefix) {
    SetSpecialCharTargetField(kSpecialCharTargetPrefix, nullptr);
  }
  if (SpecialCharTargetField(kSpecialCharTargetReadjust) == txtReadjust) {
    SetSpecialCharTargetField(kSpecialCharTargetReadjust, nullptr);
  }
}

void frmSettings::CreatePageInterface(QWidget* page) {
  fraInterface = PageFrame(page, "fraInterface");
  labAddress = Named(new QLabel(fraInterface), "labAddress");
  labAddress->setGeometry(TwipsRect(kLeft, 360, 2640, kLabelHeight));
  labPort = Named(new QLabel(fraInterface), "labPort");
  labPort->setGeometry(TwipsRect(3120, 360, 3600, kLabelHeight));
  IpAddress = Named(new IpControl(fraInterface), "IpAddress");
  IpAddress->setGeometry(TwipsRect(kLeft, 600, 2415, 345));
  txtUdpPort = Named(new QLineEdit(fraInterface), "txtUdpPort");
  // As high as the address control beside it.
  txtUdpPort->setGeometry(TwipsRect(3120, 600, 1815, 345));
  MakeNotationField(txtUdpPort);

  Line1 = Named(new QFrame(fraInterface), "Line1");
  Line1->setFrameShape(QFrame::HLine);
  Line1->setFrameShadow(QFrame::Sunken);
  Line1->setGeometry(TwipsRect(kLeft, 1080, 6720 - kLeft, 30));

  labLocaleIpAddress = Named(new QLabel(fraInterface), "labLocaleIpAddress");
  labLocaleIpAddress->setGeometry(TwipsRect(kLeft, 1320, 6375, kLabelHeight));
  cboNetworkAdapters = Named(new QComboBox(fraInterface), "cboNetworkAdapters");
  cboNetworkAdapters->setGeometry(TwipsRect(kLeft, 1560, 6375, kFieldHeight));
  cboNetworkAdaptersMacAddress = Named(new QComboBox(fraInterface), "cboNetworkAdaptersMacAddress");
  cboNetworkAdaptersMacAddress->hide();

  labLocalUdpPort = Named(new QLabel(fraInterface), "labLocalUdpPort");
  labLocalUdpPort->setGeometry(TwipsRect(kLeft, 2040, 2415, kLabelHeight));
  txtUdpPortLocale = Named(new QLineEdit(fraInterface), "txtUdpPortLocale");
  txtUdpPortLocale->setGeometry(TwipsRect(kLeft, 2280, 1095, kFieldHeight));
  MakeNotationField(txtUdpPortLocale);

  // Kept from the dialog's design; never shown and never used.
  Label2 = Named(new QLabel(Fixed("Networks:"), fraInterface), "Label2");
  Label2->hide();
  cboInterfacesDesc = Named(new QComboBox(fraInterface), "cboInterfacesDesc");
  cboInterfacesDesc->hide();
}

void frmSettings::CreatePageInternational(QWidget* page) {
  fraInternational = PageFrame(page, "fraInternational");
  labLanguageProgram = Named(new QLabel(fraInternational), "labLanguageProgram");
  labLanguageProgram->setGeometry(TwipsRect(kLeft, 360, 2415, kLabelHeight));
  cboLanguageProgram = Named(new QComboBox(fraInternational), "cboLanguageProgram");
  cboLanguageProgram->setGeometry(TwipsRect(kLeft, 600, 2415, kFieldHeight));
  for (const char* language : kLanguages) cboLanguageProgram->addItem(Fixed(language));
}

void frmSettings::CreatePagePresentation(QWidget* page) {
  fraPresentation = PageFrame(page, "fraPresentation");
  chkSpecialChar = Named(new QCheckBox(fraPresentation), "chkSpecialChar");
  chkSpecialChar->setGeometry(TwipsRect(kLeft, 450, 6360, kCheckHeight));
}

void frmSettings::CreatePageCommandLine(QWidget* page) {
  Frame1 = PageFrame(page, "Frame1");
  Frame1->setTitle(Fixed(kCommandLineFrame));
  chkDeleteSendText = Named(new QCheckBox(Fixed(kDeleteSendText), Frame1), "chkDeleteSendText");
  chkDeleteSendText->setGeometry(TwipsRect(kLeft, 450, 6360, kCheckHeight));
  chkPrefix = Named(new QCheckBox(Fixed(kPrefix), Frame1), "chkPrefix");
  chkPrefix->setGeometry(TwipsRect(kLeft, 870, 6360, kCheckHeight));
  txtPrefix = Named(new QLineEdit(Frame1), "txtPrefix");
  txtPrefix->setGeometry(TwipsRect(kLeft, 1230, 1995, kFieldHeight));
  MakeNotationField(txtPrefix);
  cmdInsertSpecialCharPrefix = Named(new QPushButton(Fixed(kInsertSpecialChar), Frame1), "cmdInsertSpecialCharPrefix");
  cmdInsertSpecialCharPrefix->setGeometry(TwipsRect(2475, 1230, 2415, kFieldHeight));
  chkReadjust = Named(new QCheckBox(Fixed(kReadjust), Frame1), "chkReadjust");
  chkReadjust->setGeometry(TwipsRect(kLeft, 1650, 6360, kCheckHeight));
  txtReadjust = Named(new QLineEdit(Frame1), "txtReadjust");
  txtReadjust->setGeometry(TwipsRect(kLeft, 2010, 1995, kFieldHeight));
  MakeNotationField(txtReadjust);
  cmdInsertSpecialCharReadjust =
      Named(new QPushButton(Fixed(kInsertSpecialChar), Frame1), "cmdInsertSpecialCharReadjust");
  cmdInsertSpecialCharReadjust->setGeometry(TwipsRect(2475, 2010, 2415, kFieldHeight));
  SSTab1->setTabText(3, Fixed(kCommandLinePage));
}

void frmSettings::Form_Load() {
  SSTab1->setCurrentIndex(0);
  // Page 4 cannot be selected, so its controls cannot be reached.
  SSTab1->setTabEnabled(kSwitchedOffPage, false);
  ControlsFillFromSettings();
  ControlsSetCaptions();
  ControlsSetEnabled();
  // The dialog opens ready for typing the instrument's address: in its first
  // field, with that field's text selected.
  IpAddress->setFocus();
  if (auto* first = IpAddress->findChild<QLineEdit*>(QStringLiteral("txtSegment1"))) first->selectAll();
}

void frmSettings::FillFlag(QCheckBox& box, std::uint8_t value, LoadedFlag& loaded) {
  loaded = {value, value == 1};
  box.setChecked(loaded.shownSet);
}

std::uint8_t frmSettings::SavedFlag(const QCheckBox& box, const LoadedFlag& loaded) {
  const bool set = box.isChecked();
  if (set == loaded.shownSet) return loaded.stored;
  return set ? 1 : 0;
}

void frmSettings::ControlsFillFromSettings() {
  IpAddress->SetValue(AppSettings.UdpAddress);
  txtUdpPort->setText(ToQString(AppSettings.UdpPort));
  txtUdpPortLocale->setText(ToQString(AppSettings.UdpPortLocale));

  fkt_ToolsGetNetworkAdapters(*cboNetworkAdapters, *cboNetworkAdaptersMacAddress, AppSettings.LocaleIpAddress);
  ApplyEmptyAdapterListRule(*cboNetworkAdapters, *cboNetworkAdaptersMacAddress);
  cboNetworkAdapters->setToolTip(cboNetworkAdapters->currentText());

  // Any language other than German is looked up in English, so it shows so.
  loadedLanguage_ = {AppSettings.Language, AppSettings.Language != 0};
  cboLanguageProgram->setCurrentIndex(loadedLanguage_.shownSet ? 1 : 0);

  FillFlag(*chkSpecialChar, AppSettings.Peculiar, loadedPeculiar_);
  FillFlag(*chkDeleteSendText, AppSettings.DeleteSendChars, loadedDeleteSendChars_);
  FillFlag(*chkPrefix, AppSettings.PrefixOption, loadedPrefixOption_);
  FillFlag(*chkReadjust, AppSettings.ReadjustOption, loadedReadjustOption_);

  txtPrefix->setText(ToQString(AppSettings.PrefixChars));
  txtReadjust->setText(ToQString(AppSettings.ReadjustChars));
}

void frmSettings::ControlsSaveToSettings() {
  AppSettings.UdpAddress = IpAddress->GetValue();
  AppSettings.UdpPort = FromQString(txtUdpPort->text());
  AppSettings.UdpPortLocale = FromQString(txtUdpPortLocale->text());

  const int card = cboNetworkAdapters->currentIndex();
  const bool cardChosen = card >= 0 && card < cboNetworkAdaptersMacAddress->count();
  AppSettings.LocaleIpAddress = cardChosen ? FromQString(cboNetworkAdaptersMacAddress->itemText(card)) : std::string();

  const bool english = cboLanguageProgram->currentIndex() == 1;
  AppSettings.Language = english == loadedLanguage_.shownSet ? loadedLanguage_.stored : (english ? 1 : 0);

  AppSettings.Peculiar = SavedFlag(*chkSpecialChar, loadedPeculiar_);
  AppSettings.DeleteSendChars = SavedFlag(*chkDeleteSendText, loadedDeleteSendChars_);
  AppSettings.PrefixOption = SavedFlag(*chkPrefix, loadedPrefixOption_);
  AppSettings.ReadjustOption = SavedFlag(*chkReadjust, loadedReadjustOption_);

  AppSettings.PrefixChars = FromQString(txtPrefix->text());
  AppSettings.ReadjustChars = FromQString(txtReadjust->text());
  NotifySettingsChanged();
}

void frmSettings::ControlsSetEnabled() {
  const QColor buttonFace = cmdOk->palette().color(QPalette::Button);
  const bool prefix = chkPrefix->isChecked();
  ShowFieldEnabled(*txtPrefix, prefix, buttonFace);
  cmdInsertSpecialCharPrefix->setEnabled(prefix);
  const bool readjust = chkReadjust->isChecked();
  ShowFieldEnabled(*txtReadjust, readjust, buttonFace);
  cmdInsertSpecialCharReadjust->setEnabled(readjust);
}

void frmSettings::ControlsSetCaptions() {
  setWindowTitle(ResText(1500));
  SSTab1->setTabText(0, ResText(1501));
  SSTab1->setTabText(1, ResText(1502));
  SSTab1->setTabText(2, ResText(1503));
  fraInterface->setTitle(ResText(1504));
  fraInternational->setTitle(ResText(1504));
  fraPresentation->setTitle(ResText(1504));
  labAddress->setText(ResText(1514));
  labLocaleIpAddress->setText(ResText(1515));
  labPort->setText(ResText(1517));
  labLocalUdpPort->setText(ResText(1518));
  labLanguageProgram->setText(ResText(1510));
  chkSpecialChar->setText(ResText(1511));
  cmdOk->setText(ResText(1512));
  cmdCancel->setText(ResText(1513));
}

void frmSettings::cmdOk_Click() {
  ControlsSaveToSettings();
  accept();
}

void frmSettings::cmdCancel_Click() { reject(); }

void frmSettings::cmdInsertSpecialCharPrefix_Click() { fkt_FormsShowSpecialChar(kSpecialCharTargetPrefix); }

void frmSettings::cmdInsertSpecialCharReadjust_Click() { fkt_FormsShowSpecialChar(kSpecialCharTargetReadjust); }

#pragma once
// Edit > "Append block check when sending": while ticked, a line sent from
// the send line or a command slot that is a frame ending in ETX gets its
// block check appended at send time (the send path asks MissingBlockCheck),
// so that slots may hold frames without it. Remembered in
// AppSettings.AppendBlockCheck; off by default.
#include <QObject>

class QAction;
class QMenu;

class SendOptions : public QObject {
  Q_OBJECT

 public:
  // Adds the menu entry at the end of `editMenu`, which outlives this object.
  explicit SendOptions(QMenu& editMenu);

  void ApplyLanguageTexts();
  // Takes the switch from AppSettings (after the settings were loaded).
  void TakeSettings();

 private:
  QAction* mnuEditAppendBlockCheck = nullptr;
};

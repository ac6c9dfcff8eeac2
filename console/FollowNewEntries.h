#pragma once
// Edit > "Follow new entries": while on, the traffic list keeps its newest
// entry in sight as entries arrive, the reply to a send included.
//
// Following pauses where the operator shows an interest in older entries:
// scrolling away from the end, or moving the current entry (a click, the
// keys, a find) anywhere but to the last entry. It resumes at the end: End,
// a send (which selects its entry, the last), scrolling to the bottom, or
// "Delete list". While paused, a label in the status bar says so and how to
// resume. All of it runs on the window thread, once per display frame at
// most; the receive path never sees it.
//
// The switch is remembered (AppSettings.FollowNewEntries); off, the list
// behaves as it always did: receiving neither scrolls nor selects.
#include <QObject>

class QAction;
class ElidedLabel;
class QMenu;
class QStatusBar;
class TrafficListModel;
class TrafficView;

class FollowNewEntries : public QObject {
  Q_OBJECT

 public:
  // Adds the menu entry at the end of `editMenu` and the (hidden) label to
  // `statusBar`; every argument outlives this object.
  FollowNewEntries(TrafficView& view, const TrafficListModel& model, QMenu& editMenu, QStatusBar& statusBar);

  void ApplyLanguageTexts();
  // Takes the switch from AppSettings (after the settings were loaded).
  void TakeSettings();
  // From the menu; stores the switch in AppSettings.
  void SetOn(bool on);
  bool On() const { return on_; }
  bool Paused() const { return on_ && paused_; }

 private:
  // After the operator moved: at the end resumes, anywhere else pauses.
  void FollowIfAtEnd(bool atEnd);
  void Pause();
  void Resume();

  TrafficView& view_;
  QAction* mnuEditFollow = nullptr;
  ElidedLabel* stbFollowPaused = nullptr;
  bool on_ = false;
  bool paused_ = false;
};

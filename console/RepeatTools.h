#pragma once
// Repeating a send: Edit > "Repeat..." asks what to send, every how long and
// how often (RepeatDialog); Edit > "Stop repeating" (Ctrl+.) ends it; while it
// runs, a panel of the status bar, right of the counters, says how far it is
// ("Repeating F1 every 500 ms: 12 of 100"). Both entries come at the end of
// the Edit menu; nothing of the window's design moves.
//
// Each send is the window's own send of the line (listed, selected, counted,
// sent only while the link is open), made on the window thread by a precise
// timer at the times of a fixed-rate schedule (RepeatSchedule): no drift,
// and when the window thread was held up for a period or more the times
// missed are skipped, not sent in a burst, and the panel says how many. A
// send that fails (a token that does not convert, a socket error) ends the
// repeat and is reported once. A new repeat replaces the one running;
// "Delete list", the settings dialog and a closed link leave it running.
#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>

#include "console/RepeatDialog.h"
#include "traffic/RepeatSchedule.h"

class ElidedLabel;
class QAction;
class QMainWindow;
class QMenu;

class RepeatTools : public QObject {
  Q_OBJECT

 public:
  using Sources = std::function<RepeatSources()>;
  // The window's send of one line; throws on a failure, before listing.
  using Send = std::function<void(const std::string& line)>;
  // Told each send's lateness: its time less its scheduled time.
  using LatenessProbe = std::function<void(RepeatSchedule::Clock::duration)>;

  RepeatTools(QMainWindow& window, QMenu& editMenu, Sources sources, Send send);

  void ApplyLanguageTexts();
  // Asks with the dialog and starts what it was given.
  void mnuEditRepeat_Click();
  // The first send at once, then on schedule; replaces a repeat running.
  void Start(const RepeatRequest& request);
  void Stop();
  bool Running() const { return schedule_.has_value(); }
  // The schedule of the repeat running, nothing otherwise.
  const RepeatSchedule* Schedule() const { return schedule_ ? &*schedule_ : nullptr; }
  void SetLatenessProbe(LatenessProbe probe) { probe_ = std::move(probe); }

 private:
  // The timer's tick: the send due, if any, then the timer for the next.
  void Tick();
  void ShowProgress();
  void ReportFailure(const std::string& text);

  QMainWindow& window_;
  Sources sources_;
  Send send_;
  LatenessProbe probe_;
  QAction* mnuEditRepeat = nullptr;
  QAction* mnuEditStopRepeat = nullptr;
  ElidedLabel* stbRepeat = nullptr;
  QTimer timer_;
  std::optional<RepeatSchedule> schedule_;
  RepeatRequest request_;
  RepeatInput lastInput_;
  RepeatSchedule::Clock::time_point shownAt_;  // when the panel was last written
  bool asking_ = false;
};

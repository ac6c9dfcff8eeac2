#include "console/RepeatTools.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <exception>
#include <thread>

#include "core/Platform.h"
#include "core/RunTimeError.h"
#include "dialogs/ModalSeam.h"
#include "platform/ElidedLabel.h"
#include "platform/WidgetBuilding.h"

namespace {

using Clock = RepeatSchedule::Clock;

// The panel is written at most this often while sends come faster; writing
// it each millisecond would cost the window more than the sends.
constexpr auto kProgressInterval = std::chrono::milliseconds(100);
// The timer wakes in whole milliseconds; the last part of the wait, less
// than this, is slept on the spot, so a send leaves within some 0.1 ms of
// its time instead of up to a millisecond after it.
constexpr auto kFinalWait = std::chrono::milliseconds(2);

}  // namespace

RepeatTools::RepeatTools(QMainWindow& window, QMenu& editMenu, Sources sources, Send send)
    : QObject(&window), window_(window), sources_(std::move(sources)), send_(std::move(send)) {
  lastInput_.period = "500";
  lastInput_.count = "100";

  editMenu.addSeparator()->setObjectName("mnuSpaceRepeat");
  mnuEditRepeat = Named(editMenu.addAction(QString()), "mnuEditRepeat");
  connect(mnuEditRepeat, &QAction::triggered, this, [this] { mnuEditRepeat_Click(); });
  mnuEditStopRepeat = Named(editMenu.addAction(QString()), "mnuEditStopRepeat");
  mnuEditStopRepeat->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Period));
  mnuEditStopRepeat->setEnabled(false);
  connect(mnuEditStopRepeat, &QAction::triggered, this, [this] { Stop(); });

  // Right of the counters; it shows only while a repeat runs. When the bar
  // is short the link's panel keeps its room, the counters give way, and
  // the panel keeps at least "12 of 100".
  stbRepeat = Named(new ElidedLabel(window.statusBar()), "stbRepeat");
  window.statusBar()->addPermanentWidget(stbRepeat);
  stbRepeat->hide();

  // A precise timer: a coarse one may be 5 % of the period off.
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
}

void RepeatTools::ApplyLanguageTexts() {
  mnuEditRepeat->setText(ResText(8360));
  mnuEditStopRepeat->setText(ResText(8361));
  if (Running()) ShowProgress();
}

void RepeatTools::mnuEditRepeat_Click() {
  // The dialog runs its own event loop; a second one from within it waits.
  if (asking_) return;
  asking_ = true;
  RepeatSources sources = sources_();
  // A first opening offers the send line, or F1 when the send line is empty.
  if (lastInput_.source == 0 && sources.sendLine.empty() && !Running()) lastInput_.source = 1;
  RepeatDialog dialog(std::move(sources), lastInput_, &window_);
  const bool accepted = RunModal(dialog) == QDialog::Accepted;
  asking_ = false;
  if (!accepted) return;
  lastInput_ = dialog.Input();
  Start(dialog.Request());
}

void RepeatTools::Start(const RepeatRequest& request) {
  Stop();
  request_ = request;
  schedule_.emplace(request.period, request.count, Clock::now());
  mnuEditStopRepeat->setEnabled(true);
  shownAt_ = Clock::time_point();
  stbRepeat->show();
  Tick();
}

void RepeatTools::Stop() {
  timer_.stop();
  schedule_.reset();
  mnuEditStopRepeat->setEnabled(false);
  stbRepeat->hide();
  stbRepeat->clear();
  stbRepeat->setMinimumWidth(0);
}

void RepeatTools::Tick() {
  if (!schedule_) return;
  if (const auto early = schedule_->NextDue() - Clock::now(); early > Clock::duration(0) && early < kFinalWait) {
    std::this_thread::sleep_until(schedule_->NextDue());
  }
  const RepeatSchedule::Step step = schedule_->Take(Clock::now());
  if (step.send) {
    try {
      send_(request_.line);
    } catch (const RunTimeError& error) {
      ReportFailure("Beschreibung: " + error.Description() + "\r\nFehler: " + std::to_string(error.Number()));
      return;
    } catch (const std::exception& error) {
      ReportFailure(error.what());
      return;
    }
    if (!schedule_) return;  // stopped from within the send
    if (probe_) probe_(step.lateness);
    if (schedule_->Done()) {
      Stop();
      return;
    }
    if (Clock::now() - shownAt_ >= kProgressInterval || step.skipped > 0) ShowProgress();
  }
  // Woken at most a millisecond early (the rest is slept above); a timer
  // that fires earlier still finds nothing due and waits again.
  const auto wait = std::chrono::floor<std::chrono::milliseconds>(schedule_->NextDue() - Clock::now());
  timer_.start(std::max(wait, std::chrono::milliseconds(0)));
}

void RepeatTools::ShowProgress() {
  shownAt_ = Clock::now();
  stbRepeat->setText(ToQString(RepeatStatusText(request_, schedule_->Sent(), schedule_->Skipped())));
  const QString progress = ToQString(RepeatStatusShortText(request_, schedule_->Sent()));
  stbRepeat->setShorterForms({progress});
  // At least the progress stays readable; the counters beside it give way.
  const QMargins margins = stbRepeat->contentsMargins();
  stbRepeat->setMinimumWidth(stbRepeat->fontMetrics().horizontalAdvance(progress) + margins.left() + margins.right() +
                             2 * stbRepeat->margin());
}

void RepeatTools::ReportFailure(const std::string& text) {
  // The send said nothing and listed nothing; the repeat ends before the
  // box, so it is shown once, not once a period.
  const std::uint64_t sent = schedule_->Sent() - 1;
  Stop();
  CurrentPlatform().ShowMessage(fkt_FormatInsertParam(fkt_LoadResText(8379), std::to_string(sent)) + "\r\n" + text,
                                std::string(), MessageIcon::Error);
}

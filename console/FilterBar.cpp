#include "console/FilterBar.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <initializer_list>
#include <string>

#include "console/BarKeys.h"
#include "console/TrafficView.h"
#include "core/AppSettings.h"
#include "core/StringTable.h"
#include "platform/ProgramFont.h"
#include "platform/QtText.h"
#include "platform/WidgetBuilding.h"
#include "traffic/FilterRunner.h"
#include "traffic/TrafficListModel.h"

namespace {

constexpr int kFilterFieldMinTwips = 1800;

// The directions in the order of the box, and their texts.
constexpr struct {
  FilterCriteria::Show show;
  int text;
} kShows[] = {{FilterCriteria::Show::All, 8302},
              {FilterCriteria::Show::Received, 8303},
              {FilterCriteria::Show::Sent, 8304},
              {FilterCriteria::Show::WrongBlockCheck, 8305}};

// A count with the separator of the language's thousands: "1,000,000" in
// English, "1.000.000" in German.
std::string GroupedCount(std::uint64_t count) {
  const QLocale locale(AppSettings.Language == 0 ? QLocale::German : QLocale::English);
  return FromQString(locale.toString(static_cast<qulonglong>(count)));
}

}  // namespace

FilterBar::FilterBar(const TrafficListModel& model, TrafficView& view, QWidget* parent)
    : QToolBar(parent), model_(model), view_(view), runner_(new FilterRunner(model, this)) {
  setObjectName("filterBar");
  setMovable(false);
  setFloatable(false);
  toggleViewAction()->setVisible(false);
  hide();

  // Two lines: the controls, and below them the count, which needs the room
  // of a whole line at the window's least width.
  auto* frame = Named(new QWidget(this), "fraFilter");
  auto* grid = new QGridLayout(frame);
  grid->setContentsMargins(0, 0, 0, 0);
  labFilter = Named(new QLabel(frame), "labFilter");
  cboFilterShow = Named(new QComboBox(frame), "cboFilterShow");
  for (std::size_t i = 0; i < std::size(kShows); ++i) cboFilterShow->addItem(QString());
  labFilterText = Named(new QLabel(frame), "labFilterText");
  txtFilter = Named(new QLineEdit(frame), "txtFilter");
  txtFilter->setFont(ConsoleFont());
  txtFilter->setMinimumWidth(Px(kFilterFieldMinTwips));
  chkFilterMatchCase = Named(new QCheckBox(frame), "chkFilterMatchCase");
  cmdFilterApply = Named(new QPushButton(frame), "cmdFilterApply");
  cmdFilterShowAll = Named(new QPushButton(frame), "cmdFilterShowAll");
  labFilterCount = Named(new QLabel(frame), "labFilterCount");
  cmdFilterClose = Named(new QPushButton(QString::fromUtf16(u"\u2715"), frame), "cmdFilterClose");
  cmdFilterClose->setFlat(true);
  int column = 0;
  for (QWidget* w :
       std::initializer_list<QWidget*>{labFilter, cboFilterShow, labFilterText, txtFilter, chkFilterMatchCase,
                                       cmdFilterApply, cmdFilterShowAll, cmdFilterClose}) {
    grid->addWidget(w, 0, column++);
    w->installEventFilter(this);
  }
  grid->setColumnStretch(3, 1);
  frame->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  grid->addWidget(labFilterCount, 1, 0, 1, column);
  addWidget(frame);

  connect(cboFilterShow, &QComboBox::activated, this, [this] { Apply(); });
  connect(chkFilterMatchCase, &QCheckBox::toggled, this, [this] {
    if (!txtFilter->text().isEmpty()) Apply();
  });
  connect(cmdFilterApply, &QPushButton::clicked, this, [this] { Apply(); });
  connect(cmdFilterShowAll, &QPushButton::clicked, this, [this] { ShowAll(); });
  connect(cmdFilterClose, &QPushButton::clicked, this, &FilterBar::CloseRequested);

  connect(runner_, &FilterRunner::Reset, this, [this] {
    view_.RowsReset();
    ShowCount();
  });
  connect(runner_, &FilterRunner::RowsAdded, this, [this](quint64 first, quint64 end) {
    view_.RowsAdded(first, end);
    if (!runner_->Running()) ShowCount();
  });
  connect(runner_, &FilterRunner::Progress, this, [this](int percent) { ShowProgress(percent); });
  connect(runner_, &FilterRunner::Done, this, [this] { ShowCount(); });
  // The total grows while entries arrive, and goes back to 0 with the list.
  connect(&model_, &TrafficListModel::EntriesAdded, this, [this] {
    if (!runner_->Running()) ShowCount();
  });
  connect(&model_, &TrafficListModel::Cleared, this, [this] { ShowCount(); });
  ApplyLanguageTexts();
}

void FilterBar::ApplyLanguageTexts() {
  labFilter->setText(ResText(8301));
  for (int i = 0; i < static_cast<int>(std::size(kShows)); ++i) {
    cboFilterShow->setItemText(i, ResText(kShows[static_cast<std::size_t>(i)].text));
  }
  labFilterText->setText(ResText(8306));
  chkFilterMatchCase->setText(ResText(8207));
  cmdFilterApply->setText(ResText(8307));
  cmdFilterShowAll->setText(ResText(8308));
  cmdFilterClose->setToolTip(ResText(8311));
  ShowCount();
}

void FilterBar::FocusField() {
  txtFilter->setFocus(Qt::ShortcutFocusReason);
  txtFilter->selectAll();
}

void FilterBar::Apply() {
  FilterCriteria criteria;
  criteria.show = kShows[static_cast<std::size_t>(std::max(0, cboFilterShow->currentIndex()))].show;
  criteria.text = FromQString(txtFilter->text());
  criteria.matchCase = chkFilterMatchCase->isChecked();
  // Through the full list, so that the current entry stays current when the
  // new filter shows it too.
  view_.ShowRows(nullptr);
  runner_->Start(std::move(criteria));
  if (runner_->Active()) view_.ShowRows(&runner_->Rows());
  if (runner_->Running()) {
    ShowProgress(static_cast<int>(runner_->Read() * 100 / std::max<std::uint64_t>(model_.ShownCount(), 1)));
  } else {
    ShowCount();
  }
}

void FilterBar::ShowAll() {
  view_.ShowRows(nullptr);
  runner_->Stop();
  // The bar shows what is applied: nothing.
  cboFilterShow->setCurrentIndex(0);
  txtFilter->clear();
  ShowCount();
}

bool FilterBar::Filtering() const { return runner_->Active(); }

QString FilterBar::CountText() const { return labFilterCount->text(); }

void FilterBar::ShowCount() {
  const std::uint64_t total = model_.ShownCount();
  const std::uint64_t shown = runner_->Active() ? runner_->Rows().Size() : total;
  labFilterCount->setText(
      ToQString(fkt_FormatInsertParam(fkt_LoadResText(8309), GroupedCount(shown), GroupedCount(total))));
}

void FilterBar::ShowProgress(int percent) {
  labFilterCount->setText(ToQString(fkt_FormatInsertParam(fkt_LoadResText(8310), std::to_string(percent))));
}

bool FilterBar::eventFilter(QObject* watched, QEvent* event) {
  const BarKey taken = TakeBarKey(
      *event, [this] { emit CloseRequested(); }, [this](int keyCode) { emit CommandKeyPressed(keyCode); });
  if (taken == BarKey::NotAKey) return QToolBar::eventFilter(watched, event);
  if (taken != BarKey::Own) return taken == BarKey::Taken;
  const auto* key = static_cast<const QKeyEvent*>(event);
  if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && watched == txtFilter) {
    Apply();
    return true;
  }
  return false;
}

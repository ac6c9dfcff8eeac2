#include "bench/console/ListViewSwap.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QHeaderView>
#include <QTableView>

#include "bench/console/ThrottledListModel.h"
#include "console/frmMain.h"

namespace {
constexpr int kThrottleMs = 50;
}  // namespace

std::optional<ListViewChoice> ParseListViewChoice(const std::string& text) {
  if (text == "console") return ListViewChoice::Console;
  if (text == "console-throttled") return ListViewChoice::ConsoleThrottled;
  if (text == "none") return ListViewChoice::None;
  if (text == "table") return ListViewChoice::Table;
  if (text == "table-throttled") return ListViewChoice::TableThrottled;
  return std::nullopt;
}

bool UseListView(frmMain& window, ListViewChoice choice) {
  auto* view = window.findChild<QAbstractItemView*>("lstSendReceive");
  if (view == nullptr) return false;
  if (choice == ListViewChoice::Console) return true;
  QAbstractItemModel* model = view->model();
  if (choice == ListViewChoice::ConsoleThrottled) {
    view->setModel(new ThrottledListModel(model, kThrottleMs, view));
    return true;
  }
  view->setModel(nullptr);
  if (choice == ListViewChoice::None) return true;
  if (choice == ListViewChoice::TableThrottled) model = new ThrottledListModel(model, kThrottleMs, view);

  auto* table = new QTableView(view->parentWidget());
  table->setFont(view->font());
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setShowGrid(false);
  table->setWordWrap(false);
  table->horizontalHeader()->hide();
  table->horizontalHeader()->setStretchLastSection(true);
  table->verticalHeader()->hide();
  // One fixed height for every row: the header then needs no per-row sizing.
  table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table->verticalHeader()->setDefaultSectionSize(QFontMetrics(view->font()).height() + 2);
  table->setModel(model);
  table->setGeometry(view->geometry());
  view->hide();
  table->show();
  return true;
}

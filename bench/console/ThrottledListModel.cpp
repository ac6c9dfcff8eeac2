#include "bench/console/ThrottledListModel.h"

ThrottledListModel::ThrottledListModel(QAbstractItemModel* source, int intervalMs, QObject* parent)
    : QAbstractListModel(parent), source_(source), shown_(source->rowCount()) {
  timer_.setSingleShot(true);
  timer_.setInterval(intervalMs);
  connect(&timer_, &QTimer::timeout, this, [this] { TakeInNewRows(); });
  // Rows only ever come at the end; the first batch after a quiet spell
  // waits at most one interval.
  connect(source_, &QAbstractItemModel::rowsInserted, this, [this] {
    if (!timer_.isActive()) timer_.start();
  });
  connect(source_, &QAbstractItemModel::modelReset, this, [this] {
    beginResetModel();
    shown_ = source_->rowCount();
    endResetModel();
  });
}

void ThrottledListModel::TakeInNewRows() {
  const int total = source_->rowCount();
  if (total <= shown_) return;
  beginInsertRows(QModelIndex(), shown_, total - 1);
  shown_ = total;
  endInsertRows();
}

int ThrottledListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shown_; }

QVariant ThrottledListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= shown_) return {};
  return source_->data(source_->index(index.row(), 0), role);
}

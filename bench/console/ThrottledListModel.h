#pragma once
// A list model that shows the rows of another one, but takes in rows
// appended to it at most once per interval: the views over it then lay out
// and paint at most that often, however many batches arrive in between.
// Used by the benchmark to measure what such a limit would gain.
#include <QAbstractListModel>
#include <QTimer>

class ThrottledListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  ThrottledListModel(QAbstractItemModel* source, int intervalMs, QObject* parent);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  void TakeInNewRows();

  QAbstractItemModel* source_;
  QTimer timer_;
  int shown_ = 0;
};

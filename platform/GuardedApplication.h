#pragma once
// The application object. Every event passes through notify(); a failure that
// an event handler did not handle itself is caught there and shown in an
// error box, so it never ends the program with its settings unsaved.
#include <QApplication>

class GuardedApplication : public QApplication {
 public:
  GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}
  bool notify(QObject* receiver, QEvent* event) override;
};

#pragma once
// Dialog tests on a fake platform. Dialogs never enter a real modal loop: the
// modal hook shows each dialog as an ordinary window and hands it to the
// action the test registered for its name.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <map>
#include <utility>

#include "core/AppSettings.h"
#include "dialogs/ModalSeam.h"
#include "tests/support/FakePlatform.h"

using DialogAction = std::function<void(QDialog&)>;

// The child control of `parent` with this object name.
template <typename T = QWidget>
T* Control(const QWidget& parent, const char* name) {
  T* found = parent.findChild<T*>(name);
  EXPECT_NE(found, nullptr) << name;
  return found;
}

inline void Click(const QWidget& parent, const char* button) {
  QTest::mouseClick(Control<QPushButton>(parent, button), Qt::LeftButton);
}

class DialogsFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    AppSettings = {};
    SetModalHook([this](QDialog& dialog) { return Act(dialog); });
  }
  void TearDown() override { SetModalHook({}); }

  // What to do when the dialog with this object name is shown modally.
  void OnModal(const QString& name, DialogAction action) { actions_[name] = std::move(action); }

  FakePlatform platform;
  int shownCount = 0;

 private:
  int Act(QDialog& dialog) {
    ++shownCount;
    dialog.show();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
    const auto found = actions_.find(dialog.objectName());
    if (found != actions_.end()) found->second(dialog);
    if (dialog.isVisible()) {
      ADD_FAILURE() << dialog.objectName().toStdString() << " is still open";
      dialog.reject();
    }
    return dialog.result();
  }

  std::map<QString, DialogAction> actions_;
};

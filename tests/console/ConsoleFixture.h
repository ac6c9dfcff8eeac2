#pragma once
// A main window on a fake platform: settings live in a temporary folder, boxes
// and dialogs are recorded instead of shown.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "console/frmMain.h"
#include "core/AppSettings.h"
#include "tests/support/FakePlatform.h"

// Readable geometry in failure messages.
inline void PrintTo(const QRect& r, std::ostream* os) {
  *os << "(" << r.x() << "," << r.y() << " " << r.width() << "x" << r.height() << ")";
}
inline void PrintTo(const QSize& s, std::ostream* os) { *os << s.width() << "x" << s.height(); }

class ConsoleFixture : public ::testing::Test {
 protected:
  // Writes Settings.ini (section and lines given) before the window loads.
  void WriteSettings(const std::string& lines) {
    WriteFile(std::filesystem::path(platform.SettingsFolder()) / "Settings.ini", "[SETTINGS]\r\n" + lines);
  }

  frmMain& Open() {
    AppSettings = {};
    window = std::make_unique<frmMain>();
    window->Form_Load();
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    return *window;
  }

  template <typename T = QWidget>
  T* Control(const char* name) {
    T* found = window->findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }

  void TearDown() override {
    if (window) {
      window->close();
      window.reset();
    }
  }

  FakePlatform platform;
  std::unique_ptr<frmMain> window;
};

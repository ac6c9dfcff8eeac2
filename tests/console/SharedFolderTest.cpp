// The settings folder is shared by every local user. Each row plants what a
// hostile second user could put there, then runs the console as the test's
// user (root in CI, the worst case) from start to quit: nothing outside the
// folder may change or leak into it, no written file may carry s- or x-bits,
// the program shows a box where one is due and saves what it can.
#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <functional>

#include "tests/console/ConsoleFixture.h"

namespace fs = std::filesystem;

namespace {

constexpr uid_t kPlanter = 4242;

struct Plant {
  fs::path folder;   // the shared settings folder
  fs::path outside;  // files the planter is after
  fs::path programFolder;
};

struct HostileCase {
  const char* name;
  std::function<void(const Plant&)> plant;
  std::size_t boxesAtStart;
  std::size_t boxesInAll;
  const char* mustBeSaved;  // a file of the folder the quit still writes
  bool needsRoot;           // the planted entry must belong to another user
  bool tickLogging;
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

void Own(const fs::path& path) { ASSERT_EQ(::lchown(path.c_str(), kPlanter, kPlanter), 0) << path; }

void PlantLink(const fs::path& target, const fs::path& link) {
  fs::create_symlink(target, link);
  Own(link);
}

std::string Snapshot(const fs::path& root) {
  std::string all;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    struct stat info {};
    ::lstat(entry.path().c_str(), &info);
    all += entry.path().string() + " " + std::to_string(info.st_mode) + " " + std::to_string(info.st_uid) + "\n";
    if (S_ISREG(info.st_mode)) all += ReadFile(entry.path()) + "\n";
  }
  return all;
}

const HostileCase kCases[] = {
    {"SetuidProgramAtSettings",
     [](const Plant& p) {
       WriteFile(p.folder / "Settings.ini",
                 "\x7f"
                 "ELF\x02\x01\x01");
       Own(p.folder / "Settings.ini");
       ::chmod((p.folder / "Settings.ini").c_str(), 04755);
     },
     0, 0, "Settings.ini", true, false},
    {"LinkToARootFileAtTheLog",
     [](const Plant& p) { PlantLink(p.outside / "root-only", p.folder / "TelvaneDatalogging.txt"); }, 0, 1,
     "DefaultCommands.icf", true, true},
    {"DanglingLinkAtTheLog",
     [](const Plant& p) { PlantLink(p.outside / "created-by-root", p.folder / "TelvaneDatalogging.txt"); }, 0, 1,
     "DefaultCommands.icf", true, true},
    {"LinkToASecretAtTheCommands",
     [](const Plant& p) { PlantLink(p.outside / "secret.icf", p.folder / "DefaultCommands.icf"); }, 1, 2,
     "Settings.ini", true, false},
    {"DirectoryAtSettings", [](const Plant& p) { fs::create_directories(p.folder / "Settings.ini"); }, 1, 2,
     "DefaultCommands.icf", false, false},
    {"DirectoryAtTheCommands", [](const Plant& p) { fs::create_directories(p.folder / "DefaultCommands.icf"); }, 1, 2,
     "Settings.ini", false, false},
    {"FifoAtSettings", [](const Plant& p) { ::mkfifo((p.folder / "Settings.ini").c_str(), 0666); }, 1, 2,
     "DefaultCommands.icf", false, false},
    {"LinkToDevZeroAtSettings", [](const Plant& p) { PlantLink("/dev/zero", p.folder / "Settings.ini"); }, 1, 2,
     "DefaultCommands.icf", true, false},
    {"FifoAtTheLog", [](const Plant& p) { ::mkfifo((p.folder / "TelvaneDatalogging.txt").c_str(), 0666); }, 0, 1,
     "Settings.ini", false, true},
    {"DanglingLinkAtSettingsWithATemplate",
     [](const Plant& p) {
       PlantLink(p.outside / "created-by-root", p.folder / "Settings.ini");
       WriteFile(p.programFolder / "Settings.ini", "[SETTINGS]\r\nLanguage=1\r\n");
     },
     1, 2, "DefaultCommands.icf", true, false},
    {"SettingsTooLargeToRead", [](const Plant& p) { WriteFile(p.folder / "Settings.ini", std::string(5 << 20, ';')); },
     1, 2, "DefaultCommands.icf", false, false},
};

class PlantedEntry : public ConsoleFixture, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(PlantedEntry, GivesThePlanterNothing) {
  const HostileCase& c = GetParam();
  if (c.needsRoot && ::geteuid() != 0) GTEST_SKIP() << "planting as another user needs root";
  const Plant p{platform.SettingsFolder(), platform.root / "outside", platform.executableFolder};
  fs::create_directories(p.folder);
  WriteFile(p.outside / "root-only", "root's data");
  WriteFile(p.outside / "secret.icf", "[SETTINGS]\r\nParam3=SECRET\r\n");
  ::chmod((p.outside / "secret.icf").c_str(), 0600);
  c.plant(p);
  const std::string outsideBefore = Snapshot(p.outside);

  Open();
  EXPECT_EQ(platform.messages.size(), c.boxesAtStart);
  Control<QLineEdit>("txtBefehl3")->setText("kept");
  if (c.tickLogging) {
    Control<QCheckBox>("chkDatalogging")->click();
    EXPECT_FALSE(Control<QCheckBox>("chkDatalogging")->isChecked());
  }
  window->close();

  EXPECT_EQ(platform.messages.size(), c.boxesInAll);
  for (const auto& box : platform.messages) EXPECT_NE(box.text.find(p.folder.string()), std::string::npos) << box.text;
  EXPECT_EQ(Snapshot(p.outside), outsideBefore);
  for (const auto& entry : fs::directory_iterator(p.folder)) {
    struct stat info {};
    if (::lstat(entry.path().c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    EXPECT_EQ(info.st_mode & 07111, 0U) << entry.path();
    EXPECT_EQ(ReadFile(entry.path()).find("SECRET"), std::string::npos) << entry.path();
  }
  const std::string saved = ReadFile(p.folder / c.mustBeSaved);
  EXPECT_NE(saved.find(std::string(c.mustBeSaved) == "Settings.ini" ? "UdpPort=" : "Param3=kept"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Rows, PlantedEntry, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

using SharedFolder = ConsoleFixture;

TEST_F(SharedFolder, APastedLineBreakStaysInItsSlot) {
  Open();
  auto* slot3 = Control<QLineEdit>("txtBefehl3");
  slot3->setFocus();
  slot3->insert("first\r\n[SETTINGS]\r\nParam4=injected");
  EXPECT_EQ(slot3->text(), "first<CR><LF>[SETTINGS]<CR><LF>Param4=injected");
  Control<QLineEdit>("txtBefehl4")->setText("mine");
  window->close();
  window.reset();

  Open();
  EXPECT_EQ(Control<QLineEdit>("txtBefehl3")->text(), "first<CR><LF>[SETTINGS]<CR><LF>Param4=injected");
  EXPECT_EQ(Control<QLineEdit>("txtBefehl4")->text(), "mine");
  EXPECT_TRUE(platform.messages.empty());
}

}  // namespace

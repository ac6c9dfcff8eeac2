// The command line is checked before the window system is opened: --help,
// --version and every mistake end the program the same way with or without a
// display, and the toolkit's own options still reach the toolkit.
//
// Every case ends before the window would open: the program has no switch
// for its settings folder, so a window opened here would use the machine's.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <string>

namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the program as a shell without a display would: no DISPLAY, no
// WAYLAND_DISPLAY, no QT_QPA_PLATFORM.
Outcome RunProgram(const QStringList& arguments) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"}) {
    environment.remove(QString::fromLatin1(name));
  }
  QProcess program;
  program.setProcessEnvironment(environment);
  program.start(QStringLiteral(TELVANE_PROGRAM), arguments);
  if (!program.waitForFinished(30'000)) {
    program.kill();
    program.waitForFinished();
    ADD_FAILURE() << "still running: " << arguments.join(' ').toStdString();
    return {};
  }
  Outcome run;
  run.status = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : 128 + program.exitCode();
  run.out = program.readAllStandardOutput().toStdString();
  run.err = program.readAllStandardError().toStdString();
  return run;
}

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

TEST(CommandLine, HelpVersionAndMistakesWithoutADisplay) {
  const std::string usage = "(see telvane --help)\n";
  const struct {
    QStringList arguments;
    int status = 0;
    ::testing::Matcher<std::string> out, err;
  } cases[] = {
      {{"--help"}, 0, AllOf(StartsWith("Usage: "), HasSubstr("-v, --version")), ::testing::IsEmpty()},
      {{"-h"}, 0, StartsWith("Usage: "), ::testing::IsEmpty()},
      {{"--help-all"}, 0, HasSubstr("--platform <name[:options]>"), ::testing::IsEmpty()},
      {{"--version"}, 0, ::testing::Eq("Telvane V2018.1.0\n"), ::testing::IsEmpty()},
      {{"-v"}, 0, ::testing::Eq("Telvane V2018.1.0\n"), ::testing::IsEmpty()},
      // The toolkit's options are let through to it, one dash or two.
      {{"-style=fusion", "--platform", "xcb", "--version"},
       0,
       ::testing::Eq("Telvane V2018.1.0\n"),
       ::testing::IsEmpty()},
      {{"--bogus"}, 1, ::testing::IsEmpty(), ::testing::Eq("telvane: unknown option '--bogus' " + usage)},
      {{"-platform", "offscreen", "-bogus"},
       1,
       ::testing::IsEmpty(),
       ::testing::Eq("telvane: unknown option '-bogus' " + usage)},
      {{"-platform"}, 1, ::testing::IsEmpty(), ::testing::Eq("telvane: missing value after '-platform' " + usage)},
      {{"--version=2"}, 1, ::testing::IsEmpty(), ::testing::Eq("telvane: unexpected value after '--version' " + usage)},
      {{"Settings.ini"},
       2,
       ::testing::IsEmpty(),
       ::testing::Eq("telvane: unexpected argument 'Settings.ini' " + usage)},
      {{"--", "--help"}, 2, ::testing::IsEmpty(), ::testing::Eq("telvane: unexpected argument '--help' " + usage)},
  };
  for (const auto& c : cases) {
    const Outcome run = RunProgram(c.arguments);
    const std::string called = c.arguments.join(' ').toStdString();
    EXPECT_EQ(run.status, c.status) << called << "\n" << run.err;
    EXPECT_THAT(run.out, c.out) << called;
    EXPECT_THAT(run.err, c.err) << called;
  }
}

// A display number no X server listens on here (none has its socket).
bool DisplayIsFree(const std::string& socket) {
  QFile sockets(QStringLiteral("/proc/net/unix"));
  return sockets.open(QIODevice::ReadOnly) && !sockets.readAll().contains(socket.c_str());
}

TEST(CommandLine, WithoutAWindowSystemTheProgramSaysSoAndEndsWithStatusOne) {
  ASSERT_TRUE(DisplayIsFree("X65000")) << "an X server listens on :65000";
  const struct {
    QStringList arguments;
    const char* toolkitSays = nullptr;  // the toolkit's own line: the option reached it
    const char* last = nullptr;
  } cases[] = {
      {{}, "could not connect to display", "telvane: cannot open a window (DISPLAY is not set)\n"},
      {{"-display", ":65000"},
       "could not connect to display :65000",
       "telvane: cannot open a window (display ':65000')\n"},
      {{"-platform", "nowhere"},
       "\"nowhere\"",
       "telvane: cannot open a window (window system 'nowhere', DISPLAY is not set)\n"},
  };
  for (const auto& c : cases) {
    const Outcome run = RunProgram(c.arguments);
    const std::string called = c.arguments.join(' ').toStdString();
    EXPECT_EQ(run.status, 1) << called << "\n" << run.err;  // not 134, an abort
    EXPECT_THAT(run.err, AllOf(HasSubstr(c.toolkitSays), EndsWith(c.last))) << called;
    EXPECT_EQ(run.out, "") << called;
  }
}

}  // namespace

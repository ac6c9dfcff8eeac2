// Telvane: a console for a measuring instrument that speaks a framed text
// protocol over UDP. Creating the main window starts the program.
//
// The command line offers only --help, --help-all and --version, beside the
// options the toolkit takes for itself (-platform, -display, -style and the
// like): where the settings live is fixed, and no switch changes it. The
// command line is checked before the window system is opened, so --help,
// --version and every mistake behave the same with or without a display.
#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "console/frmMain.h"
#include "dialogs/ProgramVersion.h"
#include "platform/GuardedApplication.h"
#include "platform/ProgramFont.h"
#include "platform/QtPlatform.h"

namespace {

// Exit statuses, as telvane(1) states them.
constexpr int kExitBadOption = 1;  // an unknown option, or one without its value
constexpr int kExitNoWindow = 1;   // the window system could not be opened
constexpr int kExitUnexpectedArgument = 2;

// The options the application object takes for itself and removes from the
// command line before the program sees it: the window system's, the style's
// and the toolkit's debugging aids. They are known here so that the check,
// which runs before that, lets them through; --help-all lists them.
struct ToolkitOption {
  const char* name;
  const char* value;  // empty for a switch
  const char* description;
};
constexpr ToolkitOption kToolkitOptions[] = {
    {"platform", "name[:options]", "Window system plugin, e.g. xcb or wayland."},
    {"platformpluginpath", "path", "Folder to load window system plugins from."},
    {"platformtheme", "theme", "Platform theme."},
    {"plugin", "plugin", "Additional plugin to load; may be given more than once."},
    {"display", "display", "X11 display to open, e.g. :0."},
    {"geometry", "geometry", "X11: the main window's geometry, e.g. 800x600+0+0."},
    {"qwindowgeometry", "geometry", "The main window's geometry, e.g. 800x600+0+0."},
    {"qwindowicon", "icon", "The windows' icon."},
    {"qwindowtitle", "title", "The first window's title."},
    {"style", "style", "Widget style, e.g. Fusion."},
    {"stylesheet", "file", "Style sheet to apply."},
    {"session", "session", "Session to restore."},
    {"qmljsdebugger", "value", "QML debugger settings."},
    {"reverse", "", "Lay windows out from right to left."},
    {"widgetcount", "", "Print at exit how many widgets were left."},
};

// Name and version as the program information dialog shows them:
// "Telvane V2018.1.0".
void NameApplication() {
  QCoreApplication::setApplicationName(QStringLiteral("Telvane"));
  QCoreApplication::setApplicationVersion(QString::fromStdString(ProgramVersionText()));
}

void DescribeOptions(QCommandLineParser& parser, bool listToolkitOptions) {
  parser.setApplicationDescription(
      QStringLiteral("Console for a measuring instrument that speaks a framed text protocol over UDP."));
  // The toolkit's options are written with one dash ("-platform xcb").
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.addHelpOption();
  parser.addVersionOption();
  for (const ToolkitOption& known : kToolkitOptions) {
    QCommandLineOption option(QString::fromLatin1(known.name), QString::fromLatin1(known.description),
                              QString::fromLatin1(known.value));
    if (!listToolkitOptions) option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  }
}

// Every mistake on the command line is told in one form, on standard error.
int UsageError(const QString& what, int status) {
  std::fprintf(stderr, "telvane: %s (see telvane --help)\n", qPrintable(what));
  return status;
}

// The argument as typed ("--bogus", "-bogus=1") that the parser knows as
// the unknown option `name`.
QString AsTyped(const QStringList& arguments, const QString& name) {
  for (const QString& argument : arguments.mid(1)) {
    if (argument == QLatin1String("--")) break;
    QString bare = argument.section(QLatin1Char('='), 0, 0);
    while (bare.startsWith(QLatin1Char('-'))) bare.remove(0, 1);
    if (bare == name) return argument;
  }
  return QLatin1Char('-') + name;
}

// Where the window is to open, for the message when it cannot:
// "display ':0'", "DISPLAY is not set", with the window system when one was
// chosen ("window system 'wayland', display ':0'").
std::string WindowPlace(const QCommandLineParser& parser) {
  std::string place;
  const char* chosen = std::getenv("QT_QPA_PLATFORM");
  if (parser.isSet(QStringLiteral("platform"))) {
    place = "window system '" + parser.value(QStringLiteral("platform")).toStdString() + "', ";
  } else if (chosen != nullptr && *chosen != '\0') {
    place = "window system '" + std::string(chosen) + "', ";
  }
  const char* display = std::getenv("DISPLAY");
  if (parser.isSet(QStringLiteral("display"))) {
    place += "display '" + parser.value(QStringLiteral("display")).toStdString() + "'";
  } else if (display != nullptr && *display != '\0') {
    place += "display '" + std::string(display) + "'";
  } else {
    place += "DISPLAY is not set";
  }
  return place;
}

// What the message says when the window system cannot be opened.
std::string windowPlace;

// Answers --help, --help-all and --version and reports mistakes; the exit
// status when the program ends here, nothing when the window is to open.
std::optional<int> CheckCommandLine(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  QCommandLineParser parser;
  DescribeOptions(parser, false);
  if (!parser.parse(arguments)) {
    if (!parser.unknownOptionNames().isEmpty()) {
      return UsageError(
          QStringLiteral("unknown option '%1'").arg(AsTyped(arguments, parser.unknownOptionNames().constFirst())),
          kExitBadOption);
    }
    // "Missing value after '-platform'." and the like.
    QString what = parser.errorText();
    if (what.endsWith(QLatin1Char('.'))) what.chop(1);
    if (!what.isEmpty()) what[0] = what[0].toLower();
    return UsageError(what, kExitBadOption);
  }
  if (parser.isSet(QStringLiteral("version"))) {
    std::printf("Telvane %s\n", ProgramVersionText().c_str());
    return EXIT_SUCCESS;
  }
  const bool all = parser.isSet(QStringLiteral("help-all"));
  if (all || parser.isSet(QStringLiteral("help"))) {
    // The usage line names the program as it was called; that needs the
    // application object, but not the window system.
    QCoreApplication information(argc, argv);
    NameApplication();
    QCommandLineParser help;
    DescribeOptions(help, all);
    std::fputs(qPrintable(help.helpText()), stdout);
    return EXIT_SUCCESS;
  }
  if (!parser.positionalArguments().isEmpty()) {
    return UsageError(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().constFirst()),
                      kExitUnexpectedArgument);
  }
  windowPlace = WindowPlace(parser);
  return std::nullopt;
}

// While the application object opens the window system, a failure there (no
// display, no plugin for it) is fatal inside the toolkit, which aborts with
// a core dump. It ends the program with a message instead; the toolkit's own
// lines before it say what failed.
QtMessageHandler toolkitMessages = nullptr;

void EndIfWindowSystemFails(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg) {
    if (toolkitMessages != nullptr) {
      toolkitMessages(type, context, message);
    } else {
      std::fprintf(stderr, "%s\n", qPrintable(message));
    }
    return;
  }
  std::fprintf(stderr, "telvane: cannot open a window (%s)\n", windowPlace.c_str());
  std::fflush(stderr);
  std::_Exit(kExitNoWindow);
}

}  // namespace

int main(int argc, char** argv) {
  if (const std::optional<int> status = CheckCommandLine(argc, argv)) return *status;

  toolkitMessages = qInstallMessageHandler(EndIfWindowSystemFails);
  GuardedApplication app(argc, argv);
  qInstallMessageHandler(toolkitMessages);
  NameApplication();
  // Ties the window to its desktop entry (task bar icon, start-up feedback).
  QGuiApplication::setDesktopFileName(QStringLiteral("de.kelvor.telvane"));
  QApplication::setFont(DialogFont());

  QtPlatform platform;
  SetPlatform(&platform);

  frmMain window;
  window.Form_Load();
  window.show();
  const int result = QApplication::exec();
  SetPlatform(nullptr);
  return result;
}

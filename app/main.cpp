// Telvane: a console for a measuring instrument that speaks a framed text
// protocol over UDP. Creating the main window starts the program.
//
// The command line offers only --help and --version: where the settings live
// is fixed, and no switch changes it.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>
#include <cstdio>

#include "console/frmMain.h"
#include "dialogs/ProgramVersion.h"
#include "platform/GuardedApplication.h"
#include "platform/ProgramFont.h"
#include "platform/QtPlatform.h"

namespace {

// Name and version as the program information dialog shows them, so that
// `telvane --version` prints "Telvane V2018.1.0".
void NameApplication() {
  QCoreApplication::setApplicationName(QStringLiteral("Telvane"));
  QCoreApplication::setApplicationVersion(QString::fromStdString(ProgramVersionText()));
}

void DescribeOptions(QCommandLineParser& parser) {
  parser.setApplicationDescription(
      QStringLiteral("Console for a measuring instrument that speaks a framed text protocol over UDP."));
  parser.addHelpOption();
  parser.addVersionOption();
}

// --help and --version are answered before the window system is opened, so
// that they work without a display (over ssh, in a package check). Qt's own
// display options and mistakes are left to the full check once the
// application exists, which knows Qt's options.
void AnswerInformationOptions(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  QCommandLineParser parser;
  DescribeOptions(parser);
  parser.parse(arguments);
  if (!parser.isSet(QStringLiteral("help")) && !parser.isSet(QStringLiteral("version"))) return;

  QCoreApplication information(argc, argv);
  NameApplication();
  if (parser.isSet(QStringLiteral("help"))) parser.showHelp(0);
  parser.showVersion();  // Both end the program.
}

}  // namespace

int main(int argc, char** argv) {
  AnswerInformationOptions(argc, argv);

  GuardedApplication app(argc, argv);
  NameApplication();
  // Ties the window to its desktop entry (task bar icon, start-up feedback).
  QGuiApplication::setDesktopFileName(QStringLiteral("de.kelvor.telvane"));
  {
    QCommandLineParser parser;
    DescribeOptions(parser);
    parser.process(app);  // An unknown option ends the program with a message.
    if (!parser.positionalArguments().isEmpty()) {
      std::fprintf(stderr, "telvane: unexpected argument '%s' (see telvane --help)\n",
                   qPrintable(parser.positionalArguments().constFirst()));
      return 2;
    }
  }
  app.setFont(DialogFont());

  QtPlatform platform;
  SetPlatform(&platform);

  frmMain window;
  window.Form_Load();
  window.show();
  const int result = QApplication::exec();
  SetPlatform(nullptr);
  return result;
}

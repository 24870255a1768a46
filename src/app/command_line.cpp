#include "app/command_line.h"

#include <QCommandLineParser>
#include <QStringList>

namespace tavrin {

CommandLine ParseCommandLine(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);

  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption help({"h", "help"}, "Show this help and exit.");
  const QCommandLineOption version({"v", "version"}, "Show the version and exit.");
  const QCommandLineOption headless("headless", "Play with no window and no sound.");
  parser.addOptions({help, version, headless});
  parser.addPositionalArgument("GAME_DIR", "The game folder.", "[GAME_DIR]");

  CommandLine result;
  if (!parser.parse(arguments)) {
    result.action = CommandLine::Action::Refuse;
    result.error = parser.errorText().toStdString();
    return result;
  }
  if (parser.isSet(help)) {
    result.action = CommandLine::Action::ShowHelp;
    return result;
  }
  if (parser.isSet(version)) {
    result.action = CommandLine::Action::ShowVersion;
    return result;
  }
  const QStringList positional = parser.positionalArguments();
  if (positional.size() > 1) {
    result.action = CommandLine::Action::Refuse;
    result.error = "Only one game folder can be played at a time.";
    return result;
  }
  if (!positional.isEmpty()) result.game_dir = positional.first().toLocal8Bit().toStdString();
  result.action = parser.isSet(headless) ? CommandLine::Action::PlayHeadless
                                         : CommandLine::Action::PlayInWindow;
  return result;
}

std::string UsageText() {
  return "Usage: tavrin [--headless] [GAME_DIR]\n"
         "Plays the sound novel in GAME_DIR (by default, the folder of this program).\n"
         "A game folder holds dat.dat (the scenario), img/ (pictures) and bgm.mid (music).\n"
         "\n"
         "Options:\n"
         "  --headless     Play with no window and no sound: events are read from standard\n"
         "                 input (tick, ticks N, run, click [left|right|middle],\n"
         "                 press left|right|middle, choose 0|1, close), and what a reader\n"
         "                 would see is written to standard output as JSON lines.\n"
         "  -h, --help     Show this help and exit.\n"
         "  -v, --version  Show the version and exit.\n";
}

}  // namespace tavrin

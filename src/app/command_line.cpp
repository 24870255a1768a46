// SPDX-License-Identifier: MIT
#include "app/command_line.h"

#include <QCommandLineParser>
#include <QStringList>
#include <algorithm>
#include <string_view>
#include <vector>

namespace tavrin {
namespace {

// The arguments that are not options, as the bytes the system gave: a game folder's name
// need not be text in the locale's encoding (a Windows archive leaves code page 932).
std::vector<std::string> RawPositionals(int argc, char** argv) {
  std::vector<std::string> positionals;
  bool options_ended = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (!options_ended && argument == "--") {
      options_ended = true;
    } else if (!options_ended && (argument == "--warp" || argument == "--text-out")) {
      ++i;  // its value
    } else if (options_ended || argument.size() < 2 || argument.front() != '-') {
      positionals.emplace_back(argument);
    }
  }
  return positionals;
}

// `--graph` takes an optional format, which QCommandLineParser cannot tell from a game's
// name: it is taken out here, as "--graph" or "--graph=FORMAT". False when it names a
// format that is not written.
bool TakeGraphOption(QStringList& arguments, bool& graph, std::string& error) {
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument == QLatin1String("--")) break;
    if (argument != QLatin1String("--graph") && !argument.startsWith(QLatin1String("--graph="))) {
      continue;
    }
    if (argument.size() > 7 && argument != QLatin1String("--graph=dot")) {
      error = "--graph writes the Graphviz format only: --graph or --graph=dot, not " +
              argument.toStdString() + ".";
      return false;
    }
    graph = true;
    arguments.removeAt(i--);
  }
  return true;
}

// The options an author uses (`--warp`, `--watch`, `--graph`) where they cannot go; false,
// with the reason in `result`, for one of them.
bool RefuseMisplacedAuthoringOptions(const QCommandLineParser& parser,
                                     const QCommandLineOption& check,
                                     const QCommandLineOption& headless,
                                     const QCommandLineOption& json, const QCommandLineOption& warp,
                                     const QCommandLineOption& watch, CommandLine& result) {
  const auto refuse = [&result](std::string error) {
    result.action = CommandLine::Action::Refuse;
    result.error = std::move(error);
    return false;
  };
  if (result.graph && !parser.isSet(check)) return refuse("--graph goes with --check.");
  if (result.graph && (parser.isSet(json) || parser.isSet(warp))) {
    return refuse(std::string("--graph and ") + (parser.isSet(json) ? "--json" : "--warp") +
                  " cannot be used together.");
  }
  if (parser.isSet(watch) && (parser.isSet(check) || parser.isSet(headless))) {
    return refuse("--watch goes with the window, not --check or --headless.");
  }
  if (parser.isSet(warp) && parser.isSet(json)) {
    return refuse("--warp and --json cannot be used together.");
  }
  result.watch = parser.isSet(watch);
  if (parser.isSet(warp)) {
    result.warp = ParseWarpTarget(parser.value(warp).toStdString(), result.error);
    if (!result.warp) return refuse(result.error);
  }
  return true;
}

}  // namespace

CommandLine ParseCommandLine(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  CommandLine result;
  if (!TakeGraphOption(arguments, result.graph, result.error)) {
    result.action = CommandLine::Action::Refuse;
    return result;
  }

  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption help({"h", "help"}, "Show this help and exit.");
  const QCommandLineOption version({"v", "version"}, "Show the version and exit.");
  const QCommandLineOption headless("headless", "Play with no window and no sound.");
  const QCommandLineOption verbose("verbose", "Show the libraries' messages.");
  const QCommandLineOption full_screen("full-screen", "Start in full screen.");
  const QCommandLineOption check("check", "Check every path of the game.");
  const QCommandLineOption json("json", "With --check: JSON Lines.");
  const QCommandLineOption werror("werror", "With --check: warnings count as errors.");
  const QCommandLineOption text_out("text-out", "Hand each page's text out.", "OUT");
  const QCommandLineOption warp("warp", "Start at a line or a branch.", "LINE");
  const QCommandLineOption watch("watch", "Reload the game when its files change.");
  const QCommandLineOption lsp("lsp", "Serve editors the check as a language server.");
  const QCommandLineOption export_web("export-web", "Write a site that plays the game.");
  parser.addOptions({help, version, headless, verbose, full_screen, check, json, werror, text_out,
                     warp, watch, lsp, export_web});
  parser.addPositionalArgument("GAME", "The game folder or archive.", "[GAME]");

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
  if (parser.isSet(export_web)) {
    const bool alone = !parser.isSet(headless) && !parser.isSet(check) && !parser.isSet(lsp) &&
                       !parser.isSet(full_screen) && !parser.isSet(text_out) &&
                       !parser.isSet(json) && !parser.isSet(werror) && !parser.isSet(warp) &&
                       !parser.isSet(watch);
    const std::vector<std::string> raw = RawPositionals(argc, argv);
    if (!alone || raw.size() != 2) {
      result.action = CommandLine::Action::Refuse;
      result.error = alone ? "--export-web takes the game and the folder to write the site to."
                           : "--export-web goes alone (with --verbose at most).";
      return result;
    }
    result.action = CommandLine::Action::ExportWeb;
    result.game_dir = raw[0];
    result.web_dir = raw[1];
    result.verbose = parser.isSet(verbose);
    return result;
  }
  if (positional.size() > 1) {
    result.action = CommandLine::Action::Refuse;
    result.error = "Only one game folder can be played at a time.";
    return result;
  }
  if (parser.isSet(lsp)) {
    const bool alone = positional.isEmpty() && !parser.isSet(headless) && !parser.isSet(check) &&
                       !parser.isSet(full_screen) && !parser.isSet(text_out) &&
                       !parser.isSet(json) && !parser.isSet(werror);
    result.action = alone ? CommandLine::Action::LanguageServer : CommandLine::Action::Refuse;
    if (!alone) {
      result.error = "--lsp goes alone (with --verbose at most): the editor names the documents.";
    }
    result.verbose = parser.isSet(verbose);
    return result;
  }
  if (!positional.isEmpty()) {
    const std::vector<std::string> raw = RawPositionals(argc, argv);
    result.game_dir =
        raw.size() == 1 ? raw.front() : positional.first().toLocal8Bit().toStdString();
  }
  result.verbose = parser.isSet(verbose);
  if (parser.isSet(full_screen) && (parser.isSet(check) || parser.isSet(headless))) {
    result.action = CommandLine::Action::Refuse;
    result.error = "--full-screen goes with the window, not --check or --headless.";
    return result;
  }
  result.full_screen = parser.isSet(full_screen);
  if (parser.isSet(text_out) && (parser.isSet(check) || parser.isSet(headless))) {
    result.action = CommandLine::Action::Refuse;
    result.error = "--text-out goes with the window, not --check or --headless.";
    return result;
  }
  for (const QString& value : parser.values(text_out)) {
    std::optional<TextOutOption> out = ParseTextOutOption(value.toStdString(), result.error);
    if (out &&
        std::any_of(result.text_out.begin(), result.text_out.end(),
                    [&out](const TextOutOption& given) { return given.kind == out->kind; })) {
      result.error = "--text-out=" + std::string(TextOutName(out->kind)) +
                     " is given twice: each of ws, clipboard and stdout can be given once.";
      out.reset();
    }
    if (!out) {
      result.action = CommandLine::Action::Refuse;
      return result;
    }
    result.text_out.push_back(*out);
  }
  if (parser.isSet(check) && parser.isSet(headless)) {
    result.action = CommandLine::Action::Refuse;
    result.error = "--check and --headless cannot be used together.";
    return result;
  }
  if (!parser.isSet(check) && (parser.isSet(json) || parser.isSet(werror))) {
    result.action = CommandLine::Action::Refuse;
    result.error = std::string(parser.isSet(json) ? "--json" : "--werror") + " goes with --check.";
    return result;
  }
  if (!RefuseMisplacedAuthoringOptions(parser, check, headless, json, warp, watch, result)) {
    return result;
  }
  result.json = parser.isSet(json);
  result.werror = parser.isSet(werror);
  result.action = parser.isSet(check)      ? CommandLine::Action::Check
                  : parser.isSet(headless) ? CommandLine::Action::PlayHeadless
                                           : CommandLine::Action::PlayInWindow;
  return result;
}

std::string UsageText() {
  return "Usage: tavrin [--full-screen] [--text-out=OUT]... [--warp LINE] [--watch] [--verbose]\n"
         "              [GAME]\n"
         "       tavrin --headless [--warp LINE] [--verbose] [GAME]\n"
         "       tavrin --check [--json] [--werror] [GAME]\n"
         "       tavrin --check --graph[=dot] [--werror] [GAME]\n"
         "       tavrin --check --warp LINE [GAME]\n"
         "       tavrin --export-web GAME OUTDIR\n"
         "       tavrin --lsp\n"
         "Plays the sound novel GAME: a game folder, its dat.dat, or the archive it came in\n"
         "(zip, LZH, 7z, RAR, or a self-extracting .exe of one), read as it is, with the\n"
         "game at its root or in the one folder nearest it that holds a dat.dat. Where an\n"
         "archive or folder holds several games, name one after it: tavrin game.zip/FOLDER.\n"
         "By default the game beside this program plays; without one, a chooser asks.\n"
         "A game folder holds dat.dat (the scenario), img/ (pictures) and bgm.mid (music).\n"
         "\n"
         "Options:\n"
         "  --headless     Play with no window and no sound: events are read from standard\n"
         "                 input (tick, ticks N, run, click [left|right|middle],\n"
         "                 press left|right|middle, choose 0|1, close), and what a reader\n"
         "                 would see is written to standard output as JSON lines.\n"
         "  --full-screen  Start the window in full screen (F11 switches it).\n"
         "  --text-out=OUT Hand out the text of each page as it completes (and each\n"
         "                 question with its two choices), for pop-up dictionaries:\n"
         "                 ws[:PORT]  a WebSocket server on this computer only, at\n"
         "                            ws://localhost:6677 unless PORT is given, for\n"
         "                            texthooker pages in a browser;\n"
         "                 clipboard  the clipboard, for tools that watch it;\n"
         "                 stdout     standard output, one JSON line each:\n"
         "                            {\"text\": ...} (a question adds \"choices\").\n"
         "                 Each of the three can be given once; all go with the window.\n"
         "  --verbose      Let the libraries' own messages (damaged pictures, the sound\n"
         "                 system) through to standard error.\n"
         "  --check        Check every path of the game without playing it: errors and\n"
         "                 warnings as compilers write them, then a summary line. Exit\n"
         "                 status 0 with no errors, 1 with errors, 2 with no dat.dat\n"
         "                 or no game to be found in what was named.\n"
         "  --json         With --check: write JSON Lines instead.\n"
         "  --werror       With --check: warnings count as errors.\n"
         "  --graph[=dot]  With --check: write the story as a Graphviz graph instead (its\n"
         "                 questions and choices, where branches meet, the endings with\n"
         "                 their scores, restarts, and branches no path reaches), and the\n"
         "                 findings on standard error: tavrin --check --graph | dot -Tsvg\n"
         "  --warp LINE    Start at line LINE of dat.dat, or at the branch of a label\n"
         "                 (--warp \"\uFF1ELabel\"), in a state the game really reaches\n"
         "                 there: the way with the fewest choices, which standard error\n"
         "                 tells with the score. With --check: only tell the way. Exit\n"
         "                 status 2 when no path reaches it.\n"
         "  --watch        Reload the game when dat.dat, img/ or bgm.mid is saved: the\n"
         "                 check's findings on standard error, and play goes on at the\n"
         "                 same line.\n"
         "  --export-web   Write into OUTDIR (new or empty) a static site that plays GAME in\n"
         "                 a browser, for a game host's HTML5 upload (needs 'make web').\n"
         "  --lsp          Serve the check to an editor as a language server (LSP 3.17)\n"
         "                 on standard input and output: its findings as diagnostics on\n"
         "                 every change, go to a caption's label, the labels' references,\n"
         "                 an outline, hovers and completion of captions and pictures.\n"
         "  -h, --help     Show this help and exit.\n"
         "  -v, --version  Show the version and exit.\n"
         "\n"
         "In the window:\n"
         "  click, Enter, Space   next line, next view of a long page, next page\n"
         "  right click, Ctrl     run fast through the pages (hold Ctrl to keep running);\n"
         "                        a click or Enter returns to the normal pace\n"
         "  wheel, Page Up/Down   look back at the earlier views and pages read before\n"
         "  Ctrl+C                copy the page in view\n"
         "  F11, Alt+Enter        full screen on and off; Escape leaves it\n"
         "  drop a game on it     play that game instead (a folder, its dat.dat, an archive)\n"
         "  Tab, arrow keys       move between the two choices; Enter or Space picks one\n";
}

}  // namespace tavrin

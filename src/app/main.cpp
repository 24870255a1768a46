// SPDX-License-Identifier: MIT
// tavrin: plays a sound novel, in its window or as scripted play.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>

#include "app/check/check_front_end.h"
#include "app/command_line.h"
#include "app/export_web.h"
#include "app/game_chooser.h"
#include "app/headless_front_end.h"
#include "app/location_message.h"
#include "app/lsp/lsp_front_end.h"
#include "app/warp/warp_start.h"
#include "app/watch/watch_session.h"
#include "app/window_front_end.h"
#include "audio/sound_system.h"
#include "game_files/cp932.h"
#include "game_files/game_location.h"
#include "picture/picture_file.h"

namespace {

// The folder of the program, as the bytes the system gives for it.
std::filesystem::path ProgramFolder() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) return program.parent_path();
  return QCoreApplication::applicationDirPath().toStdString();
}

// The game named on the command line; with none, the one beside the program.
tavrin::GameLocation GameFromCommandLine(const tavrin::CommandLine& command_line) {
  return tavrin::LocateGame(command_line.game_dir ? std::filesystem::path(*command_line.game_dir)
                                                  : ProgramFolder());
}

// Says what is wrong with the game named, or what is odd about it; false when there is no
// game to play.
bool Report(const tavrin::GameLocation& location) {
  for (const std::string& warning : location.warnings) std::cerr << "tavrin: " << warning << "\n";
  if (location.game != nullptr) return true;
  std::cerr << "tavrin: " << location.error << "\n";
  return false;
}

bool IsOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

// A file opened later must never take the number of a closed standard stream, or what is
// written to the stream would land in it.
void FillClosedStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (!IsOpen(fd)) {
      const int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
      if (null >= 0 && null != fd) ::close(null);  // lower numbers are all open by now
    }
  }
}

// The libraries' own messages (Qt's about pictures or the desktop, libjpeg's about damaged
// files) stay off standard error unless asked for; the program's own go there still.
void QuietenLibraries(bool verbose) {
  tavrin::SetPictureWarningsShown(verbose);
  if (verbose) return;
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) std::cerr << message.toLocal8Bit().constData() << '\n';
  });
}

// A message box of the window's kind: OK only, no icon, the program's title.
void ShowMessage(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tavrin"), text, QMessageBox::Ok);
  box.exec();
}

}  // namespace

int main(int argc, char** argv) {
  const tavrin::CommandLine command_line = tavrin::ParseCommandLine(argc, argv);
  switch (command_line.action) {
    case tavrin::CommandLine::Action::ShowHelp:
      std::cout << tavrin::UsageText();
      return 0;
    case tavrin::CommandLine::Action::ShowVersion:
      std::cout << "tavrin " << TAVRIN_VERSION << '\n';
      return 0;
    case tavrin::CommandLine::Action::Refuse:
      std::cerr << "tavrin: " << command_line.error << "\n"
                << "Try 'tavrin --help' for more information.\n";
      return 2;
    case tavrin::CommandLine::Action::PlayHeadless:
    case tavrin::CommandLine::Action::PlayInWindow:
    case tavrin::CommandLine::Action::Check:
    case tavrin::CommandLine::Action::LanguageServer:
    case tavrin::CommandLine::Action::ExportWeb:
      break;
  }
  // The local time zone named once: libarchive turns each zip entry's time into local time,
  // and with TZ unset the C library looks at /etc/localtime again for every entry.
  ::setenv("TZ", ":/etc/localtime", 0);
  // Decided once: a game's text is code page 932, and without it every line would be lost.
  if (!tavrin::Cp932Available()) {
    std::cerr << "tavrin: this system cannot decode code page 932 (Shift-JIS), the encoding of "
                 "every game's text: its C library has no CP932 converter (on glibc, the "
                 "gconv modules are missing).\n";
    return 1;
  }
  QuietenLibraries(command_line.verbose);
  if (command_line.action == tavrin::CommandLine::Action::ExportWeb) {
    return tavrin::ExportWeb(*command_line.game_dir, command_line.web_dir, std::cerr);
  }

  if (command_line.action == tavrin::CommandLine::Action::Check) {
    FillClosedStandardStreams();
    // The window's fonts and layout, without a window or a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const tavrin::GameLocation location = GameFromCommandLine(command_line);
    if (!Report(location)) return 2;
    if (command_line.warp) {
      return tavrin::TellWarp(location.game, *command_line.warp, std::cout, std::cerr);
    }
    const tavrin::CheckOptions options{command_line.json, command_line.werror, command_line.graph};
    return tavrin::RunCheck(location.game, options, std::cout, std::cerr);
  }
  if (command_line.action == tavrin::CommandLine::Action::LanguageServer) {
    FillClosedStandardStreams();
    std::signal(SIGPIPE, SIG_IGN);  // an editor that goes away ends the server, not a signal
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return tavrin::RunLanguageServer(STDIN_FILENO, STDOUT_FILENO);
  }
  if (command_line.action == tavrin::CommandLine::Action::PlayHeadless) {
    if (!IsOpen(STDIN_FILENO) || !IsOpen(STDOUT_FILENO)) {
      std::cerr << "tavrin: scripted play needs standard input and standard output open.\n";
      return 1;
    }
    FillClosedStandardStreams();
    // A reader that goes away is a write failure, reported as one, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    const tavrin::GameLocation location = GameFromCommandLine(command_line);
    if (!Report(location)) return 2;
    std::optional<tavrin::ResumePoint> start;
    if (command_line.warp) {
      start = tavrin::FindWarpStart(location.game, *command_line.warp, std::cerr);
      if (!start) return 2;
    }
    return tavrin::RunHeadless(location.game, stdin, stdout, std::cerr, start ? &*start : nullptr);
  }
  FillClosedStandardStreams();
  tavrin::PrepareSoundSystem(command_line.verbose);
  const std::unique_ptr<QApplication> app = tavrin::StartWindowApplication(argc, argv);
  QGuiApplication::setDesktopFileName(QStringLiteral(TAVRIN_APP_ID));
  // With no game named and none beside the program, the reader picks one.
  const std::optional<tavrin::GameLocation> location =
      tavrin::GameForWindow(command_line.game_dir, ProgramFolder(), tavrin::ChooseGameFolder);
  if (!location) return 0;  // the reader cancelled the folder chooser
  if (!Report(*location)) {
    ShowMessage(tavrin::LocationMessage(*location));  // in the reader's language
    return 2;
  }
  std::optional<tavrin::ResumePoint> start;
  if (command_line.warp) {
    start = tavrin::FindWarpStart(location->game, *command_line.warp, std::cerr);
    if (!start) return 2;
  }
  std::optional<std::filesystem::path> watch;
  if (command_line.watch) {
    watch = command_line.game_dir ? std::filesystem::path(*command_line.game_dir)
                                  : tavrin::WatchSession::WhereToFindAgain(*location->game);
  }
  return tavrin::RunWindow(location->game, command_line.full_screen, command_line.text_out,
                           std::move(start), watch);
}

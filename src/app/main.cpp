// tavrin: plays a sound novel, in its window or as scripted play.
#include <QApplication>
#include <QCoreApplication>
#include <iostream>

#include "app/command_line.h"
#include "app/game_folders.h"
#include "app/headless_front_end.h"
#include "app/window_front_end.h"

namespace {

tavrin::GameFolders FoldersFromCommandLine(const tavrin::CommandLine& command_line) {
  // With no folder given, the game is the one beside the program.
  return tavrin::FoldersOf(command_line.game_dir
                               ? std::filesystem::path(*command_line.game_dir)
                               : std::filesystem::path(
                                     QCoreApplication::applicationDirPath().toStdString()));
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
    case tavrin::CommandLine::Action::PlayHeadless: {
      QCoreApplication app(argc, argv);
      return tavrin::RunHeadless(FoldersFromCommandLine(command_line), std::cin, std::cout,
                                 std::cerr);
    }
    case tavrin::CommandLine::Action::PlayInWindow: {
      QApplication app(argc, argv);
      return tavrin::RunWindow(FoldersFromCommandLine(command_line));
    }
  }
  return 1;
}

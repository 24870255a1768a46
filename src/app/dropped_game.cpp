// SPDX-License-Identifier: MIT
#include "app/dropped_game.h"

#include <QMessageBox>
#include <iostream>
#include <string>

#include "app/location_message.h"
#include "game_files/game_location.h"
#include "ui/main_window.h"

namespace tavrin {

bool PlayDroppedGame(MainWindow& window, const std::filesystem::path& dropped) {
  const GameLocation location = LocateExistingGame(dropped);
  for (const std::string& warning : location.warnings) std::cerr << "tavrin: " << warning << "\n";
  if (location.game == nullptr) {
    std::cerr << "tavrin: " << location.error << "\n";
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tavrin"), LocationMessage(location),
                    QMessageBox::Ok, &window);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return false;
  }
  window.PlayGame(location.game);
  return true;
}

}  // namespace tavrin

// SPDX-License-Identifier: MIT
// Which game the window plays: the one named, the one beside the program, or the one the
// reader picks in the folder chooser, which starts in the installed demo.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/dropped_game.h"
#include "app/game_chooser.h"
#include "game_files/game_folder.h"
#include "support/temp_folder.h"
#include "ui/main_window.h"

namespace tavrin {
namespace {

namespace fs = std::filesystem;

// An installation in a folder of its own: prefix/bin (the program's folder), the demo in
// prefix/share/tavrin/demo, and a game elsewhere.
class WindowStart : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(bin_);
    fs::create_directories(demo_);
    fs::create_directories(game_);
    std::ofstream(game_ / "dat.dat") << "Hello.\r\n";
  }

  // A chooser that notes where it starts and answers `answer`.
  FolderChooser Chooser(std::optional<fs::path> answer) {
    return [this, answer](const fs::path& start) {
      starts_.push_back(start);
      return answer;
    };
  }

  const test_support::TempFolder folder_{"start"};
  const fs::path prefix_ = folder_.Path();
  const fs::path bin_ = prefix_ / "bin";
  const fs::path demo_ = prefix_ / "share" / "tavrin" / "demo";
  const fs::path game_ = prefix_ / "games" / "tale";
  std::vector<fs::path> starts_;
};

TEST_F(WindowStart, AGameNamedByItsFolderOrItsScenarioIsPlayedWithoutAsking) {
  std::ofstream(game_.parent_path() / "DAT.DAT") << "Hi.\r\n";
  for (const auto& [named, played] :
       {std::pair{game_.string(), game_},
        {(game_ / "dat.dat").string(), game_},
        {(game_.parent_path() / "DAT.DAT").string(), game_.parent_path()},
        {(prefix_ / "no such folder").string(), prefix_ / "no such folder"}}) {
    const std::optional<GameLocation> found = GameForWindow(named, bin_, Chooser(std::nullopt));
    ASSERT_TRUE(found.has_value() && found->game != nullptr) << named;
    EXPECT_EQ(found->game->Where(), played.string()) << named;
  }
  EXPECT_TRUE(starts_.empty());
}

TEST_F(WindowStart, AGameBesideTheProgramIsPlayedWithoutAsking) {
  std::ofstream(bin_ / "Dat.Dat") << "Hello.\r\n";
  const std::optional<GameLocation> found = GameForWindow(std::nullopt, bin_, Chooser(game_));
  ASSERT_TRUE(found.has_value() && found->game != nullptr);
  EXPECT_EQ(found->game->Where(), bin_.string());
  EXPECT_TRUE(starts_.empty());
}

TEST_F(WindowStart, WithNoGameTheChooserStartsInTheInstalledDemo) {
  const std::optional<GameLocation> picked = GameForWindow(std::nullopt, bin_, Chooser(game_));
  ASSERT_TRUE(picked.has_value() && picked->game != nullptr);
  EXPECT_EQ(picked->game->Where(), game_.string());
  EXPECT_EQ(picked->game->Find("img").DiskPath(), game_ / "img");

  EXPECT_FALSE(GameForWindow(std::nullopt, bin_, Chooser(std::nullopt)).has_value())
      << "cancelled: nothing to play";
  fs::remove_all(prefix_ / "share");  // no demo installed: the home folder
  GameForWindow(std::nullopt, bin_, Chooser(std::nullopt));
  EXPECT_EQ(starts_, (std::vector<fs::path>{demo_, demo_, QDir::homePath().toStdString()}));
}

// The real dialog, answered from a timer once it shows.
TEST_F(WindowStart, TheFolderChooserOpensWhereItIsToldAndReturnsThePickOrNothing) {
  for (const bool pick : {false, true}) {
    QString shown_in;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr || !dialog->isVisible()) return;
      shown_in = dialog->directory().absolutePath();
      if (pick) {  // the reader goes into the game's folder and presses Play
        dialog->setDirectory(QString::fromStdString(game_.string()));
        static_cast<QDialog*>(dialog)->accept();
      } else {
        dialog->reject();
      }
    });
    answer.start(10);
    const std::optional<fs::path> chosen = ChooseGameFolder(demo_);
    answer.stop();
    EXPECT_EQ(shown_in.toStdString(), demo_.string());
    EXPECT_EQ(chosen, pick ? std::optional<fs::path>(game_) : std::nullopt);
  }
}

TEST_F(WindowStart, AGameDroppedOnTheWindowPlaysAndWhatHoldsNoneIsSaidSoAndChangesNothing) {
  MainWindow window(GameFolder::OnDisk(game_), nullptr);
  window.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.Engine().ScriptOpen(); }));
  const std::string first_page = window.Engine().MessageText();
  ASSERT_NE(first_page.find("Hello."), std::string::npos);

  QString said;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      said = box->text();
      box->accept();
    }
  });
  answer.start(10);
  PlayDroppedGame(window, bin_);  // an empty folder
  answer.stop();
  EXPECT_TRUE(said.contains(QString::fromStdString(bin_.string()))) << said.toStdString();
  EXPECT_TRUE(window.Engine().ScriptOpen());
  EXPECT_EQ(window.Engine().MessageText(), first_page);

  const fs::path other = game_.parent_path() / "other";
  fs::create_directories(other);
  std::ofstream(other / "dat.dat") << "Bye.\r\n";
  PlayDroppedGame(window, other / "dat.dat");
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return window.Engine().MessageText().find("Bye.") != std::string::npos; }));
}

}  // namespace
}  // namespace tavrin

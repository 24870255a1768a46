// SPDX-License-Identifier: MIT
// Which game a path names: a folder, its dat.dat, the one game folder inside it, or an
// archive; and the game's files found whatever the case of their names.
#include "game_files/game_location.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace tavrin {
namespace {

namespace fs = std::filesystem;

class GameLocationTest : public ::testing::Test {
 protected:
  void Game(const fs::path& folder) {
    fs::create_directories(dir_ / folder);
    folder_.Write((folder / "dat.dat").string(), "Hi.\r\n");
  }
  std::string Played(const fs::path& given) {
    const GameLocation location = LocateGame(given);
    return location.game != nullptr ? location.game->Where() : "error: " + location.error;
  }

  const test_support::TempFolder folder_{"location"};
  const fs::path& dir_ = folder_.Path();
};

TEST_F(GameLocationTest, TheMusicAndPictureFolderAreFoundInAnyCase) {
  fs::create_directory(dir_ / "IMG");
  folder_.Write("BGM.MID", "MThd");
  const std::shared_ptr<GameFolder> game = LocateGame(dir_).game;
  ASSERT_NE(game, nullptr);
  EXPECT_EQ(game->Find("img").DiskPath(), dir_ / "IMG");
  EXPECT_EQ(game->Find("bgm.mid").DiskPath(), dir_ / "BGM.MID");
  EXPECT_EQ(game->Find("bgm.mid").Name(), "BGM.MID");
  fs::remove(dir_ / "BGM.MID");
  EXPECT_EQ(LocateGame(dir_).game->Find("bgm.mid").DiskPath(), dir_ / "bgm.mid")
      << "none: the name as written";
}

TEST_F(GameLocationTest, NamesLeftInCodePage932OnDiskAreGivenAsTheReaderReadsThem) {
  // 表紙 in code page 932, the second byte of 表 a backslash; 背景 for the folder.
  fs::create_directories(dir_ / "img" / "\x94\x77\x8c\x69");
  folder_.Write("img/\x95\x5c\x8e\x86.jpg", "picture");
  folder_.Write("img/\x94\x77\x8c\x69/a.jpg", "picture");
  const std::shared_ptr<GameFolder> game = GameFolder::OnDisk(dir_);
  const GameFile cover = game->Find("img\\表紙.jpg");
  EXPECT_EQ(cover.DiskPath(), dir_ / "img" / "\x95\x5c\x8e\x86.jpg");
  EXPECT_EQ(cover.Name(), "img/表紙.jpg");
  EXPECT_TRUE(cover.IsRegularFile());
  EXPECT_EQ(game->Find("IMG/背景\\A.JPG").Name(), "img/背景/a.jpg");
}

TEST_F(GameLocationTest, AFolderWithoutAScenarioPlaysTheOneGameFolderInIt) {
  Game("unpacked/ゲーム");
  fs::create_directories(dir_ / "unpacked" / "extras");
  EXPECT_EQ(Played(dir_ / "unpacked"), (dir_ / "unpacked" / "ゲーム").string());
  EXPECT_EQ(Played(dir_ / "unpacked" / "ゲーム" / "dat.dat"),
            (dir_ / "unpacked" / "ゲーム").string());
  Game("unpacked");  // its own scenario comes first
  EXPECT_EQ(Played(dir_ / "unpacked"), (dir_ / "unpacked").string());
}

TEST_F(GameLocationTest, SeveralGameFoldersAreNamedAndNoneIsGuessed) {
  Game("two/b");
  Game("two/a");
  const std::string said = Played(dir_ / "two");
  EXPECT_NE(said.find("error: "), std::string::npos) << said;
  EXPECT_NE(said.find("a and b"), std::string::npos) << said;
  EXPECT_EQ(Played(dir_ / "two" / "b"), (dir_ / "two" / "b").string()) << "named, it plays";
}

TEST_F(GameLocationTest, AFolderWithNoGameAtAllIsTakenAsItIsForItsMissingScenario) {
  fs::create_directories(dir_ / "empty");
  EXPECT_EQ(Played(dir_ / "empty"), (dir_ / "empty").string());
  EXPECT_EQ(Played(dir_ / "missing"), (dir_ / "missing").string());
}

TEST_F(GameLocationTest, AFileThatIsNoArchiveIsRefusedByName) {
  folder_.Write("notes.txt", "not an archive\n");
  const std::string said = Played(dir_ / "notes.txt");
  EXPECT_EQ(said, "error: '" + (dir_ / "notes.txt").string() +
                      "' is neither a game folder, nor its dat.dat, nor an archive of a kind "
                      "Tavrin reads (zip, LZH, 7z, RAR)");
}

}  // namespace
}  // namespace tavrin

// A game's folders and music file, found whatever the case of their names.
#include "app/game_folders.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

namespace tavrin {
namespace {

TEST(GameFolders, TheMusicAndPictureFolderAreFoundInAnyCase) {
  std::string pattern = (std::filesystem::temp_directory_path() / "tavrin-folders-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const std::filesystem::path dir = pattern;
  std::filesystem::create_directory(dir / "IMG");
  std::ofstream(dir / "BGM.MID") << "MThd";
  const GameFolders folders = FoldersOf(dir);
  EXPECT_EQ(folders.ImgDir, dir / "IMG");
  EXPECT_EQ(folders.MusicFile(), dir / "BGM.MID");
  std::filesystem::remove(dir / "BGM.MID");
  EXPECT_EQ(FoldersOf(dir).MusicFile(), dir / "bgm.mid") << "none: the name as written";
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tavrin

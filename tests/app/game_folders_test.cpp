// A game's folders and music file, found whatever the case of their names.
#include "app/game_folders.h"

#include <gtest/gtest.h>

#include "../support/temp_folder.h"

namespace tavrin {
namespace {

TEST(GameFolders, TheMusicAndPictureFolderAreFoundInAnyCase) {
  const test_support::TempFolder folder("folders");
  const std::filesystem::path& dir = folder.Path();
  std::filesystem::create_directory(dir / "IMG");
  folder.Write("BGM.MID", "MThd");
  const GameFolders folders = FoldersOf(dir);
  EXPECT_EQ(folders.img_dir, dir / "IMG");
  EXPECT_EQ(folders.MusicFile(), dir / "BGM.MID");
  std::filesystem::remove(dir / "BGM.MID");
  EXPECT_EQ(FoldersOf(dir).MusicFile(), dir / "bgm.mid") << "none: the name as written";
}

}  // namespace
}  // namespace tavrin

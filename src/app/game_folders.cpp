#include "app/game_folders.h"

#include "scenario/game_path.h"

namespace tavrin {

GameFolders FoldersOf(const std::filesystem::path& game_dir) {
  std::error_code error;
  std::filesystem::path app_dir = std::filesystem::absolute(game_dir, error);
  if (error) app_dir = game_dir;
  app_dir = app_dir.lexically_normal();
  if (!app_dir.has_filename() && app_dir.has_parent_path() && app_dir != app_dir.root_path()) {
    app_dir = app_dir.parent_path();  // drop a trailing separator, keep a root as it is
  }
  GameFolders folders;
  folders.AppDir = app_dir;
  folders.ImgDir = ResolveGamePath(app_dir, "img");
  folders.DatDir = app_dir;
  return folders;
}

std::filesystem::path GameFolders::MusicFile() const { return ResolveGamePath(AppDir, "bgm.mid"); }

}  // namespace tavrin

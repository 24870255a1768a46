#include "app/game_folders.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "scenario/game_path.h"

namespace tavrin {
namespace {

// Whether `path` is a game's scenario file, dat.dat in any letter case (as Windows finds it).
bool IsScenarioFile(const std::filesystem::path& path) {
  std::string name = path.filename().string();
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  std::error_code error;
  return name == "dat.dat" && std::filesystem::is_regular_file(path, error);
}

}  // namespace

GameFolders FoldersOf(const std::filesystem::path& game) {
  std::filesystem::path game_dir = game;
  if (IsScenarioFile(game)) game_dir = game.has_parent_path() ? game.parent_path() : ".";
  std::error_code error;
  std::filesystem::path app_dir = std::filesystem::absolute(game_dir, error);
  if (error) app_dir = game_dir;
  app_dir = app_dir.lexically_normal();
  if (!app_dir.has_filename() && app_dir.has_parent_path() && app_dir != app_dir.root_path()) {
    app_dir = app_dir.parent_path();  // drop a trailing separator, keep a root as it is
  }
  GameFolders folders;
  folders.app_dir = app_dir;
  folders.img_dir = ResolveGamePath(app_dir, "img");
  folders.dat_dir = app_dir;
  return folders;
}

std::filesystem::path GameFolders::MusicFile() const { return ResolveGamePath(app_dir, "bgm.mid"); }

}  // namespace tavrin

// SPDX-License-Identifier: MIT
#include "app/export_web.h"

#include <unistd.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "game_files/game_location.h"
#include "picture/picture_limits.h"
#include "scenario/line_kind.h"
#include "scenario/script_file.h"

namespace tavrin {
namespace {

namespace fs = std::filesystem;

// A game host takes fewer files than this in one upload.
constexpr size_t kMostFiles = 1000;
constexpr uint64_t kMaxScenarioBytes = uint64_t{1} << 30;
constexpr uint64_t kMaxMusicBytes = uint64_t{1} << 20;

// The web page, built by `make web`: beside the installed program, or in the build tree.
std::optional<fs::path> WebPage() {
  std::error_code error;
  const fs::path program = fs::read_symlink("/proc/self/exe", error);
  std::vector<fs::path> places;
  if (!error) places.push_back(program.parent_path() / TAVRIN_WEB_PAGE_FROM_PROGRAM);
  places.emplace_back(TAVRIN_WEB_PAGE_IN_BUILD);
  for (const fs::path& place : places) {
    if (fs::is_regular_file(place / "index.html", error)) return place;
  }
  return std::nullopt;
}

// A name that stays inside the game's folder of the site.
bool SafeName(const std::string& name) {
  if (name.empty() || name.front() == '/') return false;
  for (const auto& part : fs::path(name)) {
    if (part == ".." || part == ".") return false;
  }
  return true;
}

// The game's files the site needs: dat.dat, every picture a picture line names (whether or
// not a path of the story reaches it) and bgm.mid. Pictures that are not there are left out.
std::vector<GameFile> FilesOf(GameFolder& game) {
  std::vector<GameFile> files;
  std::set<std::string> names;
  const auto take = [&](const GameFile& file, uint64_t limit) {
    const std::optional<uint64_t> size = file.IsRegularFile() ? file.Size() : std::nullopt;
    if (!size || *size > limit || !SafeName(file.Name())) return;
    if (names.insert(file.Name()).second) files.push_back(file);
  };
  const GameFile scenario = game.Find("dat.dat");
  take(scenario, kMaxScenarioBytes);
  take(game.Find("bgm.mid"), kMaxMusicBytes);
  ScriptFile script;
  if (!script.Open(scenario)) return files;
  while (const std::optional<std::string> line = script.ReadLine()) {
    if (KindOfLine(*line) != LineKind::Picture) continue;
    const std::string name = PictureName(*line);
    if (!name.empty()) take(game.Find("img\\" + name + ".jpg"), PictureLimits::kMaxFileBytes);
  }
  return files;
}

bool WriteBytes(const fs::path& path, const std::string& bytes) {
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !error && out.good();
}

}  // namespace

int ExportWeb(const fs::path& given, const fs::path& out_dir, std::ostream& errors) {
  const std::optional<fs::path> page = WebPage();
  if (!page) {
    errors << "tavrin: the web page is not built: run 'make web' first\n";
    return 2;
  }
  std::error_code error;
  if (fs::exists(out_dir, error) &&
      !(fs::is_directory(out_dir, error) && fs::is_empty(out_dir, error))) {
    errors << "tavrin: '" << out_dir.string()
           << "' is there already and not an empty folder: nothing was written\n";
    return 2;
  }
  const GameLocation location = LocateExistingGame(given);
  for (const std::string& warning : location.warnings) errors << "tavrin: " << warning << "\n";
  if (location.game == nullptr) {
    errors << "tavrin: " << location.error << "\n";
    return 2;
  }
  const std::vector<GameFile> files = FilesOf(*location.game);
  size_t page_files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(*page, error)) {
    page_files += entry.is_regular_file() ? 1 : 0;
  }
  if (files.size() + page_files + 1 >= kMostFiles) {
    errors << "tavrin: the site would hold " << files.size() + page_files + 1
           << " files, and game hosts take fewer than " << kMostFiles << ": nothing was written\n";
    return 2;
  }

  fs::create_directories(out_dir, error);
  fs::copy(*page, out_dir, fs::copy_options::recursive, error);
  if (error) {
    errors << "tavrin: cannot write '" << out_dir.string() << "': " << error.message() << "\n";
    return 1;
  }
  nlohmann::ordered_json listing = {{"name", given.filename().string()},
                                    {"files", nlohmann::ordered_json::array()}};
  for (const GameFile& file : files) {
    const std::optional<std::string> bytes = file.ReadAll(UINT64_MAX);
    if (!bytes) continue;  // a member that cannot be inflated is as missing
    if (!WriteBytes(out_dir / "game" / file.Name(), *bytes)) {
      errors << "tavrin: cannot write '" << (out_dir / "game" / file.Name()).string() << "'\n";
      return 1;
    }
    listing["files"].push_back(file.Name());
  }
  if (!WriteBytes(out_dir / "game" / "files.json", listing.dump(1) + "\n")) {
    errors << "tavrin: cannot write the game's listing in '" << out_dir.string() << "'\n";
    return 1;
  }
  return 0;
}

}  // namespace tavrin

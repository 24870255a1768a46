// SPDX-License-Identifier: MIT
#include "game_files/game_path.h"

#include <dirent.h>

#include <string>
#include <utility>

#include "game_files/cp932.h"
#include "game_files/game_name.h"
#include "game_files/text_bytes.h"

namespace tavrin {
namespace {

// What a name on disk is matched by: its letters in one case, and a folder unpacked from a
// Windows archive may keep its names in code page 932.
std::string MatchKey(const std::string& on_disk) {
  return FoldAsciiCase(IsValidUtf8(on_disk) ? on_disk : DecodeCp932(on_disk));
}

}  // namespace

struct GameNameResolver::Folder {
  bool listed = false;
  bool listable = false;
  std::unordered_set<std::string> names;
  // Each match key with the name it stands for: the first in byte order, when several
  // names differ only in case.
  std::unordered_map<std::string, std::string> by_key;
  std::unordered_map<std::string, std::unique_ptr<Folder>> folders;

  void List(const std::filesystem::path& path) {
    listed = true;
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) return;
    listable = true;
    while (const dirent* entry = ::readdir(dir)) {
      std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      auto [it, added] = by_key.try_emplace(MatchKey(name), name);
      if (!added && name < it->second) it->second = name;
      names.insert(std::move(name));
    }
    ::closedir(dir);
  }

  // The name on disk for `wanted` in this folder, at `path`; `wanted` itself when none.
  std::string Find(const std::filesystem::path& path, std::string_view wanted) {
    if (!listed) List(path);
    std::string name(wanted);
    if (!listable || names.contains(name)) return name;
    const auto match = by_key.find(FoldAsciiCase(wanted));
    return match != by_key.end() ? match->second : name;
  }

  // The folder `name` inside this one; null when this one could not be listed, so that
  // nothing under a folder that is not there is ever listed.
  Folder* Sub(const std::string& name) {
    if (!listable) return nullptr;
    std::unique_ptr<Folder>& sub = folders[name];
    if (sub == nullptr) sub = std::make_unique<Folder>();
    return sub.get();
  }
};

GameNameResolver::GameNameResolver(std::filesystem::path root)
    : root_(std::move(root)), top_(std::make_unique<Folder>()) {}

GameNameResolver::~GameNameResolver() = default;

std::filesystem::path GameNameResolver::Resolve(std::string_view relative) {
  std::filesystem::path result = root_;
  Folder* folder = top_.get();
  ForEachNamePart(relative, [&](std::string_view part) {
    // Appending in place: building a new path at every step would cost the square of the
    // name's length.
    const std::string name = part == ".." || folder == nullptr ? std::string(part)
                                                               : folder->Find(result, part);
    result /= name;
    folder = folder != nullptr ? folder->Sub(name) : nullptr;
  });
  return result;
}

std::filesystem::path ResolveGamePath(const std::filesystem::path& dir, std::string_view relative) {
  return GameNameResolver(dir).Resolve(relative);
}

}  // namespace tavrin

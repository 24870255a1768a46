// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace tavrin {

/// Finds the files of one game folder the way Windows would: a name `relative` (UTF-8, "/"
/// or "\" between folders) whose folder or file does not exist with exactly the written
/// case is matched case-insensitively in its folder, and a name that an archive left in
/// code page 932 bytes on disk matches its decoded text. A name with no match at all comes
/// back as written, so the caller's open fails as usual. Paths are the bytes the system
/// gave, never converted.
///
/// Each folder is listed once, when a name is first looked up in it, and the listing is
/// kept for the resolver's life (the run): a lookup costs about the length of the name.
class GameNameResolver {
 public:
  explicit GameNameResolver(std::filesystem::path root);
  ~GameNameResolver();
  GameNameResolver(const GameNameResolver&) = delete;
  GameNameResolver& operator=(const GameNameResolver&) = delete;

  std::filesystem::path Resolve(std::string_view relative);
  const std::filesystem::path& Root() const { return root_; }

 private:
  struct Folder;
  std::filesystem::path root_;
  std::unique_ptr<Folder> top_;
};

/// One lookup with a resolver of its own (every folder on the way listed afresh).
std::filesystem::path ResolveGamePath(const std::filesystem::path& dir, std::string_view relative);

}  // namespace tavrin

// SPDX-License-Identifier: MIT
#include "game_files/game_folder.h"

#include <utility>

#include "game_files/cp932.h"
#include "game_files/text_bytes.h"

namespace tavrin {
namespace {

class DiskFolder : public GameFolder {
 public:
  explicit DiskFolder(std::filesystem::path folder) : names_(std::move(folder)) {}

  GameFile Find(std::string_view name) override {
    std::filesystem::path path = names_.Resolve(name);
    // The name as the reader reads it: what the resolver found, each part decoded.
    std::string shown;
    for (const std::filesystem::path& part : path.lexically_relative(names_.Root())) {
      const std::string bytes = part.string();
      if (!shown.empty()) shown += '/';
      shown += IsValidUtf8(bytes) ? bytes : DecodeCp932(bytes);
    }
    return GameFile::OnDisk(std::move(path), std::move(shown));
  }

  std::string Where() const override { return names_.Root().string(); }

 private:
  GameNameResolver names_;
};

class ArchiveFolder : public GameFolder {
 public:
  ArchiveFolder(std::shared_ptr<const ArchiveContents> archive, std::string folder)
      : archive_(std::move(archive)), folder_(std::move(folder)) {}

  GameFile Find(std::string_view name) override {
    std::string shown = CleanName(name);
    const ArchiveEntry* entry =
        archive_->Find(folder_.empty() ? shown : folder_ + "/" + shown);
    // The name as the archive has it, which may differ in case from the one asked for.
    if (entry != nullptr) {
      shown = folder_.empty() ? entry->name : entry->name.substr(folder_.size() + 1);
    }
    return GameFile::InArchive(archive_, entry, std::move(shown));
  }

  std::string Where() const override {
    return folder_.empty() ? archive_->Path().string()
                           : archive_->Path().string() + " (in its folder " + folder_ + ")";
  }
  const ArchiveContents* Archive() const override { return archive_.get(); }

 private:
  std::shared_ptr<const ArchiveContents> archive_;
  std::string folder_;
};

}  // namespace

std::shared_ptr<GameFolder> GameFolder::OnDisk(std::filesystem::path folder) {
  return std::make_shared<DiskFolder>(std::move(folder));
}

std::shared_ptr<GameFolder> GameFolder::InArchive(std::shared_ptr<const ArchiveContents> archive,
                                                  std::string folder) {
  return std::make_shared<ArchiveFolder>(std::move(archive), std::move(folder));
}

}  // namespace tavrin

// SPDX-License-Identifier: MIT
#include "game_files/game_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "game_files/memory_stream.h"
#include "game_files/regular_file.h"

namespace tavrin {

GameFile GameFile::OnDisk(std::filesystem::path path, std::string name) {
  GameFile file;
  file.path_ = std::move(path);
  file.name_ = std::move(name);
  return file;
}

GameFile GameFile::InArchive(std::shared_ptr<const ArchiveContents> archive,
                             const ArchiveEntry* entry, std::string name) {
  GameFile file;
  file.path_ = archive->Path();
  file.archive_ = std::move(archive);
  file.entry_ = entry;
  file.name_ = std::move(name);
  return file;
}

GameFile GameFile::InMemory(std::shared_ptr<const std::string> bytes, std::string name) {
  GameFile file;
  file.bytes_ = std::move(bytes);
  file.name_ = std::move(name);
  return file;
}

bool GameFile::Exists() const {
  if (bytes_ != nullptr) return true;
  if (archive_ != nullptr) return entry_ != nullptr;
  struct stat status {};
  return ::lstat(path_.c_str(), &status) == 0;
}

bool GameFile::IsRegularFile() const {
  if (bytes_ != nullptr) return true;
  if (archive_ != nullptr) return entry_ != nullptr && entry_->kind == ArchiveEntry::Kind::File;
  struct stat status {};
  return ::stat(path_.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool GameFile::Encrypted() const { return entry_ != nullptr && entry_->encrypted; }

std::optional<uint64_t> GameFile::Size() const {
  if (bytes_ != nullptr) return bytes_->size();
  if (archive_ != nullptr) return entry_ != nullptr ? entry_->size : std::nullopt;
  struct stat status {};
  if (::stat(path_.c_str(), &status) != 0) return std::nullopt;
  return static_cast<uint64_t>(status.st_size);
}

std::FILE* GameFile::Open(uint64_t limit, FileIdentity* identity) const {
  if (bytes_ != nullptr) return bytes_->size() > limit ? nullptr : OpenMemoryStream(bytes_);
  if (archive_ != nullptr) {
    if (entry_ == nullptr || (entry_->size && *entry_->size > limit)) return nullptr;
    // Never more than the archive declares: a member that inflates past its size is a bomb
    // or damaged, and is refused at the byte after it.
    std::FILE* file = OpenByteStream(archive_->OpenMember(*entry_), entry_->size.value_or(limit));
    if (file != nullptr && identity != nullptr) *identity = archive_->Identity();
    return file;
  }
  const int fd = OpenRegularFile(path_);
  if (fd < 0) return nullptr;
  struct stat status {};
  if (::fstat(fd, &status) != 0 || static_cast<uint64_t>(status.st_size) > limit) {
    ::close(fd);
    return nullptr;
  }
  std::FILE* file = ::fdopen(fd, "rb");
  if (file == nullptr) {
    ::close(fd);
    return nullptr;
  }
  if (identity != nullptr) *identity = IdentityFrom(status);
  return file;
}

std::optional<std::string> GameFile::ReadAll(uint64_t limit, FileIdentity* identity) const {
  std::FILE* file = Open(limit, identity);
  if (file == nullptr) return std::nullopt;
  std::string bytes;
  if (const std::optional<uint64_t> size = Size(); size && *size <= limit) {
    bytes.reserve(static_cast<size_t>(*size));
  }
  char block[64 * 1024];
  bool failed = false;
  for (;;) {
    const size_t got = std::fread(block, 1, sizeof block, file);
    bytes.append(block, got);
    if (bytes.size() > limit) failed = true;  // a file on disk that grew meanwhile
    if (got < sizeof block || failed) {
      failed = failed || std::ferror(file) != 0;
      break;
    }
  }
  std::fclose(file);
  if (failed) return std::nullopt;
  return bytes;
}

std::optional<FileIdentity> GameFile::Identity() const { return IdentityOf(path_); }

}  // namespace tavrin

// SPDX-License-Identifier: MIT
#pragma once

#include <archive.h>
#include <archive_entry.h>
#include <locale.h>

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "game_files/file_identity.h"

namespace tavrin {

/// While it lives, libarchive's conversions of names on this thread work in UTF-8, whatever
/// the reader's locale: names marked as Unicode come out as UTF-8, and the others as the
/// archive asks (code page 932 unless marked).
class Utf8Names {
 public:
  Utf8Names();
  ~Utf8Names();
  Utf8Names(const Utf8Names&) = delete;
  Utf8Names& operator=(const Utf8Names&) = delete;

 private:
  locale_t previous_ = nullptr;
};

/// One pass of libarchive over an archive file, from its first entry: the kinds of
/// archive a game comes in, names in code page 932 unless marked as Unicode. The file is
/// read through a descriptor of its own, which only a regular file gets. A caller that
/// reads the entries' data holds a `Utf8Names` while it does.
class ArchiveReader {
 public:
  ArchiveReader() = default;
  ~ArchiveReader();
  ArchiveReader(const ArchiveReader&) = delete;
  ArchiveReader& operator=(const ArchiveReader&) = delete;

  /// Opens `path`, whose archive starts `start` bytes in (after a self-extracting program,
  /// say); false when it is not a regular file or libarchive cannot open it (`Error` says
  /// why). `identity`, when given, must be the file's identity now.
  bool Open(const std::filesystem::path& path,
            const std::optional<FileIdentity>& identity = std::nullopt, uint64_t start = 0);
  /// The next entry's header, or null at the end or on a failure (`Failed` tells).
  archive_entry* Next();
  bool Failed() const { return failed_; }
  /// Why the archive could not be opened or read on, as libarchive says it.
  std::string Error() const;
  /// The file's identity as it was opened.
  const FileIdentity& Identity() const { return identity_; }
  archive* Handle() { return archive_; }

 private:
  static la_ssize_t ReadBlock(archive*, void* opaque, const void** block);
  static la_int64_t Skip(archive*, void* opaque, la_int64_t request);
  static la_int64_t SeekTo(archive*, void* opaque, la_int64_t offset, int whence);

  archive* archive_ = nullptr;
  int fd_ = -1;
  off_t start_ = 0;
  FileIdentity identity_;
  bool failed_ = false;
  std::string error_;
  // Reads start small after a jump, where libarchive mostly wants one entry's header, and
  // grow while it reads on: walking past a thousand members then copies kilobytes, not the
  // block's size for each.
  static constexpr size_t kFirstRead = 4 * 1024;
  size_t next_read_ = kFirstRead;
  char block_[64 * 1024];
};

}  // namespace tavrin

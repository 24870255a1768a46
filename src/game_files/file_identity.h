// SPDX-License-Identifier: MIT
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <optional>

namespace tavrin {

/// Which file something was read from, and in what state: the file's device and inode, its
/// size, when its bytes were last modified and when the file itself last changed (a write,
/// a rename onto it, or its times set by hand). A file whose identity is the same now holds
/// the same bytes. A member of an archive has the identity of the archive file.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  int64_t size = -1;
  int64_t modified_ns = 0;
  int64_t changed_ns = 0;

  bool operator==(const FileIdentity&) const = default;
};

FileIdentity IdentityFrom(const struct stat& status);

/// The identity of the file at `path` now (links followed), or nothing when there is none.
std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path);

/// The identity of a file as it is read, when a change to it from now on would show in it:
/// its bytes were last modified longer ago than the coarsest file system's clock step. A
/// file written just before keeps no identity, and nothing read of it should be kept.
std::optional<FileIdentity> SettledIdentity(const FileIdentity& identity);

}  // namespace tavrin

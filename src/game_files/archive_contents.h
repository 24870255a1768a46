// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "game_files/byte_stream.h"
#include "game_files/file_identity.h"
#include "game_files/game_name.h"

namespace tavrin {

/// One entry of an archive, as the archive's listing gives it.
struct ArchiveEntry {
  enum class Kind { File, Folder, Link, Other };
  /// The name as a reader reads it: UTF-8, "/" between folders (a "\" written by Windows
  /// included), with no leading "./" and no trailing "/".
  std::string name;
  Kind kind = Kind::File;
  /// The size the archive declares for the file's bytes, when it declares one.
  std::optional<uint64_t> size;
  bool encrypted = false;
  /// Where the entry stands in the archive: 0 for the first.
  size_t index = 0;
};

/// What an archive holds, listed once when it opens, and its members read from it when
/// asked, without anything written anywhere. Zip, LZH, 7z and RAR (4 and 5), also behind
/// a self-extracting program, through libarchive.
///
/// A name is decoded from code page 932 unless the archive marks it as Unicode (zip's
/// language-encoding flag, RAR's Unicode names, 7z's names) or it is well-formed UTF-8 (as
/// zips made on Linux leave it, unmarked), which code page 932 names practically never are. Entries with an absolute name
/// or a ".." in it are left out of the listing (`Unsafe` names them).
///
/// A member is reached without inflating the ones before it where the format allows (zip,
/// LZH), though libarchive still walks past the headers of the ones before it. A 7z or RAR
/// archive may be solid, where reaching a member inflates every one before it. `Preload`
/// reads the files of the game's folder in one pass, so that reading them again costs
/// nothing: all of them (within a bound) from an archive that may be solid, the first few
/// megabytes of them from one that is not. A member is read only while the archive file is
/// the one that was listed.
///
/// After `List` and `Preload` the contents are only read: members may be opened on any
/// thread.
class ArchiveContents {
 public:
  /// Why an archive was not listed.
  enum class Refusal {
    None,
    NotAnArchive,  // of no kind that is read
    Damaged,       // of a kind that is read, but damaged or cut short
    Encrypted,     // its listing itself is encrypted
    TooManyEntries,
  };
  struct Listing {
    std::shared_ptr<ArchiveContents> contents;  // null when the file could not be listed
    Refusal refusal = Refusal::None;
    std::string error;  // libarchive's account of it, when it gave one
    bool NotAnArchive() const { return refusal == Refusal::NotAnArchive; }
  };
  static Listing List(const std::filesystem::path& archive);
  /// `List` of an archive that starts `start` bytes into its file.
  static Listing ListFrom(const std::filesystem::path& archive, uint64_t start);

  /// More entries than any game has; an archive that holds more is refused.
  static constexpr size_t kMaxEntries = 200'000;
  /// What `Preload` keeps in memory at most, and of one file: from an archive that may be
  /// solid, and from one that is not.
  static constexpr uint64_t kMaxPreloadBytes = uint64_t{256} << 20;
  static constexpr uint64_t kMaxPreloadFileBytes = uint64_t{128} << 20;
  static constexpr uint64_t kMaxPreloadBytesNotSolid = uint64_t{4} << 20;

  const std::filesystem::path& Path() const { return path_; }
  const FileIdentity& Identity() const { return identity_; }
  /// The kind of archive, as libarchive names it ("ZIP 2.0 (deflation)", "7-Zip", ...).
  const std::string& Format() const { return format_; }
  /// Whether reaching a member may inflate the ones before it.
  bool MayBeSolid() const { return may_be_solid_; }
  const std::vector<ArchiveEntry>& Entries() const { return entries_; }
  /// Names left out for being absolute or leading out of the archive (".."), and names
  /// held more than once (in any letter case; the first is the one used), each once.
  const std::vector<std::string>& Unsafe() const { return unsafe_; }
  const std::vector<std::string>& Duplicates() const { return duplicates_; }

  /// The entry named `name` ("/" or "\" between folders), in any case of its ASCII letters:
  /// of several so named, the first (Windows, which wrote them, holds only one of them).
  const ArchiveEntry* Find(std::string_view name) const;

  /// Reads into memory, in one pass, the files under `folder` ("" for the whole archive) in
  /// the order they are stored, each of at most `kMaxPreloadFileBytes`, up to
  /// `kMaxPreloadBytes` in all (`kMaxPreloadBytesNotSolid` for an archive that cannot be
  /// solid); the others are read from the archive when opened.
  void Preload(std::string_view folder);

  /// The bytes of `entry` (one of `Entries`) from its first; null when it cannot be read
  /// (not a file, encrypted, or the archive changed or went away since it was listed).
  std::unique_ptr<ByteSource> OpenMember(const ArchiveEntry& entry) const;

 private:
  std::filesystem::path path_;
  FileIdentity identity_;
  std::string format_;
  bool may_be_solid_ = false;
  uint64_t start_ = 0;  // where the archive starts in its file
  std::vector<ArchiveEntry> entries_;
  std::vector<std::string> unsafe_;
  std::vector<std::string> duplicates_;
  std::unordered_map<std::string, size_t> folded_;  // name in lower case -> first entry
  std::unordered_map<size_t, std::shared_ptr<const std::string>> preloaded_;  // by index
};

}  // namespace tavrin

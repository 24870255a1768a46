// SPDX-License-Identifier: MIT
#include "game_files/archive_contents.h"

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "game_files/archive_reader.h"
#include "game_files/cp932.h"
#include "game_files/game_file.h"
#include "game_files/text_bytes.h"

namespace tavrin {
namespace {

bool IsCp932LeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// A RAR name in code page 932 as libarchive hands it, every "\\" turned into "/": where that
// was the second byte of a character (as in 表, 0x95 0x5C) the "\\" is put back, for "/" is
// never a second byte.
std::string RestoreTrailBackslashes(std::string bytes) {
  for (size_t i = 0; i + 1 < bytes.size(); ++i) {
    if (!IsCp932LeadByte(static_cast<unsigned char>(bytes[i]))) continue;
    if (bytes[i + 1] == '/') bytes[i + 1] = '\\';
    ++i;
  }
  return bytes;
}

// The entry's name as a reader reads it; nothing for a name that must not be used.
std::optional<std::string> ReadableName(archive_entry* entry, bool rar) {
  const char* stored = archive_entry_pathname(entry);
  if (stored == nullptr) stored = archive_entry_pathname_utf8(entry);
  if (stored == nullptr) return std::nullopt;
  std::string name = IsValidUtf8(stored)
                         ? std::string(stored)
                         : DecodeCp932(rar ? RestoreTrailBackslashes(stored) : std::string(stored));
  return ArchiveMemberName(std::move(name));
}

ArchiveEntry::Kind KindOf(archive_entry* entry) {
  if (archive_entry_hardlink(entry) != nullptr || archive_entry_symlink(entry) != nullptr) {
    return ArchiveEntry::Kind::Link;
  }
  switch (archive_entry_filetype(entry)) {
    case AE_IFREG:
      return ArchiveEntry::Kind::File;
    case AE_IFDIR:
      return ArchiveEntry::Kind::Folder;
    case AE_IFLNK:
      return ArchiveEntry::Kind::Link;
    default:
      return ArchiveEntry::Kind::Other;
  }
}

// A member as libarchive inflates it, through a pass of its own over the archive file.
class MemberSource : public ByteSource {
 public:
  MemberSource(std::filesystem::path path, FileIdentity identity, uint64_t start, size_t index)
      : path_(std::move(path)), identity_(identity), start_(start), index_(index) {}

  bool Start() {
    reader_ = std::make_unique<ArchiveReader>();
    if (!reader_->Open(path_, identity_, start_)) return false;
    archive_entry* entry = nullptr;
    for (size_t i = 0; i <= index_; ++i) {
      entry = reader_->Next();
      if (entry == nullptr) return false;
    }
    return !archive_entry_is_encrypted(entry);
  }

  ssize_t Read(char* data, size_t size) override {
    if (reader_ == nullptr) {
      errno = EIO;
      return -1;
    }
    const Utf8Names utf8;
    const la_ssize_t got = archive_read_data(reader_->Handle(), data, size);
    if (got < 0) {
      errno = EIO;
      return -1;
    }
    return got;
  }

  bool Restart() override {
    if (Start()) return true;
    reader_.reset();
    return false;
  }

 private:
  std::filesystem::path path_;
  FileIdentity identity_;
  uint64_t start_;
  size_t index_;
  std::unique_ptr<ArchiveReader> reader_;
};

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::shared_ptr<const std::string> bytes) : bytes_(std::move(bytes)) {}

  ssize_t Read(char* data, size_t size) override {
    const size_t n = std::min(size, bytes_->size() - at_);
    std::copy_n(bytes_->data() + at_, n, data);
    at_ += n;
    return static_cast<ssize_t>(n);
  }
  bool Restart() override {
    at_ = 0;
    return true;
  }

 private:
  std::shared_ptr<const std::string> bytes_;
  size_t at_ = 0;
};

// Where a 7z or RAR archive may start in a self-extracting program ("MZ"): each place in its
// first bytes that holds one's signature, at most a few.
std::vector<uint64_t> ArchiveStartsAfterProgram(const std::filesystem::path& path) {
  constexpr size_t kSearched = size_t{8} << 20;
  constexpr size_t kMaxStarts = 8;
  std::vector<uint64_t> starts;
  const GameFile program = GameFile::OnDisk(path, "");
  std::FILE* file = program.Open();
  if (file == nullptr) return starts;
  std::string head(static_cast<size_t>(std::min<uint64_t>(program.Size().value_or(0), kSearched)),
                   '\0');
  head.resize(std::fread(head.data(), 1, head.size(), file));
  std::fclose(file);
  if (!head.starts_with("MZ")) return starts;
  static const std::string_view kSignatures[] = {
      std::string_view("7z\xBC\xAF\x27\x1C", 6), std::string_view("Rar!\x1A\x07\x00", 7),
      std::string_view("Rar!\x1A\x07\x01\x00", 8)};
  for (size_t at = 2; at < head.size() && starts.size() < kMaxStarts; ++at) {
    if (head[at] != '7' && head[at] != 'R') continue;
    for (const std::string_view signature : kSignatures) {
      if (std::string_view(head).substr(at, signature.size()) == signature) {
        starts.push_back(at);
        break;
      }
    }
  }
  return starts;
}

// Whether libarchive refused the archive for its listing's being encrypted (a 7z whose
// headers are, say).
// `opened`: whether libarchive recognised the archive (before that, it cannot be asked).
bool IsEncryptedListing(ArchiveReader& reader, bool opened) {
  if (opened && archive_read_has_encrypted_entries(reader.Handle()) > 0) return true;
  const std::string said = FoldAsciiCase(reader.Error());
  return said.find("encrypt") != std::string::npos || said.find("passphrase") != std::string::npos;
}

// Whether the file begins as a zip, 7z, RAR or LZH archive does.
bool BeginsAsArchive(const std::filesystem::path& path) {
  char head[8] = {};
  std::FILE* file = GameFile::OnDisk(path, "").Open();
  if (file == nullptr) return false;
  const size_t got = std::fread(head, 1, sizeof head, file);
  std::fclose(file);
  const std::string_view bytes(head, got);
  return bytes.starts_with(std::string_view("PK\x03\x04", 4)) ||
         bytes.starts_with("7z\xBC\xAF\x27\x1C") || bytes.starts_with("Rar!\x1A\x07") ||
         (got >= 7 && bytes.substr(2, 3) == "-lh" && bytes[6] == '-');
}

bool IsUnder(std::string_view name, std::string_view folder) {
  return folder.empty() || (name.size() > folder.size() && name.starts_with(folder) &&
                            name[folder.size()] == '/');
}

}  // namespace

ArchiveContents::Listing ArchiveContents::List(const std::filesystem::path& archive) {
  Listing listing = ListFrom(archive, 0);
  if (!listing.NotAnArchive()) return listing;
  // A self-extracting program: libarchive finds a zip or LZH behind it, and a 7z or RAR only
  // behind some sizes of program; it is looked for here.
  const std::vector<uint64_t> starts = ArchiveStartsAfterProgram(archive);
  for (const uint64_t start : starts) {
    Listing behind = ListFrom(archive, start);
    if (!behind.NotAnArchive()) return behind;
  }
  // One that begins as an archive of a known kind but is not read as one is damaged: most
  // often cut short, with the zip's directory at its end missing.
  if (!starts.empty() || BeginsAsArchive(archive)) listing.refusal = Refusal::Damaged;
  return listing;
}

ArchiveContents::Listing ArchiveContents::ListFrom(const std::filesystem::path& archive,
                                                   uint64_t start) {
  Listing listing;
  ArchiveReader reader;
  if (!reader.Open(archive, std::nullopt, start)) {
    // libarchive's "Unrecognized archive format" is every kind's refusal of the file.
    listing.refusal = IsEncryptedListing(reader, false) ? Refusal::Encrypted : Refusal::NotAnArchive;
    listing.error = reader.Error();
    return listing;
  }
  auto contents = std::shared_ptr<ArchiveContents>(new ArchiveContents());
  contents->path_ = archive;
  contents->identity_ = reader.Identity();
  contents->start_ = start;
  size_t index = 0;
  std::unordered_set<size_t> duplicated;  // entries named again, by the first of them
  const Utf8Names utf8;  // for the names read from the entries
  while (archive_entry* entry = reader.Next()) {
    if (contents->format_.empty()) {
      const char* format = archive_format_name(reader.Handle());
      contents->format_ = format != nullptr ? format : "archive";
      const int code = archive_format(reader.Handle()) & ARCHIVE_FORMAT_BASE_MASK;
      contents->may_be_solid_ = code == ARCHIVE_FORMAT_7ZIP || code == ARCHIVE_FORMAT_RAR ||
                                code == ARCHIVE_FORMAT_RAR_V5;
    }
    if (index == kMaxEntries) {
      listing.refusal = Refusal::TooManyEntries;
      return listing;
    }
    const size_t at = index++;
    std::optional<std::string> name =
        ReadableName(entry, (archive_format(reader.Handle()) & ARCHIVE_FORMAT_BASE_MASK) ==
                                ARCHIVE_FORMAT_RAR);
    if (!name) {
      const char* stored = archive_entry_pathname(entry);
      contents->unsafe_.push_back(stored != nullptr ? DecodeCp932(stored) : "");
      continue;
    }
    ArchiveEntry listed;
    listed.name = std::move(*name);
    listed.kind = KindOf(entry);
    if (archive_entry_size_is_set(entry) && archive_entry_size(entry) >= 0) {
      listed.size = static_cast<uint64_t>(archive_entry_size(entry));
    }
    listed.encrypted = archive_entry_is_encrypted(entry) != 0;
    listed.index = at;
    const size_t position = contents->entries_.size();
    const auto [first, added] = contents->folded_.try_emplace(FoldAsciiCase(listed.name), position);
    if (!added && listed.kind != ArchiveEntry::Kind::Folder &&
        duplicated.insert(first->second).second) {
      contents->duplicates_.push_back(contents->entries_[first->second].name);
    }
    contents->entries_.push_back(std::move(listed));
  }
  if (reader.Failed()) {
    // The archive was recognised when it opened: what fails after that is damage.
    listing.refusal = IsEncryptedListing(reader, true) ? Refusal::Encrypted : Refusal::Damaged;
    listing.error = reader.Error();
    return listing;
  }
  listing.contents = std::move(contents);
  return listing;
}

const ArchiveEntry* ArchiveContents::Find(std::string_view name) const {
  const std::string wanted = CleanName(name);
  const auto folded = folded_.find(FoldAsciiCase(wanted));
  return folded != folded_.end() ? &entries_[folded->second] : nullptr;
}

void ArchiveContents::Preload(std::string_view folder) {
  const uint64_t budget = may_be_solid_ ? kMaxPreloadBytes : kMaxPreloadBytesNotSolid;
  std::unordered_map<size_t, const ArchiveEntry*> wanted;
  size_t last = 0;  // the last entry wanted: the pass stops there
  for (const ArchiveEntry& entry : entries_) {
    if (entry.kind == ArchiveEntry::Kind::File && !entry.encrypted &&
        IsUnder(entry.name, folder) && entry.size &&
        *entry.size <= std::min(kMaxPreloadFileBytes, budget)) {
      wanted.emplace(entry.index, &entry);
      last = std::max(last, entry.index);
    }
  }
  if (wanted.empty()) return;
  ArchiveReader reader;
  if (!reader.Open(path_, identity_, start_)) return;
  const Utf8Names utf8;
  uint64_t total = 0;
  for (size_t index = 0; index <= last; ++index) {
    if (reader.Next() == nullptr) return;
    const auto found = wanted.find(index);
    if (found == wanted.end() || total + *found->second->size > budget) continue;
    auto bytes = std::make_shared<std::string>();
    bytes->resize(static_cast<size_t>(*found->second->size));
    // One byte more than declared is asked for: a member that holds more is not kept.
    size_t got = 0;
    char spare = 0;
    bool whole = true;
    for (;;) {
      char* into = got < bytes->size() ? bytes->data() + got : &spare;
      const size_t room = got < bytes->size() ? bytes->size() - got : 1;
      const la_ssize_t n = archive_read_data(reader.Handle(), into, room);
      if (n < 0 || (n > 0 && got >= bytes->size())) {
        whole = false;
        break;
      }
      if (n == 0) break;
      got += static_cast<size_t>(n);
    }
    if (!whole || got != bytes->size()) continue;
    total += bytes->size();
    preloaded_.emplace(index, std::move(bytes));
  }
}

std::unique_ptr<ByteSource> ArchiveContents::OpenMember(const ArchiveEntry& entry) const {
  if (entry.kind != ArchiveEntry::Kind::File || entry.encrypted) return nullptr;
  if (const auto kept = preloaded_.find(entry.index); kept != preloaded_.end()) {
    // Read only while the archive is the one it came from, as a member read from it is.
    if (IdentityOf(path_) != identity_) return nullptr;
    return std::make_unique<MemorySource>(kept->second);
  }
  auto member = std::make_unique<MemberSource>(path_, identity_, start_, entry.index);
  if (!member->Start()) return nullptr;
  return member;
}

}  // namespace tavrin

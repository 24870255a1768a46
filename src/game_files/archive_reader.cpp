// SPDX-License-Identifier: MIT
#include "game_files/archive_reader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "game_files/regular_file.h"

namespace tavrin {
namespace {

locale_t Utf8Locale() {
  static const locale_t utf8 = [] {
    locale_t made = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (made == static_cast<locale_t>(nullptr)) {
      made = ::newlocale(LC_CTYPE_MASK, "en_US.UTF-8", static_cast<locale_t>(nullptr));
    }
    return made;
  }();
  return utf8;
}

}  // namespace

Utf8Names::Utf8Names() {
  if (const locale_t utf8 = Utf8Locale(); utf8 != static_cast<locale_t>(nullptr)) {
    previous_ = ::uselocale(utf8);
  }
}

Utf8Names::~Utf8Names() {
  if (previous_ != nullptr) ::uselocale(previous_);
}

ArchiveReader::~ArchiveReader() {
  if (archive_ != nullptr) archive_read_free(archive_);
  if (fd_ >= 0) ::close(fd_);
}

bool ArchiveReader::Open(const std::filesystem::path& path,
                         const std::optional<FileIdentity>& identity, uint64_t start) {
  const Utf8Names utf8;
  fd_ = OpenRegularFile(path);
  struct stat status {};
  if (fd_ < 0 || ::fstat(fd_, &status) != 0) {
    error_ = "it is not a file that can be read";
    failed_ = true;
    return false;
  }
  identity_ = IdentityFrom(status);
  start_ = static_cast<off_t>(start);
  if (start_ < 0 || ::lseek(fd_, start_, SEEK_SET) != start_) {
    error_ = "it is shorter than its parts say";
    failed_ = true;
    return false;
  }
  if (identity && *identity != identity_) {
    error_ = "it changed since it was opened";
    failed_ = true;
    return false;
  }
  archive_ = archive_read_new();
  archive_read_support_format_zip_seekable(archive_);
  archive_read_support_format_lha(archive_);
  archive_read_support_format_7zip(archive_);
  archive_read_support_format_rar(archive_);
  archive_read_support_format_rar5(archive_);
  // LZH names are Windows' code page 932. Zip and RAR names not marked as Unicode are read
  // as they are stored and decoded by the caller: a zip made on Linux may hold UTF-8 names
  // without the mark, and libarchive would convert a RAR name after turning each "\\" into
  // "/", trail bytes of code page 932 characters included.
  archive_read_set_format_option(archive_, "lha", "hdrcharset", "CP932");
  archive_read_set_read_callback(archive_, ReadBlock);
  archive_read_set_skip_callback(archive_, Skip);
  archive_read_set_seek_callback(archive_, SeekTo);
  archive_read_set_callback_data(archive_, this);
  if (archive_read_open1(archive_) != ARCHIVE_OK) {
    failed_ = true;
    return false;
  }
  return true;
}

archive_entry* ArchiveReader::Next() {
  if (failed_ || archive_ == nullptr) return nullptr;
  const Utf8Names utf8;
  archive_entry* entry = nullptr;
  for (;;) {
    const int result = archive_read_next_header(archive_, &entry);
    if (result == ARCHIVE_OK || result == ARCHIVE_WARN) return entry;
    if (result == ARCHIVE_RETRY) continue;
    if (result != ARCHIVE_EOF) failed_ = true;
    return nullptr;
  }
}

std::string ArchiveReader::Error() const {
  if (!error_.empty()) return error_;
  const char* said = archive_ != nullptr ? archive_error_string(archive_) : nullptr;
  return said != nullptr ? said : "it cannot be read";
}

la_ssize_t ArchiveReader::ReadBlock(archive*, void* opaque, const void** block) {
  auto* self = static_cast<ArchiveReader*>(opaque);
  *block = self->block_;
  const size_t size = self->next_read_;
  self->next_read_ = std::min(sizeof self->block_, self->next_read_ * 2);
  for (;;) {
    const ssize_t got = ::read(self->fd_, self->block_, size);
    if (got < 0 && errno == EINTR) continue;
    return got;
  }
}

la_int64_t ArchiveReader::Skip(archive*, void* opaque, la_int64_t request) {
  auto* self = static_cast<ArchiveReader*>(opaque);
  const off_t at = ::lseek(self->fd_, 0, SEEK_CUR);
  if (at < 0 || ::lseek(self->fd_, request, SEEK_CUR) < 0) return 0;  // read through instead
  self->next_read_ = kFirstRead;
  return request;
}

la_int64_t ArchiveReader::SeekTo(archive*, void* opaque, la_int64_t offset, int whence) {
  auto* self = static_cast<ArchiveReader*>(opaque);
  self->next_read_ = kFirstRead;
  const off_t at = ::lseek(self->fd_, whence == SEEK_SET ? offset + self->start_ : offset, whence);
  return at < self->start_ ? ARCHIVE_FATAL : at - self->start_;
}

}  // namespace tavrin

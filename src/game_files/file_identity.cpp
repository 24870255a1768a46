// SPDX-License-Identifier: MIT
#include "game_files/file_identity.h"

#include <time.h>

namespace tavrin {
namespace {

int64_t Nanoseconds(const timespec& time) {
  return int64_t{time.tv_sec} * 1'000'000'000 + time.tv_nsec;
}

}  // namespace

FileIdentity IdentityFrom(const struct stat& status) {
  return {static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino),
          static_cast<int64_t>(status.st_size), Nanoseconds(status.st_mtim),
          Nanoseconds(status.st_ctim)};
}

std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  return IdentityFrom(status);
}

std::optional<FileIdentity> SettledIdentity(const FileIdentity& identity) {
  // File systems keep modification times to a few milliseconds, some to two seconds.
  constexpr int64_t kCoarsestTimeStep = 2'000'000'000;
  timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  if (Nanoseconds(now) - identity.modified_ns < kCoarsestTimeStep) return std::nullopt;
  return identity;
}

}  // namespace tavrin

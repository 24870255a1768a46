// SPDX-License-Identifier: MIT
// What the fuzz targets share: a check that stops the process (libFuzzer then keeps the
// input as a crash), and a temporary folder of the process's own.
#pragma once

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <system_error>

namespace tavrin::fuzz {

/// Stops the process with `what` on standard error when `condition` is false.
#define TAVRIN_FUZZ_CHECK(condition, what)                                              \
  do {                                                                                 \
    if (!(condition)) {                                                                \
      std::fprintf(stderr, "%s:%d: invariant failed: %s\n  %s\n", __FILE__, __LINE__, \
                   #condition, std::string(what).c_str());                             \
      std::abort();                                                                    \
    }                                                                                  \
  } while (false)

/// A folder under the system's temporary folder, named after the target and this
/// process (libFuzzer's -jobs and -fork run several processes at once), removed at exit.
/// A process that crashed, or that libFuzzer ended at once, leaves its folder behind; the
/// folders of this target whose process is gone are removed here.
inline const std::filesystem::path& ProcessTempDir(const std::string& target) {
  static const std::filesystem::path dir = [&] {
    const std::filesystem::path temp = std::filesystem::temp_directory_path();
    const std::string prefix = "tavrin-" + target + "-";
    std::error_code ignored;
    for (std::filesystem::directory_iterator it(temp, ignored), end; !ignored && it != end;
         it.increment(ignored)) {
      const std::string name = it->path().filename().string();
      if (!name.starts_with(prefix) || name.size() == prefix.size() ||
          name.find_first_not_of("0123456789", prefix.size()) != std::string::npos) {
        continue;
      }
      const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
      if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == -1 && errno == ESRCH) {
        std::error_code error;
        std::filesystem::remove_all(it->path(), error);
      }
    }
    std::filesystem::path path = temp / (prefix + std::to_string(::getpid()));
    std::filesystem::remove_all(path, ignored);
    std::filesystem::create_directories(path);
    std::atexit([] {
      std::error_code error;
      std::filesystem::remove_all(ProcessTempDir(""), error);
    });
    return path;
  }();
  return dir;
}

/// Writes `bytes` to `file`, replacing what it held.
inline void WriteFile(const std::filesystem::path& file, std::span<const uint8_t> bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  TAVRIN_FUZZ_CHECK(out.good(), "cannot write " + file.string());
}

/// A printable rendering of `text` for a failure message: bytes outside ASCII as \xNN.
inline std::string Escaped(std::string_view text) {
  std::string out;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out.push_back(static_cast<char>(c));
    } else {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
      out += buffer;
    }
  }
  return out;
}

}  // namespace tavrin::fuzz

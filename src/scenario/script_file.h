// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "game_files/game_file.h"

namespace tavrin {

/// Where a reader stands in its file: the byte offset of the next line, and how many lines
/// come before it.
struct ScriptPosition {
  uint64_t offset = 0;
  uint64_t line_number = 0;
  bool operator==(const ScriptPosition&) const = default;
};

/// A scenario file read strictly forward, one line at a time, through a small fixed buffer:
/// memory does not grow with the file. A line ends at CR LF, at a lone CR or at a lone LF;
/// the last line needs no line end. Each line comes back converted from code page 932 to
/// UTF-8, without its line end.
///
/// Only a regular file opens (a named pipe or a device counts as missing), on disk or in the
/// archive the game is in. A line longer
/// than `kMaxLineBytes`, or a file that stops being readable, ends the reading: no further
/// line comes, and `Failure` says why.
class ScriptFile {
 public:
  ScriptFile() = default;
  ~ScriptFile();
  ScriptFile(const ScriptFile&) = delete;
  ScriptFile& operator=(const ScriptFile&) = delete;

  /// Opens `file` of the game for reading, closing whatever was open. False when it cannot
  /// be opened.
  bool Open(const GameFile& file);
  /// Opens the file at `path` on disk.
  bool Open(const std::filesystem::path& path);
  /// Closing when nothing is open is harmless.
  void Close();
  bool IsOpen() const { return file_ != nullptr; }

  /// True when no further line can be read (also when nothing is open).
  bool AtEnd();
  /// The next line, or nothing when the file has no further line or cannot be read on.
  std::optional<std::string> ReadLine();
  /// Reads the next line as `ReadLine` does but leaves its bytes undecoded, in `RawLine`;
  /// false when the file has no further line or cannot be read on.
  bool ReadRawLine();

  /// Why reading stopped before the end of the file, as a sentence's end ("line 3 is
  /// longer than 16 MiB"); empty while the file reads well.
  const std::string& Failure() const { return failure_; }

  /// The longest line taken, in bytes as stored: far beyond any scenario, and still a line
  /// that a reader can page through.
  static constexpr size_t kMaxLineBytes = size_t{16} << 20;

  /// The number of the line read last (1 for the first line of the file).
  uint64_t LineNumber() const { return line_number_; }
  /// The bytes of the line read last, as stored, without its line end.
  std::string_view RawLine() const { return raw_line_; }

  /// Where the next line starts. Reading on from a position given back to `Seek` reads the
  /// same lines again: a front end that explores the script returns to where it stood.
  ScriptPosition Position() const { return {buffer_offset_ + pos_, line_number_}; }
  /// Returns to `position` (from `Position` on this file). False when nothing is open or
  /// the file cannot be positioned there.
  bool Seek(ScriptPosition position);

 private:
  bool Fill();

  std::FILE* file_ = nullptr;
  std::vector<char> buffer_;
  uint64_t buffer_offset_ = 0;  // where in the file `buffer_` starts
  size_t pos_ = 0;
  size_t end_ = 0;
  bool eof_ = false;
  std::string raw_line_;
  uint64_t line_number_ = 0;  // of the last line read
  std::string failure_;
};

}  // namespace tavrin

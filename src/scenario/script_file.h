#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tavrin {

/// A scenario file read strictly forward, one line at a time, through a small fixed buffer:
/// memory does not grow with the file. A line ends at CR LF, at a lone CR or at a lone LF;
/// the last line needs no line end. Each line comes back converted from code page 932 to
/// UTF-8, without its line end.
class ScriptFile {
 public:
  ScriptFile() = default;
  ~ScriptFile();
  ScriptFile(const ScriptFile&) = delete;
  ScriptFile& operator=(const ScriptFile&) = delete;

  /// Opens `path` for reading, closing whatever was open. False when it cannot be opened.
  bool Open(const std::filesystem::path& path);
  /// Closing when nothing is open is harmless.
  void Close();
  bool IsOpen() const { return file_ != nullptr; }

  /// True when no further line can be read (also when nothing is open).
  bool AtEnd();
  /// The next line, or nothing when the file has no further line.
  std::optional<std::string> ReadLine();

 private:
  bool Fill();

  std::FILE* file_ = nullptr;
  std::vector<char> buffer_;
  size_t pos_ = 0;
  size_t end_ = 0;
  bool eof_ = false;
  std::string raw_line_;
};

}  // namespace tavrin

// SPDX-License-Identifier: MIT
#include "scenario/script_file.h"

#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

#include "game_files/cp932.h"

namespace tavrin {
namespace {
constexpr size_t kBufferSize = 64 * 1024;
}

ScriptFile::~ScriptFile() { Close(); }

bool ScriptFile::Open(const GameFile& file) {
  Close();
  file_ = file.Open();
  if (file_ == nullptr) return false;
  buffer_.resize(kBufferSize);
  return true;
}

bool ScriptFile::Open(const std::filesystem::path& path) {
  return Open(GameFile::OnDisk(path, path.filename().string()));
}

void ScriptFile::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  buffer_.clear();
  buffer_.shrink_to_fit();
  raw_line_.clear();
  raw_line_.shrink_to_fit();
  buffer_offset_ = 0;
  pos_ = end_ = 0;
  eof_ = false;
  line_number_ = 0;
  failure_.clear();
}

bool ScriptFile::Seek(ScriptPosition position) {
  if (file_ == nullptr) return false;
  line_number_ = position.line_number;
  // Within the bytes already read no system call is needed: going back and forth between
  // nearby places costs nothing. After a failure the buffer holds nothing to go back to.
  if (failure_.empty() && position.offset >= buffer_offset_ &&
      position.offset <= buffer_offset_ + end_) {
    pos_ = static_cast<size_t>(position.offset - buffer_offset_);
    return true;
  }
  if (position.offset > static_cast<uint64_t>(std::numeric_limits<off_t>::max()) ||
      fseeko(file_, static_cast<off_t>(position.offset), SEEK_SET) != 0) {
    return false;
  }
  buffer_offset_ = position.offset;
  pos_ = end_ = 0;
  eof_ = false;
  failure_.clear();  // reading resumes before the place that failed, and may meet it again
  return true;
}

bool ScriptFile::Fill() {
  if (eof_ || file_ == nullptr) return false;
  buffer_offset_ += end_;
  end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
  pos_ = 0;
  if (end_ == 0) {
    eof_ = true;
    if (std::ferror(file_)) {
      failure_ = "cannot be read after line " + std::to_string(line_number_) + " (" +
                 std::strerror(errno) + ")";
    }
  }
  return end_ > 0;
}

bool ScriptFile::AtEnd() {
  if (file_ == nullptr) return true;
  return pos_ == end_ && !Fill();
}

std::optional<std::string> ScriptFile::ReadLine() {
  if (!ReadRawLine()) return std::nullopt;
  return DecodeCp932(raw_line_);
}

bool ScriptFile::ReadRawLine() {
  if (AtEnd()) return false;
  raw_line_.clear();
  for (;;) {
    if (pos_ == end_ && !Fill()) break;  // the last line needs no line end
    const char* data = buffer_.data();
    size_t i = pos_;
    while (i < end_ && data[i] != '\r' && data[i] != '\n') ++i;
    if (i - pos_ > kMaxLineBytes - raw_line_.size()) {
      // Nothing of the line is kept, and nothing after it is read.
      failure_ = "line " + std::to_string(line_number_ + 1) + " is longer than " +
                 std::to_string(kMaxLineBytes >> 20) + " MiB";
      eof_ = true;
      pos_ = end_ = 0;
      raw_line_.clear();
      raw_line_.shrink_to_fit();
      return false;
    }
    raw_line_.append(data + pos_, i - pos_);
    if (i == end_) {
      pos_ = end_;
      continue;
    }
    const char ending = data[i];
    pos_ = i + 1;
    // CR LF is one line end, even when the buffer splits it.
    if (ending == '\r' && (pos_ < end_ || Fill()) && buffer_[pos_] == '\n') ++pos_;
    break;
  }
  if (!failure_.empty()) return false;  // the last piece of the line did not come
  ++line_number_;
  return true;
}

}  // namespace tavrin

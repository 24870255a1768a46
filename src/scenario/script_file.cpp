#include "scenario/script_file.h"

#include "scenario/cp932.h"

namespace tavrin {
namespace {
constexpr size_t kBufferSize = 64 * 1024;
}

ScriptFile::~ScriptFile() { Close(); }

bool ScriptFile::Open(const std::filesystem::path& path) {
  Close();
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return false;
  file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) return false;
  buffer_.resize(kBufferSize);
  pos_ = end_ = 0;
  eof_ = false;
  return true;
}

void ScriptFile::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  buffer_.clear();
  buffer_.shrink_to_fit();
  raw_line_.clear();
  raw_line_.shrink_to_fit();
  pos_ = end_ = 0;
  eof_ = false;
}

bool ScriptFile::Fill() {
  if (eof_ || file_ == nullptr) return false;
  end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
  pos_ = 0;
  if (end_ == 0) eof_ = true;
  return end_ > 0;
}

bool ScriptFile::AtEnd() {
  if (file_ == nullptr) return true;
  return pos_ == end_ && !Fill();
}

std::optional<std::string> ScriptFile::ReadLine() {
  if (AtEnd()) return std::nullopt;
  raw_line_.clear();
  for (;;) {
    if (pos_ == end_ && !Fill()) break;  // the last line needs no line end
    const char* data = buffer_.data();
    size_t i = pos_;
    while (i < end_ && data[i] != '\r' && data[i] != '\n') ++i;
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
  return DecodeCp932(raw_line_);
}

}  // namespace tavrin

// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "support/encode_cp932.h"
#include "support/file_bytes.h"

namespace tavrin::test_support {

/// The case folders in `cases`, by name in order, but for the folder `shared` (one the cases
/// share, if any): each folder is one case of a runner that plays the game it holds.
inline std::vector<std::string> CaseNames(const std::filesystem::path& cases,
                                          const std::string& shared = "") {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(cases)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_directory() && name != shared) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

/// The text of a one-line file of a case (a status, arguments), without its line end.
inline std::string CaseFileText(const std::filesystem::path& file) {
  std::string text = ReadFileBytes(file);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

/// Fills `game` with the game of the case in `source`: dat.txt, the scenario in UTF-8, is
/// saved as dat.dat in code page 932 with CR LF line ends, as a Windows editor would, and
/// every other file (pictures, bgm.mid) is copied as it is, except the case's own files
/// named in `case_files`. A case without dat.txt has no scenario.
inline void MakeCaseGame(const std::filesystem::path& source, const std::filesystem::path& game,
                         const std::set<std::string>& case_files) {
  std::filesystem::create_directories(game);
  for (const auto& entry : std::filesystem::directory_iterator(source)) {
    if (case_files.contains(entry.path().filename().string())) continue;
    std::filesystem::copy(entry.path(), game / entry.path().filename(),
                          std::filesystem::copy_options::recursive);
  }
  if (!std::filesystem::exists(source / "dat.txt")) return;
  std::string windows;
  for (const char c : ReadFileBytes(source / "dat.txt")) {
    windows += c == '\n' ? std::string("\r\n") : std::string(1, c);
  }
  const std::optional<std::string> bytes = EncodeCp932(windows);
  EXPECT_TRUE(bytes.has_value()) << "dat.txt holds a character code page 932 lacks";
  std::ofstream(game / "dat.dat", std::ios::binary) << bytes.value_or("");
}

}  // namespace tavrin::test_support

// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "game_files/cp932_encoder.h"
#include "game_files/game_folder.h"

namespace tavrin::lsp {

/// A scenario as the editor holds it, as saving it would leave it: the text in code page
/// 932, read back line by line with the player's own reader. Its game is the folder the
/// document is in, with this scenario as its dat.dat: pictures and music are found beside
/// the document, as the player would find them there.
class EditedScenario {
 public:
  /// `folder` is the document's folder; none for a document saved nowhere, whose game has
  /// no other file.
  EditedScenario(std::string_view text, const std::optional<std::filesystem::path>& folder);

  /// The bytes saving would write, and the characters it would lose.
  const Cp932Text& Saved() const { return saved_; }
  /// The lines as the player reads them: line n of the file at [n - 1]. Read when first
  /// asked for: a check needs only the bytes.
  const std::vector<std::string>& Lines() const;
  /// Line `number` (from 1) as the player reads it; empty past the last.
  const std::string& Line(uint64_t number) const;
  const std::shared_ptr<GameFolder>& Game() const { return game_; }

 private:
  Cp932Text saved_;
  std::shared_ptr<const std::string> bytes_;
  mutable std::optional<std::vector<std::string>> lines_;
  std::shared_ptr<GameFolder> game_;
};

}  // namespace tavrin::lsp

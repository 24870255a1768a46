// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tavrin::lsp {

/// The questions, labels, endings and restarts of a scenario, found in its lines by the
/// player's own rules: the line kinds, the two caption lines after a question, and the
/// label that a choice or an ending jump reads forward to, the first later line equal to
/// it. Lines are numbered from 1; 0 stands for none.
class ScriptOutline {
 public:
  struct Question {
    uint64_t line = 0;
    uint64_t captions[2] = {0, 0};
    uint64_t labels[2] = {0, 0};  // the label each choice reads to
    uint64_t branch_end = 0;      // the "●" that the later label skips to
  };
  struct EndingJump {
    uint64_t line = 0;
    uint64_t good = 0;  // "＞グッド"
    uint64_t bad = 0;   // "＞バッド"
    uint64_t branch_end = 0;
  };
  struct Caption {
    const Question* question;
    int index;
  };

  /// `lines` as the player reads them (line n at [n - 1]); they must outlive the outline.
  explicit ScriptOutline(const std::vector<std::string>& lines);

  const std::vector<Question>& Questions() const { return questions_; }
  const std::vector<EndingJump>& EndingJumps() const { return ending_jumps_; }
  /// The label lines that are no caption, the endings' included.
  const std::vector<uint64_t>& Labels() const { return labels_; }
  const std::vector<uint64_t>& Restarts() const { return restarts_; }

  /// The question whose caption line `line` is.
  std::optional<Caption> CaptionAt(uint64_t line) const;
  const EndingJump* EndingJumpAt(uint64_t line) const;
  bool IsLabel(uint64_t line) const;
  /// The caption lines whose choices read to line `line`, and the ending jumps that do.
  std::vector<uint64_t> ReferencesTo(uint64_t line) const;

 private:
  // The first line after `after` that is exactly `text`.
  uint64_t FirstAfter(std::string_view text, uint64_t after) const;
  // The first line "●" after `after`.
  uint64_t BranchEndAfter(uint64_t after) const;

  const std::vector<std::string>& lines_;
  std::unordered_map<std::string_view, std::vector<uint64_t>> by_text_;
  std::vector<Question> questions_;
  std::vector<EndingJump> ending_jumps_;
  std::vector<uint64_t> labels_;
  std::vector<uint64_t> restarts_;
  std::unordered_map<uint64_t, Caption> captions_;  // by caption line
};

}  // namespace tavrin::lsp

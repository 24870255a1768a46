// SPDX-License-Identifier: MIT
#include "app/lsp/script_outline.h"

#include <algorithm>

#include "scenario/line_kind.h"

namespace tavrin::lsp {

ScriptOutline::ScriptOutline(const std::vector<std::string>& lines) : lines_(lines) {
  for (uint64_t number = 1; number <= lines.size(); ++number) {
    by_text_[lines[number - 1]].push_back(number);
  }
  for (uint64_t number = 1; number <= lines.size(); ++number) {
    switch (KindOfLine(lines[number - 1])) {
      case LineKind::Question: {
        Question question;
        question.line = number;
        for (int i = 0; i < 2 && number + 1 + i <= lines.size(); ++i) {
          question.captions[i] = number + 1 + i;
          question.labels[i] = FirstAfter(lines[number + i], number + 2);
        }
        const uint64_t last_label = std::max(question.labels[0], question.labels[1]);
        if (last_label != 0) question.branch_end = BranchEndAfter(last_label);
        questions_.push_back(question);
        number += 2;  // the captions are no lines of their own kind
        break;
      }
      case LineKind::Label:
        labels_.push_back(number);
        break;
      case LineKind::EndingJump: {
        EndingJump jump;
        jump.line = number;
        jump.good = FirstAfter(kGoodEnding, number);
        jump.bad = FirstAfter(kBadEnding, number);
        const uint64_t last_label = std::max(jump.good, jump.bad);
        if (last_label != 0) jump.branch_end = BranchEndAfter(last_label);
        ending_jumps_.push_back(jump);
        break;
      }
      case LineKind::Restart:
        restarts_.push_back(number);
        break;
      default:
        break;
    }
  }
  for (const Question& question : questions_) {
    for (int i = 0; i < 2; ++i) {
      if (question.captions[i] != 0) captions_[question.captions[i]] = {&question, i};
    }
  }
}

uint64_t ScriptOutline::FirstAfter(std::string_view text, uint64_t after) const {
  const auto found = by_text_.find(text);
  if (found == by_text_.end()) return 0;
  const std::vector<uint64_t>& at = found->second;
  const auto next = std::upper_bound(at.begin(), at.end(), after);
  return next == at.end() ? 0 : *next;
}

uint64_t ScriptOutline::BranchEndAfter(uint64_t after) const {
  return FirstAfter(kBlockEndLine, after);
}

std::optional<ScriptOutline::Caption> ScriptOutline::CaptionAt(uint64_t line) const {
  const auto found = captions_.find(line);
  if (found == captions_.end()) return std::nullopt;
  return found->second;
}

const ScriptOutline::EndingJump* ScriptOutline::EndingJumpAt(uint64_t line) const {
  const auto found =
      std::lower_bound(ending_jumps_.begin(), ending_jumps_.end(), line,
                       [](const EndingJump& jump, uint64_t number) { return jump.line < number; });
  return found != ending_jumps_.end() && found->line == line ? &*found : nullptr;
}

bool ScriptOutline::IsLabel(uint64_t line) const {
  return std::binary_search(labels_.begin(), labels_.end(), line);
}

std::vector<uint64_t> ScriptOutline::ReferencesTo(uint64_t line) const {
  std::vector<uint64_t> references;
  if (line == 0 || line > lines_.size()) return references;
  const auto same = by_text_.find(lines_[line - 1]);
  for (uint64_t other : same->second) {
    const std::optional<Caption> caption = CaptionAt(other);
    if (caption && caption->question->labels[caption->index] == line) references.push_back(other);
  }
  for (const EndingJump& jump : ending_jumps_) {
    if (jump.good == line || jump.bad == line) references.push_back(jump.line);
  }
  std::sort(references.begin(), references.end());
  return references;
}

}  // namespace tavrin::lsp

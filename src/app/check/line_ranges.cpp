// SPDX-License-Identifier: MIT
#include "app/check/line_ranges.h"

namespace tavrin {

void LineRanges::Add(uint64_t line) {
  if (last_ != ranges_.end() && line >= last_->first && line <= last_->second + 1) {
    if (line <= last_->second) return;
    last_->second = line;
  } else {
    // The first range that starts after `line`, and the one before it.
    auto next = ranges_.upper_bound(line);
    if (next != ranges_.begin()) {
      auto before = std::prev(next);
      if (line <= before->second) {
        last_ = before;
        return;
      }
      if (line == before->second + 1) {
        before->second = line;
        last_ = before;
      } else {
        last_ = ranges_.emplace_hint(next, line, line);
      }
    } else {
      last_ = ranges_.emplace_hint(next, line, line);
    }
  }
  // A range that now touches the next one takes it in.
  auto next = std::next(last_);
  if (next != ranges_.end() && next->first == last_->second + 1) {
    last_->second = next->second;
    ranges_.erase(next);
  }
}

std::vector<std::pair<uint64_t, uint64_t>> LineRanges::Ranges() const {
  return {ranges_.begin(), ranges_.end()};
}

}  // namespace tavrin

// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace tavrin {

/// A set of line numbers kept as ranges of consecutive lines, so that its size follows the
/// number of gaps rather than the number of lines: the lines some path of the scenario used.
class LineRanges {
 public:
  void Add(uint64_t line);
  /// The ranges, first to last, each as its first and last line.
  std::vector<std::pair<uint64_t, uint64_t>> Ranges() const;

 private:
  std::map<uint64_t, uint64_t> ranges_;  // first line -> last line
  // The range that took the last line: the next one usually follows it.
  std::map<uint64_t, uint64_t>::iterator last_ = ranges_.end();
};

}  // namespace tavrin

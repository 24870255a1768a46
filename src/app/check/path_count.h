// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavrin {

/// A number of paths through a scenario, exact however large: 40 questions in a row make
/// 2^40 paths, and nothing bounds the number of questions. Paths double at every question,
/// so the number is held as its significant part times a power of 2^32: adding two equal
/// numbers costs as little however long they are.
class PathCount {
 public:
  PathCount() = default;
  explicit PathCount(uint64_t value);

  PathCount& operator+=(const PathCount& other);
  bool operator==(const PathCount& other) const = default;

  bool IsZero() const { return limbs_.empty(); }
  /// In decimal digits.
  std::string ToString() const;

 private:
  void Normalize();

  // Base 2^32, least significant first; the lowest and the highest are not zero. None for 0.
  std::vector<uint32_t> limbs_;
  // How many limbs of zero come below `limbs_`.
  uint64_t zero_limbs_ = 0;
};

}  // namespace tavrin

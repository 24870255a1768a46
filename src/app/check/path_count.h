#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavrin {

/// A number of paths through a scenario, exact however large: 40 questions in a row make
/// 2^40 paths, and nothing bounds the number of questions.
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
  // Base 10^9, least significant first, none for zero.
  std::vector<uint32_t> limbs_;
};

}  // namespace tavrin

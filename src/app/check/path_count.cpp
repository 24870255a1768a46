// SPDX-License-Identifier: MIT
#include "app/check/path_count.h"

#include <algorithm>

namespace tavrin {

PathCount::PathCount(uint64_t value) {
  limbs_ = {static_cast<uint32_t>(value), static_cast<uint32_t>(value >> 32)};
  Normalize();
}

void PathCount::Normalize() {
  while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
  const auto first = std::find_if(limbs_.begin(), limbs_.end(), [](uint32_t l) { return l != 0; });
  zero_limbs_ += static_cast<uint64_t>(first - limbs_.begin());
  limbs_.erase(limbs_.begin(), first);
  if (limbs_.empty()) zero_limbs_ = 0;
}

PathCount& PathCount::operator+=(const PathCount& other) {
  if (other.IsZero()) return *this;
  if (IsZero()) return *this = other;
  // Both lined up on the lower of their powers of 2^32.
  if (other.zero_limbs_ < zero_limbs_) {
    limbs_.insert(limbs_.begin(), static_cast<size_t>(zero_limbs_ - other.zero_limbs_), 0);
    zero_limbs_ = other.zero_limbs_;
  }
  const size_t offset = static_cast<size_t>(other.zero_limbs_ - zero_limbs_);
  limbs_.resize(std::max(limbs_.size(), offset + other.limbs_.size()) + 1, 0);
  uint64_t carry = 0;
  for (size_t i = offset; i < limbs_.size() && (carry != 0 || i < offset + other.limbs_.size());
       ++i) {
    const uint64_t add = i - offset < other.limbs_.size() ? other.limbs_[i - offset] : 0;
    const uint64_t sum = limbs_[i] + add + carry;
    limbs_[i] = static_cast<uint32_t>(sum);
    carry = sum >> 32;
  }
  Normalize();
  return *this;
}

std::string PathCount::ToString() const {
  if (IsZero()) return "0";
  // The whole number in base 2^32, divided by 10^9 again and again for its decimal digits.
  std::vector<uint32_t> number(static_cast<size_t>(zero_limbs_), 0);
  number.insert(number.end(), limbs_.begin(), limbs_.end());
  std::vector<uint32_t> groups;  // base 10^9, least significant first
  while (!number.empty()) {
    uint64_t remainder = 0;
    for (size_t i = number.size(); i-- > 0;) {
      const uint64_t value = (remainder << 32) | number[i];
      number[i] = static_cast<uint32_t>(value / 1000000000);
      remainder = value % 1000000000;
    }
    groups.push_back(static_cast<uint32_t>(remainder));
    while (!number.empty() && number.back() == 0) number.pop_back();
  }
  std::string digits = std::to_string(groups.back());
  for (size_t i = groups.size() - 1; i-- > 0;) {
    const std::string group = std::to_string(groups[i]);
    digits.append(9 - group.size(), '0').append(group);
  }
  return digits;
}

}  // namespace tavrin

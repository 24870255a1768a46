#include "app/check/path_count.h"

#include <algorithm>

namespace tavrin {
namespace {
constexpr uint32_t kBase = 1000000000;
}

PathCount::PathCount(uint64_t value) {
  while (value != 0) {
    limbs_.push_back(static_cast<uint32_t>(value % kBase));
    value /= kBase;
  }
}

PathCount& PathCount::operator+=(const PathCount& other) {
  if (limbs_.size() < other.limbs_.size()) limbs_.resize(other.limbs_.size(), 0);
  uint32_t carry = 0;
  for (size_t i = 0; i < limbs_.size(); ++i) {
    const uint32_t add = i < other.limbs_.size() ? other.limbs_[i] : 0;
    if (add == 0 && carry == 0 && i >= other.limbs_.size()) break;
    uint32_t sum = limbs_[i] + add + carry;  // below 3 * 10^9, within 32 bits
    carry = sum >= kBase ? 1 : 0;
    limbs_[i] = sum - carry * kBase;
  }
  if (carry != 0) limbs_.push_back(carry);
  return *this;
}

std::string PathCount::ToString() const {
  if (limbs_.empty()) return "0";
  std::string digits = std::to_string(limbs_.back());
  for (size_t i = limbs_.size() - 1; i-- > 0;) {
    const std::string limb = std::to_string(limbs_[i]);
    digits.append(9 - limb.size(), '0').append(limb);
  }
  return digits;
}

}  // namespace tavrin

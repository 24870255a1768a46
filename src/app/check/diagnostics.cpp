// SPDX-License-Identifier: MIT
#include "app/check/diagnostics.h"

#include <algorithm>
#include <tuple>

namespace tavrin {

void Trail::Add(const std::string* caption) {
  last_[total_ % kKept] = caption;
  ++total_;
}

std::vector<std::string> Trail::Captions() const {
  std::vector<std::string> captions;
  const uint64_t kept = std::min<uint64_t>(total_, kKept);
  if (total_ > kept) captions.emplace_back("\u2026");
  for (uint64_t i = total_ - kept; i < total_; ++i) captions.push_back(*last_[i % kKept]);
  return captions;
}

void Diagnostics::Add(Diagnostic diagnostic) {
  if (!seen_.emplace(diagnostic.line, diagnostic.file + '\n' + diagnostic.message).second) return;
  found_.push_back(std::move(diagnostic));
}

std::vector<Diagnostic> Diagnostics::Sorted() const {
  std::vector<Diagnostic> sorted = found_;
  std::stable_sort(sorted.begin(), sorted.end(), [](const Diagnostic& a, const Diagnostic& b) {
    return std::make_tuple(a.file != "dat.dat", a.file, a.line, a.column) <
           std::make_tuple(b.file != "dat.dat", b.file, b.line, b.column);
  });
  return sorted;
}

int Diagnostics::Count(Severity severity) const {
  return static_cast<int>(std::count_if(
      found_.begin(), found_.end(), [&](const Diagnostic& d) { return d.severity == severity; }));
}

}  // namespace tavrin

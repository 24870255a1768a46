// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tavrin {

enum class Severity { Error, Warning, Note };

/// The choices a path made, the latest kept: what leads to a finding that depends on them.
class Trail {
 public:
  static constexpr size_t kKept = 8;

  /// `caption` must outlive the trail (the checker keeps every caption it met).
  void Add(const std::string* caption);
  /// The captions, earliest first; "…" first when earlier choices were left out.
  std::vector<std::string> Captions() const;

 private:
  const std::string* last_[kKept] = {};  // a ring: the next one goes to total_ % kKept
  uint64_t total_ = 0;
};

/// One finding, as a compiler writes it: `file:line:column: severity: message`.
struct Diagnostic {
  std::string file = "dat.dat";
  uint64_t line = 0;    // 0: about the file as a whole
  uint64_t column = 0;  // 0: no column
  Severity severity = Severity::Warning;
  std::string message;
  std::vector<std::string> after;  // the choices that lead there, when it depends on them
};

/// The findings of a check, each reported once.
class Diagnostics {
 public:
  /// Adds `diagnostic`, unless the same message was given at the same place already (another
  /// path met it first).
  void Add(Diagnostic diagnostic);

  /// In the order of the file: the scenario first (its whole-file findings, then by line and
  /// column), then the other files; findings at one place in the order they were made.
  std::vector<Diagnostic> Sorted() const;

  int Count(Severity severity) const;

 private:
  std::vector<Diagnostic> found_;
  std::set<std::pair<uint64_t, std::string>> seen_;  // (line, file and message)
};

}  // namespace tavrin

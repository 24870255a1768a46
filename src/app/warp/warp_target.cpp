// SPDX-License-Identifier: MIT
#include "app/warp/warp_target.h"

#include <charconv>

#include "scenario/line_kind.h"

namespace tavrin {

std::optional<int> WarpTarget::Meets(uint64_t number, std::optional<ScriptTrace::Use> use,
                                     const std::string& text) const {
  if (use == ScriptTrace::Use::Dropped) return std::nullopt;
  if (!label.empty()) {
    if (use == ScriptTrace::Use::Label && text == label) return 0;
    return std::nullopt;
  }
  if (number != this->line) return std::nullopt;
  return use == ScriptTrace::Use::Label ? 0 : 1;
}

std::string WarpTarget::Describe() const {
  if (!label.empty()) return "the branch \"" + label + "\"";
  return "line " + std::to_string(line);
}

std::optional<WarpTarget> ParseWarpTarget(std::string_view text, std::string& error) {
  WarpTarget target;
  if (text.starts_with(kLabelMark) && text.size() > kLabelMark.size()) {
    target.label = std::string(text);
    return target;
  }
  const char* end = text.data() + text.size();
  const auto [stop, failure] = std::from_chars(text.data(), end, target.line);
  if (!text.empty() && failure == std::errc() && stop == end && target.line > 0) return target;
  if (failure == std::errc::result_out_of_range) {
    error = "--warp " + std::string(text) + ": no scenario has that many lines.";
  } else {
    error =
        "--warp takes a line of dat.dat, by its number from 1, or a label such as "
        "\"\uFF1E\u68EE\u306E\u9053\" (with the full-width \"\uFF1E\"), not \"" +
        std::string(text) + "\".";
  }
  return std::nullopt;
}

}  // namespace tavrin

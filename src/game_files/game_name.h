#pragma once

#include <string>
#include <string_view>

namespace tavrin {

/// `relative` with "/" between its parts ("/" or "\" before), none of them empty or ".".
std::string CleanName(std::string_view relative);

/// `text` with the ASCII letters in lower case.
std::string FoldAsciiCase(std::string_view text);

}  // namespace tavrin

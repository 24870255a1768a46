// SPDX-License-Identifier: MIT
#include "app/lsp/file_uri.h"

#include <string>

namespace tavrin::lsp {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
    if (c != prefix[i]) return false;
  }
  return true;
}

}  // namespace

std::optional<std::filesystem::path> PathOfFileUri(std::string_view uri) {
  constexpr std::string_view kScheme = "file://";
  if (!StartsWithIgnoringCase(uri, kScheme)) return std::nullopt;
  uri.remove_prefix(kScheme.size());
  const size_t slash = uri.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const std::string_view host = uri.substr(0, slash);
  if (!host.empty() && !StartsWithIgnoringCase(host, "localhost")) return std::nullopt;
  if (host.size() > 0 && host.size() != std::string_view("localhost").size()) return std::nullopt;
  uri.remove_prefix(slash);
  uri = uri.substr(0, uri.find_first_of("?#"));

  std::string path;
  for (size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] != '%') {
      path.push_back(uri[i]);
      continue;
    }
    const int high = i + 2 < uri.size() ? HexDigit(uri[i + 1]) : -1;
    const int low = high >= 0 ? HexDigit(uri[i + 2]) : -1;
    if (low < 0) return std::nullopt;
    const char byte = static_cast<char>(high * 16 + low);
    if (byte == '\0') return std::nullopt;
    path.push_back(byte);
    i += 2;
  }
  return std::filesystem::path(path);
}

}  // namespace tavrin::lsp

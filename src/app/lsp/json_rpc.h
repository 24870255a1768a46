// SPDX-License-Identifier: MIT
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace tavrin::lsp {

/// The protocol's error codes that the server answers with.
enum class ErrorCode : int {
  ParseError = -32700,
  InvalidRequest = -32600,
  MethodNotFound = -32601,
  InvalidParams = -32602,
  InternalError = -32603,
  ServerNotInitialized = -32002,
  RequestCancelled = -32800,
};

inline nlohmann::json Response(const nlohmann::json& id, nlohmann::json result) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}};
}

inline nlohmann::json ErrorResponse(const nlohmann::json& id, ErrorCode code, std::string message) {
  return {{"jsonrpc", "2.0"},
          {"id", id},
          {"error", {{"code", static_cast<int>(code)}, {"message", std::move(message)}}}};
}

inline nlohmann::json Notification(std::string_view method, nlohmann::json params) {
  return {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}

/// The message framed for the wire: its header, then its JSON as UTF-8.
inline std::string Framed(const nlohmann::json& message) {
  const std::string content =
      message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  return "Content-Length: " + std::to_string(content.size()) + "\r\n\r\n" + content;
}

}  // namespace tavrin::lsp

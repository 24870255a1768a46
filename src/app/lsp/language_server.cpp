// SPDX-License-Identifier: MIT
#include "app/lsp/language_server.h"

#include <stdexcept>

#include "app/lsp/completion.h"
#include "app/lsp/hover.h"
#include "app/lsp/json_rpc.h"
#include "app/lsp/navigation.h"
#include "app/lsp/protocol_ranges.h"
#include "app/lsp/published_diagnostics.h"

namespace tavrin::lsp {
namespace {

using nlohmann::json;

// The member at `path` of `object`, through objects only; null when any is missing.
const json* Member(const json& object, std::initializer_list<const char*> path) {
  const json* at = &object;
  for (const char* name : path) {
    if (!at->is_object()) return nullptr;
    const auto found = at->find(name);
    if (found == at->end()) return nullptr;
    at = &*found;
  }
  return at;
}

bool IsTrue(const json& object, std::initializer_list<const char*> path) {
  const json* value = Member(object, path);
  return value != nullptr && value->is_boolean() && value->get<bool>();
}

bool Offers(const json& object, std::initializer_list<const char*> path, const char* encoding) {
  const json* list = Member(object, path);
  if (list == nullptr || !list->is_array()) return false;
  for (const json& offered : *list) {
    if (offered.is_string() && offered.get<std::string>() == encoding) return true;
  }
  return false;
}

// What was wrong with the parameters, in the JSON library's words without its own code.
std::string Unusable(const json::exception& e) {
  const std::string what = e.what();
  const size_t code_end = what.starts_with('[') ? what.find("] ") : std::string::npos;
  return "unusable parameters: " +
         (code_end == std::string::npos ? what : what.substr(code_end + 2));
}

// A request's id as a key: 7 and "7" are different ids.
std::string IdKey(const json& id) { return id.dump(); }

bool IsId(const json& id) { return id.is_number_integer() || id.is_string(); }

json LogMessage(const std::string& text) {
  return Notification("window/logMessage", {{"type", 2}, {"message", "tavrin: " + text}});
}

}  // namespace

LanguageServer::LanguageServer(Send send, CheckScreens& screens)
    : send_(std::move(send)), screens_(screens) {}

void LanguageServer::Receive(std::vector<IncomingMessage> messages) {
  std::set<std::string> cancelled;
  for (const IncomingMessage& message : messages) {
    const json* method = Member(message.json, {"method"});
    const json* id = Member(message.json, {"params", "id"});
    if (method != nullptr && *method == "$/cancelRequest" && id != nullptr) {
      cancelled.insert(IdKey(*id));
    }
  }
  for (const IncomingMessage& message : messages) {
    if (exited_) return;
    Handle(message, cancelled);
  }
}

void LanguageServer::Handle(const IncomingMessage& message,
                            const std::set<std::string>& cancelled) {
  if (message.kind == IncomingMessage::Kind::FramingError) {
    send_(LogMessage("a message was skipped: " + message.error));
    return;
  }
  if (message.kind == IncomingMessage::Kind::ParseError) {
    send_(ErrorResponse(nullptr, ErrorCode::ParseError, message.error));
    return;
  }
  const json& content = message.json;
  const json* id = Member(content, {"id"});
  const json* method = Member(content, {"method"});
  const json* params = Member(content, {"params"});
  const bool valid_id = id != nullptr && IsId(*id);
  if (!content.is_object() || Member(content, {"jsonrpc"}) == nullptr ||
      *Member(content, {"jsonrpc"}) != "2.0" || (id != nullptr && !valid_id)) {
    send_(ErrorResponse(valid_id ? *id : json(nullptr), ErrorCode::InvalidRequest,
                        "not a JSON-RPC 2.0 message"));
    return;
  }
  if (method == nullptr) {
    // A response to the server, which asks the client nothing; a message that is neither.
    if (!valid_id || (!content.contains("result") && !content.contains("error"))) {
      send_(ErrorResponse(valid_id ? *id : json(nullptr), ErrorCode::InvalidRequest,
                          "a message with no method"));
    }
    return;
  }
  if (!method->is_string() || (params != nullptr && !params->is_object() && !params->is_array())) {
    if (valid_id) {
      send_(ErrorResponse(*id, ErrorCode::InvalidRequest,
                          "a method that is no string, or "
                          "parameters that are no object"));
    }
    return;
  }
  const json no_params = json::object();
  const json& given = params != nullptr ? *params : no_params;
  if (!valid_id) {
    HandleNotification(method->get<std::string>(), given);
  } else if (cancelled.contains(IdKey(*id))) {
    send_(ErrorResponse(*id, ErrorCode::RequestCancelled, "cancelled"));
  } else {
    HandleRequest(*id, method->get<std::string>(), given);
  }
}

void LanguageServer::HandleRequest(const json& id, const std::string& method, const json& params) {
  try {
    if (!initialized_ && method != "initialize") {
      send_(ErrorResponse(id, ErrorCode::ServerNotInitialized, "initialize comes first"));
    } else if (shut_down_) {
      send_(ErrorResponse(id, ErrorCode::InvalidRequest, "the server has shut down"));
    } else if (method == "initialize") {
      if (initialized_) {
        send_(ErrorResponse(id, ErrorCode::InvalidRequest, "initialize comes once"));
      } else {
        send_(Response(id, Initialize(params)));
      }
    } else if (method == "shutdown") {
      shut_down_ = true;
      send_(Response(id, nullptr));
    } else if (std::optional<json> result = DocumentRequest(method, params)) {
      send_(Response(id, std::move(*result)));
    } else {
      send_(ErrorResponse(id, ErrorCode::MethodNotFound, method + " is not supported"));
    }
  } catch (const json::exception& e) {
    send_(ErrorResponse(id, ErrorCode::InvalidParams, Unusable(e)));
  } catch (const std::invalid_argument& e) {
    send_(ErrorResponse(id, ErrorCode::InvalidParams, e.what()));
  } catch (const std::exception& e) {
    send_(ErrorResponse(id, ErrorCode::InternalError, e.what()));
  }
}

void LanguageServer::HandleNotification(const std::string& method, const json& params) {
  if (method == "exit") {
    exited_ = true;
    return;
  }
  if (!initialized_ || shut_down_) return;  // dropped, as the protocol asks
  if (method == "textDocument/didOpen" || method == "textDocument/didChange" ||
      method == "textDocument/didSave") {
    ++edits_;
  }
  try {
    if (method == "textDocument/didOpen") {
      Open(params);
    } else if (method == "textDocument/didChange") {
      Change(params);
    } else if (method == "textDocument/didSave") {
      // The pictures and the music beside it may have changed with it.
      if (DocumentState* document = Find(params)) document->Recheck();
    } else if (method == "textDocument/didClose") {
      Close(params);
    }
  } catch (const json::exception& e) {
    send_(LogMessage(method + " was passed over: " + Unusable(e)));
  } catch (const std::exception& e) {
    send_(LogMessage(method + " was passed over: " + e.what()));
  }
}

json LanguageServer::Initialize(const json& params) {
  json result = {{"capabilities",
                  {{"textDocumentSync",
                    {{"openClose", true}, {"change", 2}, {"save", {{"includeText", false}}}}},
                   {"definitionProvider", true},
                   {"referencesProvider", true},
                   {"documentSymbolProvider", true},
                   {"hoverProvider", true},
                   {"completionProvider", {{"triggerCharacters", {" ", "\uFF1E"}}}}}},
                 {"serverInfo", {{"name", "tavrin"}}}};
  if (Offers(params, {"capabilities", "general", "positionEncodings"}, "utf-8")) {
    encoding_ = PositionEncoding::Utf8;
  } else if (Offers(params, {"capabilities", "offsetEncoding"}, "utf-8")) {
    // The encoding's offer as clients made it before 3.17, answered as they read it.
    encoding_ = PositionEncoding::Utf8;
    result["offsetEncoding"] = "utf-8";
  }
  result["capabilities"]["positionEncoding"] =
      encoding_ == PositionEncoding::Utf8 ? "utf-8" : "utf-16";
  related_information_ =
      IsTrue(params, {"capabilities", "textDocument", "publishDiagnostics", "relatedInformation"});
  hierarchical_symbols_ = IsTrue(params, {"capabilities", "textDocument", "documentSymbol",
                                          "hierarchicalDocumentSymbolSupport"});
  initialized_ = true;
  return result;
}

std::optional<json> LanguageServer::DocumentRequest(const std::string& method, const json& params) {
  static const std::set<std::string> kMethods = {
      "textDocument/definition", "textDocument/references", "textDocument/documentSymbol",
      "textDocument/hover", "textDocument/completion"};
  if (!kMethods.contains(method)) return std::nullopt;
  DocumentState* document = Find(params);
  if (document == nullptr) {
    throw std::invalid_argument(
        "the document " + params.at("textDocument").at("uri").get<std::string>() + " is not open");
  }
  if (method == "textDocument/documentSymbol") {
    return DocumentSymbols(*document, hierarchical_symbols_, encoding_);
  }
  const TextPosition position = PositionOf(params.at("position"));
  if (method == "textDocument/definition") return Definition(*document, position, encoding_);
  if (method == "textDocument/references") {
    const json* declaration = Member(params, {"context", "includeDeclaration"});
    return References(
        *document, position,
        declaration != nullptr && declaration->is_boolean() && declaration->get<bool>(), encoding_);
  }
  if (method == "textDocument/hover") {
    if (document->CheckDue()) Publish(*document);  // the hover tells what the check found
    return Hover(*document, position, screens_, encoding_);
  }
  return Completion(*document, position, encoding_);
}

void LanguageServer::Open(const json& params) {
  const json& item = params.at("textDocument");
  const std::string uri = item.at("uri").get<std::string>();
  documents_[uri] = std::make_unique<DocumentState>(uri, item.at("text").get<std::string>(),
                                                    item.at("version").get<int64_t>());
}

void LanguageServer::Change(const json& params) {
  DocumentState* document = Find(params);
  if (document == nullptr) return;
  const int64_t version = params.at("textDocument").at("version").get<int64_t>();
  // All of them read before any is made, so that a change that cannot be read changes nothing.
  struct Edit {
    std::optional<std::pair<TextPosition, TextPosition>> range;  // none: the whole text
    const std::string* text;
  };
  std::vector<Edit> edits;
  for (const json& change : params.at("contentChanges")) {
    Edit edit{std::nullopt, &change.at("text").get_ref<const std::string&>()};
    if (const json* range = Member(change, {"range"})) {
      const TextPosition start = PositionOf(range->at("start"));
      edit.range.emplace(start, PositionOf(range->at("end")));
    }
    edits.push_back(edit);
  }
  TextDocument& text = document->TextToChange();
  for (const Edit& edit : edits) {
    const size_t begin = edit.range ? text.Offset(edit.range->first, encoding_) : 0;
    const size_t end = edit.range ? text.Offset(edit.range->second, encoding_) : text.Text().size();
    text.Replace(begin, end, *edit.text, version);
  }
}

void LanguageServer::Close(const json& params) {
  const std::string uri = params.at("textDocument").at("uri").get<std::string>();
  if (documents_.erase(uri) > 0) {
    send_(Notification("textDocument/publishDiagnostics", ClearedDiagnostics(uri)));
  }
}

DocumentState* LanguageServer::Find(const json& params) {
  const std::string& uri = params.at("textDocument").at("uri").get_ref<const std::string&>();
  const auto found = documents_.find(uri);
  return found == documents_.end() ? nullptr : found->second.get();
}

void LanguageServer::Publish(DocumentState& document) {
  document.Check(screens_);
  send_(Notification("textDocument/publishDiagnostics",
                     PublishedDiagnostics(document, encoding_, related_information_)));
}

bool LanguageServer::CheckDue() const {
  for (const auto& [uri, document] : documents_) {
    if (document->CheckDue()) return true;
  }
  return false;
}

void LanguageServer::CheckDocuments() {
  for (auto& [uri, document] : documents_) {
    if (document->CheckDue()) Publish(*document);
  }
}

}  // namespace tavrin::lsp

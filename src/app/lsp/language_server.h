// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/check/check_run.h"
#include "app/lsp/document_state.h"
#include "app/lsp/message_reader.h"
#include "app/lsp/text_document.h"

namespace tavrin::lsp {

/// The language server of the protocol's version 3.17, without its transport: messages in,
/// messages out through `send`. It answers initialize and shutdown, keeps the documents the
/// editor opens, changes (whole or in ranges), saves and closes, and answers definition,
/// references, document symbols, hover and completion on them. The diagnostics of a
/// document are its check's, published when `CheckDue` documents are checked (the front
/// end does that once the client has been quiet for a moment) and before a hover that
/// needs them; closing a document clears them. A request it does not know gets the
/// protocol's error; nothing a client sends makes it fail.
class LanguageServer {
 public:
  using Send = std::function<void(const nlohmann::json&)>;

  /// `screens` measures the pages of every check (a QApplication must exist).
  LanguageServer(Send send, CheckScreens& screens);

  /// The messages read together, in order. A request that a $/cancelRequest among them
  /// cancels is answered as cancelled instead of being handled.
  void Receive(std::vector<IncomingMessage> messages);

  /// Whether some open document's check is due.
  bool CheckDue() const;
  /// How many times documents were opened, changed or saved: what a check waits to settle.
  uint64_t Edits() const { return edits_; }
  /// Checks every document whose check is due and publishes its diagnostics.
  void CheckDocuments();

  /// Whether the client has said exit.
  bool Exited() const { return exited_; }
  /// The exit status the protocol asks for: 0 after shutdown, 1 otherwise.
  int ExitStatus() const { return shut_down_ ? 0 : 1; }

 private:
  void Handle(const IncomingMessage& message, const std::set<std::string>& cancelled);
  void HandleRequest(const nlohmann::json& id, const std::string& method,
                     const nlohmann::json& params);
  void HandleNotification(const std::string& method, const nlohmann::json& params);
  nlohmann::json Initialize(const nlohmann::json& params);
  // The answer to a request about a document; nothing for a method that is not one.
  std::optional<nlohmann::json> DocumentRequest(const std::string& method,
                                                const nlohmann::json& params);
  void Open(const nlohmann::json& params);
  void Change(const nlohmann::json& params);
  void Close(const nlohmann::json& params);
  void Publish(DocumentState& document);
  DocumentState* Find(const nlohmann::json& params);

  Send send_;
  CheckScreens& screens_;
  bool initialized_ = false;
  bool shut_down_ = false;
  bool exited_ = false;
  PositionEncoding encoding_ = PositionEncoding::Utf16;
  bool related_information_ = false;
  bool hierarchical_symbols_ = false;
  uint64_t edits_ = 0;
  std::map<std::string, std::unique_ptr<DocumentState>> documents_;  // by URI
};

}  // namespace tavrin::lsp

// SPDX-License-Identifier: MIT
// fuzz_lsp: any bytes as what an editor sends `tavrin --lsp`, read by the server's message
// reader and handled by the language server.
//
// The input: byte 0 seeds the sizes of the pieces the rest is fed in, as reads from a pipe
// would cut it; everything after it is the stream.
//
// Checked:
// - the messages read do not depend on how the bytes were cut: fed whole and fed in pieces,
//   the same messages and the same errors, in the same order;
// - a message read, framed again, reads back as itself;
// - what the reader holds passes its limits (a header's, a message's) by no more than the
//   piece fed last;
// - the server takes every message, then checks the documents opened, without throwing,
//   and everything it sends is a JSON-RPC 2.0 message that frames and reads back as itself,
//   a response naming an id the input held, or none.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/check/check_run.h"
#include "app/lsp/json_rpc.h"
#include "app/lsp/language_server.h"
#include "app/lsp/message_reader.h"
#include "fuzz_qt_messages.h"
#include "fuzz_support.h"

namespace tavrin {
namespace {

using fuzz::Escaped;
using lsp::IncomingMessage;
using lsp::MessageReader;
using nlohmann::json;

bool Same(const IncomingMessage& a, const IncomingMessage& b) {
  return a.kind == b.kind && a.json == b.json && a.error == b.error;
}

std::vector<IncomingMessage> Drain(MessageReader& reader) {
  std::vector<IncomingMessage> messages;
  while (std::optional<IncomingMessage> message = reader.Next()) messages.push_back(*message);
  return messages;
}

std::string Describe(const IncomingMessage& message) {
  return std::to_string(static_cast<int>(message.kind)) + " " + message.error + " " +
         Escaped(message.json.dump(-1, ' ', false, json::error_handler_t::replace));
}

// The stream fed in pieces of 1 to 97 bytes, their sizes drawn from `seed`.
std::vector<IncomingMessage> ReadInPieces(std::string_view stream, uint8_t seed) {
  MessageReader reader;
  std::vector<IncomingMessage> messages;
  uint32_t state = 0x9E3779B9u ^ seed;
  while (!stream.empty()) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    const size_t piece = std::min<size_t>(stream.size(), 1 + state % 97);
    reader.Feed(stream.substr(0, piece));
    stream.remove_prefix(piece);
    for (IncomingMessage& message : Drain(reader)) messages.push_back(std::move(message));
    TAVRIN_FUZZ_CHECK(reader.Held() <= MessageReader::kMaxContentBytes + piece,
                      "the reader holds " + std::to_string(reader.Held()) + " bytes");
  }
  return messages;
}

// The ids of the requests in `messages`.
std::set<std::string> Ids(const std::vector<IncomingMessage>& messages) {
  std::set<std::string> ids;
  for (const IncomingMessage& message : messages) {
    if (message.json.is_object() && message.json.contains("id")) {
      ids.insert(message.json["id"].dump());
    }
  }
  return ids;
}

CheckScreens& Screens() {
  static CheckScreens* screens = new CheckScreens;  // kept: its fonts outlive every input
  return *screens;
}

}  // namespace
}  // namespace tavrin

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  tavrin::fuzz::StartOffscreenApplication(argc, argv);
  tavrin::Screens();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tavrin;
  if (size == 0) return 0;
  const std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);

  MessageReader whole;
  whole.Feed(stream);
  const std::vector<IncomingMessage> messages = Drain(whole);
  const std::vector<IncomingMessage> pieces = ReadInPieces(stream, data[0]);
  TAVRIN_FUZZ_CHECK(messages.size() == pieces.size(),
                    std::to_string(messages.size()) + " messages whole, " +
                        std::to_string(pieces.size()) + " in pieces");
  for (size_t i = 0; i < messages.size(); ++i) {
    TAVRIN_FUZZ_CHECK(Same(messages[i], pieces[i]), "message " + std::to_string(i) +
                                                        " differs: " + Describe(messages[i]) +
                                                        " against " + Describe(pieces[i]));
    if (messages[i].kind != IncomingMessage::Kind::Json) continue;
    MessageReader again;
    again.Feed(lsp::Framed(messages[i].json));
    const std::vector<IncomingMessage> back = Drain(again);
    TAVRIN_FUZZ_CHECK(back.size() == 1 && Same(back[0], messages[i]),
                      "framed again, it reads otherwise: " + Describe(messages[i]));
  }

  const std::set<std::string> ids = Ids(messages);
  std::vector<json> sent;
  lsp::LanguageServer server([&](const json& message) { sent.push_back(message); }, Screens());
  server.Receive(messages);
  if (!server.Exited()) server.CheckDocuments();
  for (const json& message : sent) {
    MessageReader reader;
    reader.Feed(lsp::Framed(message));
    const std::vector<IncomingMessage> back = Drain(reader);
    TAVRIN_FUZZ_CHECK(
        back.size() == 1 && back[0].kind == IncomingMessage::Kind::Json && back[0].json == message,
        "a message sent does not read back: " + Escaped(message.dump()));
    TAVRIN_FUZZ_CHECK(message.is_object() && message.value("jsonrpc", "") == "2.0",
                      "not JSON-RPC 2.0: " + Escaped(message.dump()));
    if (message.contains("id") && !message["id"].is_null()) {
      TAVRIN_FUZZ_CHECK(ids.contains(message["id"].dump()),
                        "a response to an id never sent: " + Escaped(message.dump()));
    }
  }
  return 0;
}

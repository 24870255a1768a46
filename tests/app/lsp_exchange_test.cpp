// SPDX-License-Identifier: MIT
// `tavrin --lsp` as an editor talks to it: the exchanges of lsp_exchanges/, one test per
// folder. Each folder holds exchange.txt, whose lines are, in order:
//   > MESSAGE        a message the client sends (JSON), framed with its Content-Length
//   >raw "BYTES"     bytes the client sends as they are: a JSON string, each character
//                    of which (below U+0100) stands for one byte
//   < MESSAGE        the message the server must send next (compared as JSON values)
//   copy FROM TO     the folder's file FROM copied to TO in the game folder, once the
//                    messages before are sent
//   exit N           the exit status once the client has closed the server's input
//                    (default 0)
// Empty lines and lines starting with # are skipped. The messages sent before a "<" line
// are written together; then the server's messages are read, one for each "<" line, and
// after the last line the server's input is closed: it must send nothing more.
// In messages, {root} stands for the URI of the game folder, which holds the folder's other
// files, and a string "{text:NAME}" for the text of the folder's file NAME.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/case_folder.h"
#include "support/file_bytes.h"
#include "support/lsp_process.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using tavrin::test_support::ReadFileBytes;

std::string FileUri(const fs::path& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (unsigned char c : path.string()) {
    if (std::isalnum(c) ||
        std::string_view("/-._~").find(static_cast<char>(c)) != std::string_view::npos) {
      uri.push_back(static_cast<char>(c));
    } else {
      uri += {'%', kHex[c >> 4], kHex[c & 15]};
    }
  }
  return uri;
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

// The bytes that the characters of `text` (UTF-8, each below U+0100) stand for.
std::string Bytes(const std::string& text) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      bytes.push_back(static_cast<char>(c));
    } else {
      bytes.push_back(static_cast<char>(((c & 0x03) << 6) | (text[++i] & 0x3F)));
    }
  }
  return bytes;
}

class LspExchange : public ::testing::TestWithParam<std::string> {
 protected:
  // A message of the exchange with its placeholders filled in.
  json Sent(std::string text) const {
    ReplaceAll(text, "{root}", root_);
    json message = json::parse(text);
    FillTexts(message);
    return message;
  }
  void FillTexts(json& value) const {
    if (value.is_structured()) {
      for (json& member : value) FillTexts(member);
    } else if (value.is_string()) {
      const std::string& text = value.get_ref<const std::string&>();
      if (text.starts_with("{text:") && text.ends_with("}")) {
        value = ReadFileBytes(source_ / text.substr(6, text.size() - 7));
      }
    }
  }
  // A message of the server's with the game folder written as {root}.
  json Received(const json& message) const {
    std::string text = message.dump();
    ReplaceAll(text, root_, "{root}");
    return json::parse(text);
  }

  tavrin::test_support::TempFolder folder_{"lsp"};
  fs::path source_;
  std::string root_;
};

TEST_P(LspExchange, AnswersAsTheExchangeExpects) {
  source_ = fs::path(TAVRIN_LSP_EXCHANGES) / GetParam();
  const fs::path game = folder_ / "game";
  fs::create_directories(game);
  for (const auto& entry : fs::directory_iterator(source_)) {
    if (entry.path().filename() == "exchange.txt") continue;
    fs::copy(entry.path(), game / entry.path().filename(), fs::copy_options::recursive);
  }
  root_ = FileUri(game);

  tavrin::test_support::LspProcess server(TAVRIN_PROGRAM, folder_ / "err");
  std::istringstream lines(ReadFileBytes(source_ / "exchange.txt"));
  std::string pending;
  int expected_status = 0;
  int line_number = 0;
  for (std::string line; std::getline(lines, line);) {
    ++line_number;
    const std::string at = GetParam() + "/exchange.txt:" + std::to_string(line_number);
    if (line.empty() || line.starts_with('#')) continue;
    if (line.starts_with("> ")) {
      const std::string content = Sent(line.substr(2)).dump();
      pending += "Content-Length: " + std::to_string(content.size()) + "\r\n\r\n" + content;
    } else if (line.starts_with(">raw ")) {
      std::string raw = line.substr(5);
      ReplaceAll(raw, "{root}", root_);
      pending += Bytes(json::parse(raw).get<std::string>());
    } else if (line.starts_with("< ")) {
      server.Write(pending);
      pending.clear();
      const std::optional<json> message = server.Read();
      ASSERT_TRUE(message.has_value()) << at << ": the server closed its output\n"
                                       << ReadFileBytes(folder_ / "err");
      const json expected = json::parse(line.substr(2));
      ASSERT_EQ(Received(*message), expected) << at << ":\n  got      " << Received(*message).dump()
                                              << "\n  expected " << expected.dump();
    } else if (line.starts_with("copy ")) {
      server.Write(pending);
      pending.clear();
      const size_t space = line.find(' ', 5);
      fs::create_directories((game / line.substr(space + 1)).parent_path());
      fs::copy_file(source_ / line.substr(5, space - 5), game / line.substr(space + 1),
                    fs::copy_options::overwrite_existing);
    } else if (line.starts_with("exit ")) {
      expected_status = std::stoi(line.substr(5));
    } else {
      FAIL() << at << ": not a line of an exchange: " << line;
    }
  }
  server.Write(pending);
  server.CloseInput();
  const std::optional<json> more = server.Read();
  EXPECT_FALSE(more.has_value()) << "the server sent more: " << more->dump();
  EXPECT_EQ(server.Wait(), expected_status) << ReadFileBytes(folder_ / "err");
}

// The server takes no game and no option of the other front ends: the editor names the
// documents.
TEST(LspCommandLine, GoesAlone) {
  tavrin::test_support::TempFolder folder("lsp-command-line");
  for (const std::string arguments : {"--lsp game", "--lsp --check", "--headless --lsp"}) {
    const std::string command = std::string(TAVRIN_PROGRAM) + " " + arguments + " </dev/null >'" +
                                (folder / "out").string() + "' 2>'" + (folder / "err").string() +
                                "'";
    const int raw = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 2) << arguments;
    EXPECT_NE(ReadFileBytes(folder / "err").find("--lsp goes alone"), std::string::npos)
        << arguments << ": " << ReadFileBytes(folder / "err");
    EXPECT_EQ(ReadFileBytes(folder / "out"), "") << arguments;
  }
}

INSTANTIATE_TEST_SUITE_P(Exchanges, LspExchange,
                         ::testing::ValuesIn(tavrin::test_support::CaseNames(TAVRIN_LSP_EXCHANGES)),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                           return param.param;
                         });

}  // namespace

// SPDX-License-Identifier: MIT
// --text-out: the outs it names, and where the command line refuses it.
#include "app/text_out/text_out_option.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"

namespace tavrin {
namespace {

using Kind = TextOutOption::Kind;

TEST(TextOutOption, NamesAWebSocketPortTheClipboardOrStandardOutput) {
  struct Case {
    const char* value;
    std::optional<TextOutOption> out;
    const char* error;  // found in the message, when refused
  };
  const std::vector<Case> cases = {
      {"ws", TextOutOption{Kind::WebSocket, 6677}, ""},
      {"ws:7000", TextOutOption{Kind::WebSocket, 7000}, ""},
      {"ws:1", TextOutOption{Kind::WebSocket, 1}, ""},
      {"ws:65535", TextOutOption{Kind::WebSocket, 65535}, ""},
      {"ws:007000", TextOutOption{Kind::WebSocket, 7000}, ""},
      {"clipboard", TextOutOption{Kind::Clipboard}, ""},
      {"stdout", TextOutOption{Kind::StandardOutput}, ""},
      {"ws:0", std::nullopt, "a port from 1 to 65535, not '0'"},
      {"ws:65536", std::nullopt, "a port from 1 to 65535, not '65536'"},
      {"ws:99999", std::nullopt, "a port from 1 to 65535, not '99999'"},
      {"ws:4294973973", std::nullopt, "not '4294973973'"},  // 6677 more than 2^32
      {"ws:abc", std::nullopt, "a port from 1 to 65535, not 'abc'"},
      {"ws:", std::nullopt, "a port from 1 to 65535, not ''"},
      {"ws:-1", std::nullopt, "not '-1'"},
      {"ws:70 00", std::nullopt, "not '70 00'"},
      {"bogus", std::nullopt, "takes ws, ws:PORT, clipboard or stdout, not 'bogus'"},
      {"WS", std::nullopt, "not 'WS'"},
      {"", std::nullopt, "not ''"},
      {"wss", std::nullopt, "not 'wss'"},
  };
  for (const Case& c : cases) {
    std::string error;
    const std::optional<TextOutOption> out = ParseTextOutOption(c.value, error);
    EXPECT_EQ(out, c.out) << c.value;
    if (c.out) {
      EXPECT_EQ(error, "") << c.value;
    } else {
      EXPECT_NE(error.find(c.error), std::string::npos) << c.value << ": " << error;
    }
  }
}

TEST(TextOutOption, GoesWithTheWindowOnceForEachKind) {
  struct Case {
    std::vector<const char*> arguments;
    std::vector<TextOutOption> outs;  // none: refused
    const char* error;
  };
  const TextOutOption ws{Kind::WebSocket, 6677};
  const TextOutOption clipboard{Kind::Clipboard};
  const TextOutOption out{Kind::StandardOutput};
  const std::vector<Case> cases = {
      {{"game"}, {}, ""},
      {{"--text-out=ws", "game"}, {ws}, ""},
      {{"--text-out", "ws:7000"}, {{Kind::WebSocket, 7000}}, ""},
      {{"--text-out=stdout", "--text-out=ws", "--text-out=clipboard", "--full-screen"},
       {out, ws, clipboard},
       ""},
      {{"--text-out=ws", "--text-out=ws:7000"}, {}, "--text-out=ws is given twice"},
      {{"--text-out=clipboard", "--text-out=clipboard"}, {}, "--text-out=clipboard is given twice"},
      {{"--headless", "--text-out=ws"}, {}, "--text-out goes with the window"},
      {{"--check", "--text-out=stdout"}, {}, "--text-out goes with the window"},
      {{"--text-out=ws:99999"}, {}, "not '99999'"},
      {{"--text-out"}, {}, "text-out"},
  };
  for (const Case& c : cases) {
    std::vector<char*> argv = {const_cast<char*>("tavrin")};
    for (const char* argument : c.arguments) argv.push_back(const_cast<char*>(argument));
    const CommandLine line = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
    const std::string given = c.arguments.empty() ? "" : c.arguments.front();
    if (*c.error == '\0') {
      EXPECT_EQ(line.action, CommandLine::Action::PlayInWindow) << given << ": " << line.error;
      EXPECT_EQ(line.text_out, c.outs) << given;
    } else {
      EXPECT_EQ(line.action, CommandLine::Action::Refuse) << given;
      EXPECT_NE(line.error.find(c.error), std::string::npos) << given << ": " << line.error;
    }
  }
}

}  // namespace
}  // namespace tavrin

// SPDX-License-Identifier: MIT
// The language server's memory across many changes, in a process of its own:
//
//   lsp_memory CHANGES [LINES]      (default: 10000 changes to a game of 10000 lines)
//
// The server is driven in this process, without its pipes and without the pause it waits
// for more changes: the game is opened, then each change is made and checked at once,
// every one of them. Prints one line:
//   lsp LINES lines, CHANGES changes: RSS A KiB after 100, B KiB after 1000, C KiB after
//   CHANGES (+D KiB since 1000), E ms a change
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <string>

#include "app/check/check_run.h"
#include "app/lsp/language_server.h"
#include "app/lsp/message_reader.h"
#include "lsp_game.h"

namespace {

long CurrentRssKib() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmRSS:")) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

tavrin::lsp::IncomingMessage Incoming(nlohmann::json message) {
  return {tavrin::lsp::IncomingMessage::Kind::Json, std::move(message), {}};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s CHANGES [LINES]\n", argv[0]);
    return 2;
  }
  const long changes = std::strtol(argv[1], nullptr, 10);
  const uint64_t lines = argc == 3 ? std::strtoull(argv[2], nullptr, 10) : 10'000;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  try {
    const tavrin::bench::EditedGame game(lines);
    tavrin::CheckScreens screens;
    int64_t published = 0;
    bool clean = true;
    tavrin::lsp::LanguageServer server(
        [&](const nlohmann::json& message) {
          if (message.value("method", "") != "textDocument/publishDiagnostics") return;
          published = message["params"]["version"].get<int64_t>();
          clean = clean && message["params"]["diagnostics"].empty();
        },
        screens);
    server.Receive({Incoming(game.Initialize()), Incoming(game.Open())});
    server.CheckDocuments();

    long rss_100 = 0, rss_1000 = 0;
    const auto start = std::chrono::steady_clock::now();
    for (long change = 1; change <= changes; ++change) {
      server.Receive({Incoming(game.Change(change + 1))});
      server.CheckDocuments();
      if (published != change + 1 || !clean) {
        std::fprintf(stderr, "change %ld was not checked clean\n", change);
        return 1;
      }
      if (change == 100) rss_100 = CurrentRssKib();
      if (change == 1000) rss_1000 = CurrentRssKib();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long rss_end = CurrentRssKib();
    std::printf(
        "lsp %llu lines, %ld changes: RSS %ld KiB after 100, %ld KiB after 1000, %ld KiB after "
        "%ld (%+ld KiB since 1000), %.1f ms a change\n",
        static_cast<unsigned long long>(game.Lines()), changes, rss_100, rss_1000, rss_end, changes,
        rss_end - rss_1000, 1000 * seconds / static_cast<double>(changes));
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lsp_memory: %s\n", e.what());
    return 1;
  }
}

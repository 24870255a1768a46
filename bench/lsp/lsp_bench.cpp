// SPDX-License-Identifier: MIT
// The language server as an author meets it: `tavrin --lsp` over pipes with a 10,000-line
// game open, one of its lines written anew at a time. Timed (wall clock, which is what the
// author waits): from sending the change to reading the diagnostics of its version, the
// pause the server waits for more changes and the check of every path included.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "support/lsp_process.h"
#include "support/temp_folder.h"
#include "lsp_game.h"

namespace {

using tavrin::test_support::LspProcess;

// The diagnostics of `version`; the game must have stayed clean.
void AwaitDiagnostics(benchmark::State& state, LspProcess& server, int64_t version) {
  for (;;) {
    const std::optional<nlohmann::json> message = server.Read();
    if (!message) {
      state.SkipWithError("the server ended");
      return;
    }
    if (message->value("method", "") != "textDocument/publishDiagnostics") continue;
    const nlohmann::json& params = (*message)["params"];
    if (params["version"] != version) continue;
    if (!params["diagnostics"].empty()) {
      state.SkipWithError(("the game is not clean: " + params["diagnostics"].dump()).c_str());
    }
    return;
  }
}

void BM_DiagnosticsAfterChange(benchmark::State& state) {
  const tavrin::bench::EditedGame game(static_cast<uint64_t>(state.range(0)));
  tavrin::test_support::TempFolder folder("lsp-bench");
  LspProcess server(TAVRIN_PROGRAM, folder / "err");
  server.Send(game.Initialize());
  server.Read();
  server.Send(game.Open());
  AwaitDiagnostics(state, server, 1);

  int64_t version = 1;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    server.Send(game.Change(++version));
    AwaitDiagnostics(state, server, version);
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  state.counters["lines"] = static_cast<double>(game.Lines());
  server.Send({{"jsonrpc", "2.0"}, {"id", 2}, {"method", "shutdown"}});
  server.Send({{"jsonrpc", "2.0"}, {"method", "exit"}});
  if (server.Wait() != 0) state.SkipWithError("the server did not end cleanly");
}
BENCHMARK(BM_DiagnosticsAfterChange)
    ->Arg(10'000)
    ->Iterations(100)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// SPDX-License-Identifier: MIT
// The look-back's memory at its bound: a long scenario of text pages played to its end, as
// fast as it goes, with every page kept for the reader to look back at, in a process of
// its own:
//
//   look_back_peak_rss LINES
//
// Prints one line: the pages and bytes kept, their bound, and the peak resident set while
// playing against the resident set before. Fails when more is kept than the bound allows.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "bench_scenarios.h"
#include "ui/reading_log.h"

namespace {

// What the window hands its reading log: the message window's text and the choices.
class LoggedPresentation : public tavrin::NullPresentation {
 public:
  void MessageChanged(const std::string& text, bool) override { log.MessageChanged(text); }
  void ChoiceChanged(int index, const std::string& caption, bool visible) override {
    captions[index] = caption;
    if (index == 1 && visible) log.ChoiceShown(captions[0], captions[1]);
  }
  tavrin::ReadingLog log;
  std::string captions[2];
};

}  // namespace

int main(int argc, char** argv) {
  using namespace tavrin::bench;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s LINES\n", argv[0]);
    return 2;
  }
  const uint64_t lines = std::strtoull(argv[1], nullptr, 10);
  try {
    GameFolder game;
    const ScriptStats stats = game.WriteScenario(Shape::TextPages, lines);
    ResetPeakRss();
    const long before = CurrentRssKib();
    LoggedPresentation shown;
    const PlayResult result = PlayToEnd(game.path(), 2 * stats.lines + 100, &shown);
    const long peak = PeakRssKib();
    const tavrin::ReadingLog& log = shown.log;
    std::printf(
        "%llu lines, %llu text lines: %zu pages kept (at most %zu), %.2f MiB of text "
        "(at most %.0f); peak RSS %ld KiB while playing (%ld KiB before; +%ld KiB)\n",
        static_cast<unsigned long long>(stats.lines),
        static_cast<unsigned long long>(stats.text_lines), log.Pages().size(),
        tavrin::ReadingLog::kMostPages, log.Bytes() / 1048576.0,
        tavrin::ReadingLog::kMostBytes / 1048576.0, peak, before, peak - before);
    if (!result.ended || log.Pages().size() > tavrin::ReadingLog::kMostPages ||
        log.Bytes() > tavrin::ReadingLog::kMostBytes) {
      std::fprintf(stderr, "look_back_peak_rss: the log went past its bound\n");
      return 1;
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "look_back_peak_rss: %s\n", error.what());
    return 1;
  }
  return 0;
}

// SPDX-License-Identifier: MIT
#include "app/check/check_run.h"

#include "app/check/check_presentation.h"
#include "app/check/line_ranges.h"
#include "app/check/picture_check.h"
#include "app/check/script_scan.h"
#include "app/check/state_explorer.h"
#include "app/check/story_graph.h"
#include "audio/midi_file.h"
#include "scenario/player.h"

namespace tavrin {
namespace {

void ReportFile(Diagnostics& diagnostics, Severity severity, std::string file,
                std::string message) {
  Diagnostic diagnostic;
  diagnostic.file = std::move(file);
  diagnostic.severity = severity;
  diagnostic.message = std::move(message);
  diagnostics.Add(std::move(diagnostic));
}

// Why the player would say "dat not found" of a dat.dat that is there; empty when it opens.
std::string WhyUnopened(const GameFile& dat) {
  if (!dat.IsRegularFile()) return "dat.dat is not a file";
  if (dat.Encrypted()) return "dat.dat is encrypted";
  if (dat.Size() == uint64_t{0}) return "dat.dat is empty";
  ScriptFile file;
  if (!file.Open(dat)) return "dat.dat cannot be opened";
  return "";
}

void CheckMusic(GameFolder& game, Diagnostics& diagnostics, CheckSummary& summary) {
  const GameFile file = game.Find("bgm.mid");
  if (!file.Exists()) {
    summary.music = "no bgm.mid, the game plays in silence";
    return;
  }
  const MidiPiece piece = LoadMidiFile(file);
  const char* why = nullptr;
  switch (piece.error) {
    case MidiFileError::None:
      summary.music = "bgm.mid opens";
      return;
    case MidiFileError::Unreadable:
      why = "cannot be read";
      break;
    case MidiFileError::NotMidi:
      why = "is not a Standard MIDI File";
      break;
    case MidiFileError::Truncated:
      why = "is cut short";
      break;
    case MidiFileError::Corrupt:
      why = "is corrupt";
      break;
    case MidiFileError::Unsupported:
      why = "uses SMPTE time or more tracks than the player takes";
      break;
  }
  summary.music = "bgm.mid does not open";
  ReportFile(diagnostics, Severity::Warning, "bgm.mid",
             std::string("bgm.mid ") + why + ": the game plays in silence");
}

// The check's own trace and an observer's, both told every line.
class BothTraces : public ScriptTrace {
 public:
  BothTraces(ScriptTrace& first, ScriptTrace& second) : first_(first), second_(second) {}

  void LineReached(uint64_t number, LineKind kind, const std::string& line) override {
    first_.LineReached(number, kind, line);
    second_.LineReached(number, kind, line);
  }
  void LineTaken(uint64_t number, Use use, const std::string& line) override {
    first_.LineTaken(number, use, line);
    second_.LineTaken(number, use, line);
  }

 private:
  ScriptTrace& first_;
  ScriptTrace& second_;
};

void Explore(const std::shared_ptr<GameFolder>& game, const GameFile& dat, CheckScreens& screens,
             CheckObserver* observer, std::ostream* graph, Diagnostics& diagnostics,
             CheckSummary& summary) {
  PictureCheck pictures(game);
  LineRanges used_lines;
  CheckPresentation watch(diagnostics, summary, used_lines, pictures, screens.fit);
  Player player(watch, game);
  watch.Attach(player);
  watch.Observe(observer);
  std::optional<BothTraces> both;
  ScriptTrace* trace = &watch;
  if (observer != nullptr) {
    observer->Attach(player);
    both.emplace(watch, *observer);
    trace = &*both;
  }
  // With `graph`, the story is drawn as the exploration goes.
  std::optional<StoryGraph> story;
  if (graph != nullptr) {
    story.emplace(watch, *trace);
    story->Attach(player);
    trace = &*story;
  }
  player.SetTrace(trace);

  ExplorationWatch& explored = story ? static_cast<ExplorationWatch&>(*story) : watch;
  StateExplorer(player, explored, StateExplorer::Limits{}).Run(summary);
  player.Form_Unload();
  if (story) story->WriteDot(*graph, dat, !summary.cut_short);
  if (summary.cut_short) {
    ReportFile(diagnostics, Severity::Warning, "dat.dat",
               "the check stopped at its limit of states: the scenario reaches too many "
               "different states (scores, mostly) at the same places, and the rest of its paths "
               "were not followed");
  }
  summary.pictures_shown = pictures.Shown();
  summary.pictures_not_shown = pictures.NotShown();
  ScanScript(dat, used_lines, diagnostics, summary);
}

}  // namespace

CheckFindings CheckGame(const std::shared_ptr<GameFolder>& game, CheckScreens& screens,
                        CheckObserver* observer, std::ostream* graph) {
  CheckFindings found;
  for (int i = 0; i < 2; ++i) found.summary.screen_heights[i] = CheckScreens::kHeights[i];
  const GameFile dat = game->Find("dat.dat");
  if (const std::string why = WhyUnopened(dat); !why.empty()) {
    ReportFile(found.diagnostics, Severity::Error, "dat.dat",
               why + ": the player reports \"dat not found\"");
  } else {
    Explore(game, dat, screens, observer, graph, found.diagnostics, found.summary);
  }
  CheckMusic(*game, found.diagnostics, found.summary);
  return found;
}

}  // namespace tavrin

#include "app/check/check_front_end.h"

#include <ostream>

#include "app/check/check_presentation.h"
#include "app/check/check_report.h"
#include "app/check/page_fit.h"
#include "app/check/picture_check.h"
#include "app/check/script_scan.h"
#include "app/check/state_explorer.h"
#include "app/check/story_graph.h"
#include "audio/midi_file.h"
#include "scenario/player.h"

namespace tavrin {
namespace {

namespace fs = std::filesystem;

// The screens a page is measured on: a common small one and the most common one.
constexpr int kScreenHeights[2] = {768, 1080};

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

// Explores every path of the game; with `graph`, draws the story there as it goes.
void Explore(const std::shared_ptr<GameFolder>& game, const GameFile& dat, Diagnostics& diagnostics,
             CheckSummary& summary, std::ostream* graph) {
  PageFit screens[2] = {PageFit(kScreenHeights[0]), PageFit(kScreenHeights[1])};
  PictureCheck pictures(game);
  LineRanges used_lines;
  CheckPresentation watch(diagnostics, summary, used_lines, pictures, screens);
  StoryGraph story(watch, watch);
  Player player(watch, game);
  watch.Attach(player);
  story.Attach(player);
  player.SetTrace(graph != nullptr ? static_cast<ScriptTrace*>(&story) : &watch);

  ExplorationWatch& explored = graph != nullptr ? static_cast<ExplorationWatch&>(story) : watch;
  StateExplorer(player, explored, StateExplorer::Limits{}).Run(summary);
  player.Form_Unload();
  if (graph != nullptr) story.WriteDot(*graph, dat, !summary.cut_short);
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

int RunCheck(const std::shared_ptr<GameFolder>& game, const CheckOptions& options,
             std::ostream& out, std::ostream& errors) {
  const GameFile dat = game->Find("dat.dat");
  if (!dat.Exists()) {
    errors << "tavrin: there is no dat.dat in " << game->Where() << "\n";
    return 2;
  }

  Diagnostics diagnostics;
  CheckSummary summary;
  for (int i = 0; i < 2; ++i) summary.screen_heights[i] = kScreenHeights[i];
  if (const std::string why = WhyUnopened(dat); !why.empty()) {
    ReportFile(diagnostics, Severity::Error, "dat.dat",
               why + ": the player reports \"dat not found\"");
  } else {
    Explore(game, dat, diagnostics, summary, options.graph ? &out : nullptr);
  }
  CheckMusic(*game, diagnostics, summary);

  // With the graph on standard output, the findings go beside it.
  std::ostream& report = options.graph ? errors : out;
  if (options.json) {
    WriteJsonReport(report, diagnostics, summary);
  } else {
    WriteTextReport(report, diagnostics, summary);
  }
  out.flush();
  report.flush();
  const bool failed = diagnostics.Count(Severity::Error) > 0 ||
                      (options.werror && diagnostics.Count(Severity::Warning) > 0);
  return failed ? 1 : 0;
}

}  // namespace tavrin

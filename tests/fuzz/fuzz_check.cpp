// SPDX-License-Identifier: MIT
// fuzz_check: any bytes as a game's dat.dat, checked by `tavrin --check` and then played.
//
// The input: byte 0 chooses, bit by bit, the choice taken at each question when the game is
// played (bit n for the nth question, round and round); everything after it is dat.dat. The
// game folder also holds img/pic.jpg, a picture that loads.
//
// Checked:
// - the check ends with status 0 or 1, 1 exactly when it reports an error;
// - every line of its report is a finding ("dat.dat:LINE: error|warning|note: ...", or one
//   about a whole file) or the summary, and the JSON Lines report holds as many findings,
//   each an object with a severity;
// - a check that found no error means the game never stops with a message: played with
//   clicks and the choices byte 0 picks, no message box may come up.
#include <QApplication>
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "app/check/check_front_end.h"
#include "fuzz_qt_messages.h"
#include "fuzz_support.h"
#include "game_files/game_folder.h"
#include "scenario/null_presentation.h"
#include "scenario/player.h"
#include "scenario/player_event.h"

namespace tavrin {
namespace {

using fuzz::Escaped;

// Enough clicks to read any input libFuzzer makes by default twice over (a click shows a
// line at least, and an input holds at most 4096 lines): a game that restarts is played
// again, but not for long, since each click of a restart loop costs as much as a line.
constexpr int kMostEvents = 8192;

const std::filesystem::path& GameDir() {
  static const std::filesystem::path dir = [] {
    std::filesystem::path game = fuzz::ProcessTempDir("fuzz_check") / "game";
    std::filesystem::create_directories(game / "img");
    QImage picture(4, 3, QImage::Format_RGB32);
    picture.fill(0x225588);
    TAVRIN_FUZZ_CHECK(
        picture.save(QString::fromStdString((game / "img" / "pic.jpg").string()), "JPG"),
        "cannot write the picture");
    return game;
  }();
  return dir;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The kind of a finding, "dat.dat:LINE: KIND: TEXT", or "" for any other line. The kind
// follows the place; the text after it may quote anything the scenario holds.
std::string FindingKind(const std::string& line) {
  const size_t place_end = line.find(": ");
  if (place_end == std::string::npos) return "";
  for (const std::string kind : {"error", "warning", "note"}) {
    if (line.compare(place_end + 2, kind.size() + 2, kind + ": ") == 0) return kind;
  }
  return "";
}

// Plays the game with clicks, taking the choices `choices` picks, until it ends, stops or
// the events run out. Returns the message boxes it met.
std::vector<std::string> Play(const std::shared_ptr<GameFolder>& game, uint8_t choices) {
  NullPresentation shown;
  Player player(shown, game);
  player.Form_Activate();
  int question = 0;
  for (int event = 0; event < kMostEvents && shown.alerts.empty(); ++event) {
    if (player.ChoiceShown()) {
      DeliverEvent(
          player, {.kind = PlayerEvent::Kind::Choose, .choice = (choices >> (question++ % 8)) & 1});
    } else if (player.MessageWindowTakesInput() && player.ScriptOpen()) {
      DeliverEvent(player, {.kind = PlayerEvent::Kind::Click});
    } else {
      break;
    }
  }
  player.Form_Unload();
  return shown.alerts;
}

}  // namespace
}  // namespace tavrin

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  tavrin::fuzz::StartOffscreenApplication(argc, argv);
  tavrin::GameDir();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tavrin;
  const std::span<const uint8_t> input(data, size);
  const uint8_t choices = input.empty() ? 0 : input[0];
  const std::span<const uint8_t> script = input.empty() ? input : input.subspan(1);
  fuzz::WriteFile(GameDir() / "dat.dat", script);
  const std::shared_ptr<GameFolder> folders = GameFolder::OnDisk(GameDir());

  std::ostringstream text, json, errors;
  const int status = RunCheck(folders, CheckOptions{}, text, errors);
  CheckOptions as_json;
  as_json.json = true;
  const int json_status = RunCheck(folders, as_json, json, errors);
  TAVRIN_FUZZ_CHECK(status == 0 || status == 1, "status " + std::to_string(status));
  TAVRIN_FUZZ_CHECK(json_status == status, "the JSON report ends with another status");
  TAVRIN_FUZZ_CHECK(errors.str().empty(), "on standard error: " + Escaped(errors.str()));

  const std::vector<std::string> lines = Lines(text.str());
  TAVRIN_FUZZ_CHECK(!lines.empty(), "no report");
  size_t findings = 0;
  size_t error_findings = 0;
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    const std::string kind = FindingKind(lines[i]);
    TAVRIN_FUZZ_CHECK(!kind.empty(), "not a finding: " + Escaped(lines[i]));
    ++findings;
    if (kind == "error") ++error_findings;
  }
  TAVRIN_FUZZ_CHECK(lines.back().starts_with("dat.dat: ") && FindingKind(lines.back()).empty(),
                    "the last line is not the summary: " + Escaped(lines.back()));
  TAVRIN_FUZZ_CHECK(
      (error_findings > 0) == (status == 1),
      "status " + std::to_string(status) + " with " + std::to_string(error_findings) + " errors");

  size_t json_findings = 0;
  for (const std::string& line : Lines(json.str())) {
    const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
    TAVRIN_FUZZ_CHECK(object.is_object(), "not a JSON object: " + Escaped(line));
    if (object.contains("severity")) ++json_findings;
  }
  TAVRIN_FUZZ_CHECK(json_findings == findings,
                    "the JSON report holds " + std::to_string(json_findings) +
                        " findings, the text " + std::to_string(findings));

  if (status == 0) {
    const std::vector<std::string> alerts = Play(folders, choices);
    TAVRIN_FUZZ_CHECK(alerts.empty(),
                      "checked without an error, but playing it says: " + Escaped(alerts.front()) +
                          "\n  report:\n" + Escaped(text.str()));
  }
  return 0;
}

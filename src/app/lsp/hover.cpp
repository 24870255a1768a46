// SPDX-License-Identifier: MIT
#include "app/lsp/hover.h"

#include "app/lsp/protocol_ranges.h"
#include "picture/picture_holder.h"
#include "scenario/line_kind.h"

namespace tavrin::lsp {
namespace {

using nlohmann::json;

std::string Scores(const PathFacts::Scores& scores) {
  if (scores.lowest == scores.highest) return "a score of " + std::to_string(scores.lowest);
  return "scores from " + std::to_string(scores.lowest) + " to " + std::to_string(scores.highest);
}

std::string CutShort(const DocumentCheck& check) {
  return check.findings.summary.cut_short
             ? " (The check stopped at its limit of states: not every path was followed.)"
             : "";
}

std::string AboutLabel(const DocumentCheck& check, uint64_t line, const std::string& text) {
  std::string about;
  if (text == kGoodEnding) {
    about = "The good ending, for a score of " + std::to_string(kGoodEndingScore) + " or more. ";
  } else if (text == kBadEnding) {
    about = "The bad ending, for a score below " + std::to_string(kGoodEndingScore) + ". ";
  }
  const auto scores = check.facts.label_scores.find(line);
  if (scores == check.facts.label_scores.end()) {
    return about + "No path of the story reads to this label." + CutShort(check);
  }
  return about + "The story reads to this label with " + Scores(scores->second) + "." +
         CutShort(check);
}

std::string Views(const PageMeasure& fit, int screen_height) {
  return std::to_string(fit.views) + (fit.views == 1 ? " view" : " views") + " (" +
         std::to_string(fit.rows) + " rows) on a " + std::to_string(screen_height) +
         "-pixel screen";
}

std::string AboutText(const DocumentCheck& check, uint64_t line) {
  std::vector<const PathFacts::Page*> pages;
  for (const PathFacts::Page& page : check.facts.pages) {
    if (page.first_line > line) break;
    if (page.last_line >= line) pages.push_back(&page);
  }
  if (pages.empty()) {
    const bool reached = line < check.facts.reached.size() && check.facts.reached[line];
    return (reached ? "No page of this line waits for the reader, so none is measured."
                    : "No path shows this line.") +
           CutShort(check);
  }
  std::string about;
  for (const PathFacts::Page* page : pages) {
    about += about.empty() ? "" : "\n";
    about += page->first_line == page->last_line
                 ? "Its page, line " + std::to_string(page->first_line)
                 : "Its page, lines " + std::to_string(page->first_line) + " to " +
                       std::to_string(page->last_line);
    about += ", takes " + Views(page->fit[0], CheckScreens::kHeights[0]) + " and " +
             Views(page->fit[1], CheckScreens::kHeights[1]) + ".";
  }
  return about;
}

std::string AboutPicture(DocumentState& document, const std::string& line) {
  const std::string name = PictureName(line);
  if (name.empty()) return "The line names no picture: the last picture that loaded shows again.";
  const std::shared_ptr<GameFolder>& game = document.Scenario().Game();
  const GameFile file = game->Find("img\\" + name + ".jpg");
  PictureHolder holder(game);
  if (holder.ShowPicture(name)) {
    return "Shows " + holder.File().Name() + ", " + std::to_string(holder.PixelSize().width()) +
           " \u00D7 " + std::to_string(holder.PixelSize().height()) + " pixels.";
  }
  const std::string shown = file.Name().empty() ? "img/" + name + ".jpg" : file.Name();
  if (!file.IsRegularFile()) return shown + " is missing: the picture area stays black.";
  return shown + " cannot be decoded as a picture: the picture area stays black.";
}

}  // namespace

json Hover(DocumentState& document, TextPosition position, CheckScreens& screens,
           PositionEncoding encoding) {
  const uint64_t number = position.line + 1;
  const EditedScenario& scenario = document.Scenario();
  if (number > scenario.Lines().size()) return nullptr;
  const std::string& line = scenario.Line(number);
  const ScriptOutline& outline = document.Outline();

  std::string about;
  if (const std::optional<ScriptOutline::Caption> caption = outline.CaptionAt(number)) {
    const uint64_t label = caption->question->labels[caption->index];
    about = label == 0 ? "No line after this question is exactly this caption."
                       : "Choosing this reads to line " + std::to_string(label) + ". " +
                             AboutLabel(document.Check(screens), label, line);
  } else if (outline.IsLabel(number)) {
    about = AboutLabel(document.Check(screens), number, line);
  } else if (KindOfLine(line) == LineKind::Text) {
    about = AboutText(document.Check(screens), number);
  } else if (KindOfLine(line) == LineKind::Picture) {
    about = AboutPicture(document, line);
  } else {
    return nullptr;
  }
  return {{"contents", {{"kind", "plaintext"}, {"value", about}}},
          {"range", LineRange(document.Text(), number, encoding)}};
}

}  // namespace tavrin::lsp

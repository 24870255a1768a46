// SPDX-License-Identifier: MIT
// The story's graph written in Graphviz's language: nodes in the order of the file, then the
// edges, so that the same story always gives the same text.
#include <ostream>

#include "app/check/story_graph.h"
#include "scenario/line_kind.h"
#include "scenario/script_file.h"

namespace tavrin {
namespace {

constexpr const char* kFont = "Noto Sans CJK JP";

// A string of Graphviz's language, quoted; rows are joined by "\n".
std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    if (c == '\n') {
      quoted += "\\n";
    } else if (c != '\r') {
      quoted += c;
    }
  }
  return quoted + "\"";
}

std::string Scores(int lowest, int highest) {
  if (lowest == highest) return "score " + std::to_string(lowest);
  return "scores " + std::to_string(lowest) + " to " + std::to_string(highest);
}

}  // namespace

std::optional<StoryGraph::NodeKey> StoryGraph::First(size_t walk) const {
  const Walk& w = walks_[walk];
  if (w.head) return w.head;
  if (w.nodes.empty()) return std::nullopt;  // a walk the exploration left before its end
  return w.nodes.front();
}

void StoryGraph::WriteDot(std::ostream& out, const GameFile& dat, bool whole) const {
  const auto id = [](const NodeKey& key) {
    static constexpr const char* kPrefix[] = {"opening", "question_", "line_", "jump_",
                                              "ending_", "restart_",  "end_",  "stop_"};
    const std::string prefix = kPrefix[static_cast<int>(key.kind)];
    if (key.kind == NodeKind::Opening) return prefix;
    if (key.line == kEndOfFile) return std::string("end_of_file");
    return prefix + std::to_string(key.line);
  };
  const auto at = [](uint64_t line) { return "line " + std::to_string(line) + ": "; };

  out << "digraph story {\n"
      << "  graph [fontname=" << Quoted(kFont) << ", labelloc=t"
      << (whole ? "" : ", label=\"The check stopped at its limit: not every path is drawn.\"")
      << "];\n"
      << "  node [fontname=" << Quoted(kFont) << ", shape=box];\n"
      << "  edge [fontname=" << Quoted(kFont) << "];\n";

  for (const auto& [key, node] : nodes_) {
    std::string label;
    std::string style;
    switch (key.kind) {
      case NodeKind::Opening:
        label = "opening";
        style = "shape=oval, style=bold";
        break;
      case NodeKind::Question:
        label = at(key.line) + "question" + (node.text.empty() ? "" : "\n" + node.text);
        style = "style=\"rounded,bold\"";
        break;
      case NodeKind::Meeting:
        label = at(key.line) + "branches meet again\n" + node.text;
        break;
      case NodeKind::EndingJump:
        label = at(key.line) + "ending jump";
        style = "shape=hexagon";
        break;
      case NodeKind::Ending:
        label =
            at(key.line) + node.text + " ending\n" + Scores(node.lowest_score, node.highest_score);
        style = "peripheries=2, style=bold";
        break;
      case NodeKind::Restart:
        label = at(key.line) + "restart";
        style = "shape=oval";
        break;
      case NodeKind::End:
        label = key.line == kEndOfFile ? "end of the file: the story ends"
                                       : at(key.line) + "the story ends";
        style = "shape=oval, peripheries=2";
        break;
      case NodeKind::Stop:
        label = (key.line != 0 ? at(key.line) : std::string()) + "the story stops (an error)";
        style = "shape=octagon, color=red, fontcolor=red";
        break;
    }
    out << "  " << id(key) << " [label=" << Quoted(label) << (style.empty() ? "" : ", ") << style
        << "];\n";
  }

  // Each walk through the places it passes; the choices and the ending jumps into walks.
  for (const Walk& walk : walks_) {
    std::optional<NodeKey> from = walk.head;
    for (const NodeKey& to : walk.nodes) {
      if (from) out << "  " << id(*from) << " -> " << id(to) << ";\n";
      from = to;
    }
  }
  for (const Edge& edge : edges_) {
    const std::optional<NodeKey> to = edge.to ? edge.to : First(edge.walk);
    if (!to) continue;
    out << "  " << id(edge.from) << " -> " << id(*to) << " [label=" << Quoted(edge.label) << "];\n";
  }
  for (const auto& [jump_and_ending, scores] : ending_scores_) {
    out << "  " << id(jump_and_ending.first) << " -> " << id(jump_and_ending.second)
        << " [label=" << Quoted(Scores(scores.first, scores.second)) << "];\n";
  }
  for (const auto& [key, node] : nodes_) {
    if (key.kind != NodeKind::Restart) continue;
    out << "  " << id(key) << " -> opening [label=\"starts again\", style=dashed];\n";
  }

  // What no path reaches: questions, and branches that no choice or ending jump takes (the
  // two caption lines after a question are not branches).
  ScriptFile file;
  bool cluster = false;
  uint64_t question = 0;
  if (file.Open(dat)) {
    while (const std::optional<std::string> line = file.ReadLine()) {
      const uint64_t number = file.LineNumber();
      const LineKind kind = KindOfLine(*line);
      std::string label;
      if (kind == LineKind::Question) {
        question = number;
        if (!questions_reached_.contains(number)) label = at(number) + "question";
      } else if (kind == LineKind::Label && !labels_taken_.contains(number) &&
                 (question == 0 || number > question + 2)) {
        label = at(number) + *line;
      }
      if (label.empty()) continue;
      if (!cluster) {
        out << "  subgraph cluster_unreached {\n"
            << "    label=\"no path reaches these\"; style=dashed; color=gray50; "
               "fontcolor=gray30;\n";
        cluster = true;
      }
      out << "    unreached_" << number << " [label=" << Quoted(label)
          << ", style=dashed, color=gray50, fontcolor=gray30];\n";
    }
  }
  if (cluster) out << "  }\n";
  out << "}\n";
}

}  // namespace tavrin

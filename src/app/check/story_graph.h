// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <iosfwd>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/check/exploration_watch.h"
#include "game_files/game_file.h"
#include "scenario/player.h"
#include "scenario/script_trace.h"

namespace tavrin {

/// The story as a graph, drawn from the check's exploration (`tavrin --check --graph`): the
/// opening, each question with its two choices, the line where branches meet again, each
/// ending jump with the scores that take it to each ending, the endings, restarts and the
/// ends of the story, and the branches and questions no path reaches.
///
/// Between two of those, reading goes the same way whatever the state (only a question and
/// an ending jump part ways), so the graph is one of lines: a walk is the reading from
/// where it starts (the opening, a label a choice or an ending jump takes), and it meets
/// another where it first reaches a line the other reached before.
class StoryGraph : public ExplorationWatch, public ScriptTrace {
 public:
  /// The checker's watch and trace, told everything first.
  StoryGraph(ExplorationWatch& watch, ScriptTrace& trace) : watch_(watch), trace_(trace) {}

  void Attach(const Player& player) { player_ = &player; }

  /// Writes the graph in Graphviz's language; `dat` is read for what no path reaches.
  /// `whole` is false when the exploration stopped at its limit.
  void WriteDot(std::ostream& out, const GameFile& dat, bool whole) const;

  // ExplorationWatch.
  void BeginEvent(WatchState& state, const PathCount& count, std::optional<int> choice,
                  bool opening) override;
  EventOutcome EndEvent() override;
  const std::string* Caption(int index) override { return watch_.Caption(index); }
  void ForgetBefore(uint64_t line) override { watch_.ForgetBefore(line); }

  // ScriptTrace.
  void LineReached(uint64_t number, LineKind kind, const std::string& line) override;
  void LineTaken(uint64_t number, Use use, const std::string& line) override;

 private:
  enum class NodeKind { Opening, Question, Meeting, EndingJump, Ending, Restart, End, Stop };
  struct NodeKey {
    uint64_t line = 0;  // 0 for the opening; kEndOfFile for the end of the file
    NodeKind kind = NodeKind::Opening;
    auto operator<=>(const NodeKey&) const = default;
  };
  struct Node {
    std::string text;
    int lowest_score = 0;  // of an ending: the scores that reach it
    int highest_score = 0;
    bool scored = false;
  };
  // The reading from one place on, and the places it passes that the graph shows.
  struct Walk {
    std::optional<NodeKey> head;  // the opening or the ending it starts at; none after a choice
    std::vector<NodeKey> nodes;   // in the order of the file
  };
  struct Edge {
    NodeKey from;
    size_t walk = 0;            // to where the walk goes first
    std::optional<NodeKey> to;  // or to this node
    std::string label;
    auto operator<=>(const Edge&) const = default;
  };
  static constexpr uint64_t kEndOfFile = UINT64_MAX;

  void Reach(uint64_t number, std::optional<NodeKind> kind, const std::string& text);
  void AddNode(NodeKey key, const std::string& text);
  static void InsertInOrder(std::vector<NodeKey>& nodes, NodeKey key);
  size_t WalkFrom(uint64_t label_line, bool ending);
  void EndWalk(NodeKey key, const std::string& text);
  std::string QuestionText() const;

  std::optional<NodeKey> First(size_t walk) const;

  ExplorationWatch& watch_;
  ScriptTrace& trace_;
  const Player* player_ = nullptr;

  std::vector<uint32_t> owner_;  // by line: 1 + the walk that reached it first; 0 for none
  std::vector<Walk> walks_;
  std::map<std::pair<uint64_t, bool>, size_t> walk_from_;  // (label line, ending) -> walk
  std::map<NodeKey, Node> nodes_;
  std::set<Edge> edges_;
  std::map<std::pair<NodeKey, NodeKey>, std::pair<int, int>> ending_scores_;  // jump -> ending
  std::set<uint64_t> labels_taken_;
  std::set<uint64_t> questions_reached_;

  // The event under way.
  std::optional<size_t> walk_;
  std::optional<int> choice_;
  uint64_t question_line_ = 0;
  uint64_t jump_line_ = 0;  // an ending jump reached, its label not taken yet
  int jump_score_ = 0;
  bool restarted_ = false;
  bool end_reached_ = false;
};

}  // namespace tavrin

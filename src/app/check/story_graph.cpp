// SPDX-License-Identifier: MIT
#include "app/check/story_graph.h"

#include <algorithm>

#include "ui/reading_log.h"

namespace tavrin {
namespace {

// How much of a line or a page a node shows.
constexpr size_t kShownCharacters = 24;
constexpr size_t kShownRows = 2;

std::string Shortened(std::string_view text) {
  size_t characters = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (characters++ == kShownCharacters) return std::string(text.substr(0, i)) + "\u2026";
  }
  return std::string(text);
}

}  // namespace

void StoryGraph::BeginEvent(WatchState& state, const PathCount& count, std::optional<int> choice,
                            bool opening) {
  watch_.BeginEvent(state, count, choice, opening);
  choice_ = choice;
  jump_line_ = 0;
  restarted_ = false;
  end_reached_ = false;
  walk_.reset();
  if (opening) {
    if (walks_.empty()) {
      AddNode({0, NodeKind::Opening}, "");
      walks_.push_back({NodeKey{0, NodeKind::Opening}, {}});
    }
    walk_ = 0;
  } else if (choice) {
    question_line_ = player_->CurrentLineNumber();  // the walk starts at the label it takes
  } else {
    // The line the event goes on from was reached already: its walk goes on.
    const uint64_t line = player_->CurrentLineNumber();
    if (line < owner_.size() && owner_[line] != 0) walk_ = owner_[line] - 1;
  }
}

EventOutcome StoryGraph::EndEvent() {
  const EventOutcome outcome = watch_.EndEvent();
  if (outcome == EventOutcome::Stopped) {
    const NodeKey stop{player_->CurrentLineNumber(), NodeKind::Stop};
    if (choice_ && !walk_) {
      // The choice found no label: the question leads to where it stops.
      AddNode(stop, "");
      edges_.insert(
          {{question_line_, NodeKind::Question}, 0, stop, player_->Choice(*choice_).caption});
    } else if (jump_line_ != 0) {
      AddNode(stop, "");
      edges_.insert(
          {{jump_line_, NodeKind::EndingJump}, 0, stop, "score " + std::to_string(jump_score_)});
    } else {
      EndWalk(stop, "");
    }
  } else if (outcome == EventOutcome::Ended && !end_reached_) {
    EndWalk({kEndOfFile, NodeKind::End}, "");
  }
  return outcome;
}

void StoryGraph::LineReached(uint64_t number, LineKind kind, const std::string& line) {
  trace_.LineReached(number, kind, line);
  if (restarted_) return;  // the opening again, drawn once
  switch (kind) {
    case LineKind::Question:
      questions_reached_.insert(number);
      Reach(number, NodeKind::Question, QuestionText());
      break;
    case LineKind::EndingJump:
      Reach(number, NodeKind::EndingJump, "");
      jump_line_ = number;
      jump_score_ = player_->Score();
      break;
    case LineKind::Restart:
      Reach(number, NodeKind::Restart, "");
      restarted_ = true;
      break;
    case LineKind::EndMarker:
      Reach(number, NodeKind::End, "");
      end_reached_ = true;
      break;
    default:
      Reach(number, std::nullopt, line);
      break;
  }
}

void StoryGraph::LineTaken(uint64_t number, Use use, const std::string& line) {
  trace_.LineTaken(number, use, line);
  if (restarted_ || use != Use::Label) return;
  labels_taken_.insert(number);
  if (jump_line_ != 0) {
    const NodeKey jump{jump_line_, NodeKind::EndingJump};
    const NodeKey ending{number, NodeKind::Ending};
    AddNode(ending, line);
    Node& node = nodes_.at(ending);
    node.lowest_score = node.scored ? std::min(node.lowest_score, jump_score_) : jump_score_;
    node.highest_score = node.scored ? std::max(node.highest_score, jump_score_) : jump_score_;
    node.scored = true;
    auto [scores, first] = ending_scores_.try_emplace({jump, ending}, jump_score_, jump_score_);
    scores->second.first = std::min(scores->second.first, jump_score_);
    scores->second.second = std::max(scores->second.second, jump_score_);
    walk_ = WalkFrom(number, /*ending=*/true);
    jump_line_ = 0;
  } else if (choice_ && !walk_) {
    walk_ = WalkFrom(number, /*ending=*/false);
    edges_.insert({{question_line_, NodeKind::Question},
                   *walk_,
                   std::nullopt,
                   player_->Choice(*choice_).caption});
  }
}

void StoryGraph::Reach(uint64_t number, std::optional<NodeKind> kind, const std::string& text) {
  if (!walk_) return;
  if (owner_.size() <= number) owner_.resize(std::max<size_t>(number + 1, owner_.size() * 2), 0);
  uint32_t& owner = owner_[number];
  const size_t walk = *walk_;
  if (owner == 0) {
    owner = static_cast<uint32_t>(walk + 1);
    if (kind) EndWalk({number, *kind}, text);
    return;
  }
  if (owner == walk + 1) return;
  // Another walk reached this line first: from here on, this one reads as that one does.
  const size_t other = owner - 1;
  const NodeKey key{number, kind.value_or(NodeKind::Meeting)};
  if (!nodes_.contains(key)) {
    AddNode(key, text);
    InsertInOrder(walks_[other].nodes, key);
  }
  EndWalk(key, text);
  walk_ = other;
}

void StoryGraph::AddNode(NodeKey key, const std::string& text) {
  nodes_.try_emplace(key, Node{text});
}

void StoryGraph::EndWalk(NodeKey key, const std::string& text) {
  if (!walk_) return;
  AddNode(key, text);
  InsertInOrder(walks_[*walk_].nodes, key);
}

void StoryGraph::InsertInOrder(std::vector<NodeKey>& nodes, NodeKey key) {
  const auto at = std::lower_bound(nodes.begin(), nodes.end(), key);
  if (at == nodes.end() || *at != key) nodes.insert(at, key);
}

size_t StoryGraph::WalkFrom(uint64_t label_line, bool ending) {
  auto [found, first_time] = walk_from_.try_emplace({label_line, ending}, walks_.size());
  if (first_time) {
    Walk walk;
    if (ending) walk.head = NodeKey{label_line, NodeKind::Ending};
    walks_.push_back(std::move(walk));
  }
  return found->second;
}

std::string StoryGraph::QuestionText() const {
  // The page under the buttons, by its last rows: the question itself, mostly.
  const std::string page = ReadingLog::ReaderText(player_->MessageText());
  std::vector<std::string> rows;
  size_t start = 0;
  while (start <= page.size()) {
    const size_t end = std::min(page.find('\n', start), page.size());
    if (end > start) rows.push_back(Shortened(std::string_view(page).substr(start, end - start)));
    start = end + 1;
  }
  std::string text;
  for (size_t i = rows.size() > kShownRows ? rows.size() - kShownRows : 0; i < rows.size(); ++i) {
    text += (text.empty() ? "" : "\n") + rows[i];
  }
  return text;
}

}  // namespace tavrin

// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>

namespace tavrin {

/// What the reader has read, page by page, as the message window showed it: each page once
/// it is complete, and each question with its two captions and the one picked. It is what
/// the look-back shows and what is handed on to dictionaries. It lasts for the run, in
/// memory only, and keeps the newest pages within a bound of pages and of bytes.
class ReadingLog {
 public:
  /// One page read. Text in UTF-8 as a reader has it: the scenario's lines, each on a line of
  /// its own ("\n"), no leading empty row, no page-end mark.
  struct Page {
    std::string text;
    /// For a question: its two captions, and the one picked (none before the pick).
    std::optional<std::array<std::string, 2>> captions;
    int picked = -1;
  };

  static constexpr std::size_t kMostPages = 1000;
  static constexpr std::size_t kMostBytes = std::size_t{4} << 20;

  /// Called once for each page completed, and for each question as it appears.
  using PageHandler = std::function<void(const Page&)>;
  void OnPage(PageHandler handler) { on_page_ = std::move(handler); }
  void OnQuestion(PageHandler handler) { on_question_ = std::move(handler); }

  /// The message window's text, as the scenario shows it (rows joined by CR LF, the page's
  /// "▼" at its end once it ends). A page is complete when it ends, and when it is cleared or
  /// replaced before it ended (an empty line, a jump, a choice picked).
  void MessageChanged(const std::string& text);
  /// A choice has appeared over the page shown: it is the question, not a page of its own.
  void ChoiceShown(const std::string& first, const std::string& second);
  /// The reader picked choice `index` of the question shown last.
  void ChoicePicked(int index);

  /// The pages kept, oldest first.
  const std::deque<Page>& Pages() const { return pages_; }
  /// The pages kept that the reader has left: all but the newest while it is still shown.
  std::size_t PagesBefore() const { return pages_.size() - (shown_kept_ ? 1 : 0); }
  /// The page `back` pages before the one shown (0: the newest left); null past the oldest.
  const Page* PageBefore(std::size_t back) const;
  std::size_t Bytes() const { return bytes_; }

  /// A page of the scenario as a reader has it (see `Page::text`).
  static std::string ReaderText(const std::string& message_text);

 private:
  void Complete();
  void Keep(Page page);

  std::string current_;         // the page shown, as the scenario gave it
  bool current_done_ = true;    // already kept (or empty): nothing more to keep of it
  bool question_open_ = false;  // the newest page kept is a question not yet answered
  bool shown_kept_ = false;     // the newest page kept is the one shown
  std::deque<Page> pages_;
  std::size_t bytes_ = 0;
  PageHandler on_page_;
  PageHandler on_question_;
};

}  // namespace tavrin

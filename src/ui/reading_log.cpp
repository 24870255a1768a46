// SPDX-License-Identifier: MIT
#include "ui/reading_log.h"

#include <string_view>
#include <utility>

namespace tavrin {
namespace {

constexpr std::string_view kPageEnd = "\u25BC";  // ▼

bool EndsWithPageEnd(const std::string& text) {
  return text.size() >= kPageEnd.size() &&
         std::string_view(text).substr(text.size() - kPageEnd.size()) == kPageEnd;
}

}  // namespace

std::string ReadingLog::ReaderText(const std::string& message_text) {
  std::string_view text = message_text;
  if (EndsWithPageEnd(message_text)) text.remove_suffix(kPageEnd.size());
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += '\n';
    } else {
      out += c;
    }
  }
  const std::size_t first = out.find_first_not_of('\n');
  out.erase(0, first == std::string::npos ? out.size() : first);
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

void ReadingLog::MessageChanged(const std::string& text) {
  // The same page with more rows below goes on; anything else ends the one shown.
  const bool continues = !current_done_ && text.size() > current_.size() &&
                         text.compare(0, current_.size(), current_) == 0;
  if (!continues && text != current_) Complete();
  if (text != current_) {
    current_ = text;
    current_done_ = ReaderText(text).empty();
    shown_kept_ = false;
  }
  if (EndsWithPageEnd(current_)) Complete();
}

const ReadingLog::Page* ReadingLog::PageBefore(std::size_t back) const {
  if (back >= PagesBefore()) return nullptr;
  return &pages_[PagesBefore() - 1 - back];
}

void ReadingLog::Complete() {
  if (current_done_) return;
  current_done_ = true;
  Page page;
  page.text = ReaderText(current_);
  if (page.text.empty()) return;
  Keep(page);
  shown_kept_ = true;
  if (on_page_) on_page_(pages_.back());
}

void ReadingLog::ChoiceShown(const std::string& first, const std::string& second) {
  // The page under the buttons is the question; it is kept as one, and is no page of its own.
  const std::array<std::string, 2> captions{first, second};
  if (shown_kept_ && !pages_.back().captions) {
    // A page that ended just before its question: the same page, now with its captions.
    bytes_ += first.size() + second.size();
    pages_.back().captions = captions;
  } else {
    Page question;
    question.text = ReaderText(current_);
    question.captions = captions;
    Keep(std::move(question));
  }
  current_done_ = true;
  shown_kept_ = true;
  question_open_ = true;
  if (on_question_) on_question_(pages_.back());
}

void ReadingLog::ChoicePicked(int index) {
  if (!question_open_ || pages_.empty() || index < 0 || index > 1) return;
  pages_.back().picked = index;
  question_open_ = false;
}

void ReadingLog::Keep(Page page) {
  question_open_ = false;
  std::size_t size = page.text.size();
  if (page.captions) size += (*page.captions)[0].size() + (*page.captions)[1].size();
  bytes_ += size;
  pages_.push_back(std::move(page));
  // The oldest pages go first; the newest is kept whatever its size.
  while (pages_.size() > 1 && (pages_.size() > kMostPages || bytes_ > kMostBytes)) {
    const Page& oldest = pages_.front();
    std::size_t oldest_size = oldest.text.size();
    if (oldest.captions) oldest_size += (*oldest.captions)[0].size() + (*oldest.captions)[1].size();
    bytes_ -= oldest_size;
    pages_.pop_front();
  }
}

}  // namespace tavrin

// SPDX-License-Identifier: MIT
#include "ui/page_views.h"

#include <algorithm>
#include <optional>

#include "ui/view_arithmetic.h"

namespace tavrin {

void PageViews::SetArea(const QFont& font, double width, double height) {
  // Where in the text the current view began, and the one looked back at, to find the
  // reader's places again: each in the view that now holds its first row.
  // The places are kept as the reader reached them, not as the views fell at the last size,
  // so that going to full screen and back returns to the same views.
  const std::size_t reached_at = reached_at_;
  const std::optional<std::size_t> shown_at = shown_at_;
  layout_.SetFormat(font, width);
  height_ = std::max(1.0, height);
  Restart();
  Measure();
  while (full_ && layout_.RowStart(end_) <= reached_at) Advance();
  shown_ = reached_;
  reached_at_ = reached_at;
  if (shown_at) {
    while (shown_ > 0 && layout_.RowStart(starts_[shown_]) > *shown_at) --shown_;
    shown_at_ = shown_at;
  }
}

void PageViews::SetPage(const std::string& text) {
  if (!layout_.SetText(text)) Restart();
  Measure();
}

void PageViews::Restart() {
  starts_.assign(1, 0);
  reached_ = shown_ = 0;
  end_ = 0;
  full_ = false;
  reached_at_ = 0;
  shown_at_.reset();
}

void PageViews::Measure() {
  const int first = starts_[reached_];
  layout_.BreakPast(first, height_);
  end_ = ViewEnd(layout_.RowHeights(), first, height_);
  full_ = end_ < layout_.RowCount();
}

bool PageViews::Continue() {
  shown_at_.reset();
  if (LookingBack()) {
    shown_ = reached_;
    return true;
  }
  if (!full_) return false;
  Advance();
  reached_at_ = layout_.RowStart(starts_[reached_]);
  return true;
}

void PageViews::Advance() {
  starts_.push_back(end_);
  shown_ = ++reached_;
  Measure();
}

bool PageViews::ShowEarlier() {
  if (shown_ == 0) return false;
  --shown_;
  shown_at_ = layout_.RowStart(starts_[shown_]);
  return true;
}

bool PageViews::ShowLater() {
  if (shown_ == reached_) return false;
  ++shown_;
  shown_at_ = LookingBack() ? std::optional(layout_.RowStart(starts_[shown_])) : std::nullopt;
  return true;
}

PageViews::Span PageViews::Shown() const {
  if (LookingBack()) return {starts_[shown_], starts_[shown_ + 1]};
  return {starts_[reached_], end_};
}

QString PageViews::ShownText() const {
  const Span span = Shown();
  return layout_.PlainText(span.first, span.end);
}

}  // namespace tavrin

#include "ui/page_views.h"

#include <algorithm>

#include "ui/view_arithmetic.h"

namespace tavrin {

void PageViews::SetArea(const QFont& font, double width, double height) {
  // Where in the text the current view began, to find the reader's place again.
  const std::size_t reached_at = layout_.RowStart(starts_[reached_]);
  layout_.SetFormat(font, width);
  height_ = std::max(1.0, height);
  Restart();
  Measure();
  while (full_ && layout_.RowStart(end_) <= reached_at) Continue();
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
}

void PageViews::Measure() {
  const int first = starts_[reached_];
  layout_.BreakPast(first, height_);
  end_ = ViewEnd(layout_.RowHeights(), first, height_);
  full_ = end_ < layout_.RowCount();
}

bool PageViews::Continue() {
  if (LookingBack()) {
    shown_ = reached_;
    return true;
  }
  if (!full_) return false;
  starts_.push_back(end_);
  shown_ = ++reached_;
  Measure();
  return true;
}

bool PageViews::ShowEarlier() {
  if (shown_ == 0) return false;
  --shown_;
  return true;
}

bool PageViews::ShowLater() {
  if (shown_ == reached_) return false;
  ++shown_;
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

// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QString>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "ui/page_layout.h"

namespace tavrin {

/// The page as the reader sees it through the message window: in views, top to bottom, each
/// as many whole rows as fit. The current view is the latest the reader has reached; rows
/// arrive into it, and once a row no longer fits it is full and waits for the reader, who
/// then goes on to the next view. Earlier views of the page can be looked at again.
class PageViews {
 public:
  /// The rows of one view, [first, end).
  struct Span {
    int first = 0;
    int end = 0;
  };

  /// The font, and the area the rows are set in (`width` for the rows, `height` for the
  /// views). Rows are broken again; the reader stays at the text they had reached, and an
  /// earlier view looked at stays in view.
  void SetArea(const QFont& font, double width, double height);

  /// The page as the scenario holds it now (UTF-8). A page that continues the previous one
  /// keeps the reader's place; any other starts at its first view.
  void SetPage(const std::string& text);

  /// The current view is full and not the page's end: it waits for the reader.
  bool Waiting() const { return full_; }
  /// The reader is looking at an earlier view of the page.
  bool LookingBack() const { return shown_ < reached_; }

  /// The reader goes on: from a waiting view to the next one, from an earlier view back
  /// to the current one. Returns whether the view shown changed.
  bool Continue();
  /// The view before the one shown, and back towards the current one. Return whether the
  /// view shown changed.
  bool ShowEarlier();
  bool ShowLater();

  /// The view shown, its index among the page's views, and whether rows follow it.
  Span Shown() const;
  int ShownIndex() const { return shown_; }
  bool ShownHasMore() const { return LookingBack() || full_; }

  const PageLayout& Layout() const { return layout_; }
  /// The text of the view shown, as a reader has it (no marks are added here).
  QString ShownText() const;

 private:
  void Restart();
  // Finds the current view's end, breaking only the rows that takes.
  void Measure();
  // On to the next view, which the current one fills up to.
  void Advance();

  PageLayout layout_;
  double height_ = 1e300;  // until an area is given, one view holds everything
  std::vector<int> starts_ = {0};  // the first row of each view reached so far
  int reached_ = 0;
  int shown_ = 0;
  int end_ = 0;  // the current view's end
  bool full_ = false;
  // Where the reader went on to the current view, and to the view looked back at (none when
  // not looking back), in the text (bytes): their places, whatever size the views had since.
  std::size_t reached_at_ = 0;
  std::optional<std::size_t> shown_at_;
};

}  // namespace tavrin

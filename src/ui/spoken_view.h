// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include "ui/page_layout.h"
#include "ui/page_views.h"

namespace tavrin {

/// The text of `view`, rows of `layout`, as a screen reader is given it: read out as a
/// whole, a view should neither begin nor end in the middle of a word. Where a line of the
/// scenario runs on from one view into the next in the middle of a word, the next view takes
/// the end of the line's last row in this one, from the last place in that row a reading
/// may begin: after a sentence (。！？, or a closing bracket), else after a clause (、，),
/// else nowhere, and the rows are cut as they are. So the views of a page, read one after
/// the other, read its text once, each view from where the one before it stopped.
/// `rows_follow`: the page has rows after the view. Rows of one line are joined directly,
/// lines are on lines of their own (see `PageLayout::PlainText`).
QString SpokenView(const PageLayout& layout, PageViews::Span view, bool rows_follow);

}  // namespace tavrin

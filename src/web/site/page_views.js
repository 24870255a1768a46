// SPDX-License-Identifier: MIT
// The page as the reader sees it through the message window: in views, top to bottom, each
// as many whole rows as fit. The current view is the latest the reader has reached; rows
// arrive into it, and once a row no longer fits it is full and waits for the reader, who
// then goes on to the next view. Earlier views of the page can be looked at again.

export class PageViews {
  constructor() {
    this.rowCount = 0;
    this.perView = Infinity;  // until an area is given, one view holds everything
    this.Restart();
  }

  Restart() {
    this.starts = [0];  // the first row of each view reached so far
    this.reached = 0;
    this.shown = 0;
    this.end = 0;
    this.full = false;
  }

  /// The page's rows now, and how many rows a view holds. A page that continues the
  /// previous one (`continues`) keeps the reader's place; any other starts afresh.
  SetRows(rowCount, perView, continues) {
    if (!continues) this.Restart();
    this.rowCount = rowCount;
    if (perView !== this.perView) {
      // A new size: the reader stays at the row the current view began with.
      const reachedRow = this.starts[this.reached];
      this.perView = Math.max(1, perView);
      this.Restart();
      this.Measure();
      while (this.full && this.end <= reachedRow) this.Advance();
      return;
    }
    this.Measure();
  }

  Measure() {
    const first = this.starts[this.reached];
    this.end = Math.min(this.rowCount, first + Math.max(1, this.perView));
    if (first >= this.rowCount) this.end = first;
    this.full = this.end < this.rowCount;
  }

  Advance() {
    this.starts.push(this.end);
    this.shown = ++this.reached;
    this.Measure();
  }

  Waiting() { return this.full; }
  LookingBack() { return this.shown < this.reached; }
  ShownHasMore() { return this.LookingBack() || this.full; }

  /// From a waiting view to the next; from an earlier view back to the current one.
  Continue() {
    if (this.LookingBack()) {
      this.shown = this.reached;
      return true;
    }
    if (!this.full) return false;
    this.Advance();
    return true;
  }

  ShowEarlier() {
    if (this.shown === 0) return false;
    --this.shown;
    return true;
  }

  ShowLater() {
    if (this.shown === this.reached) return false;
    ++this.shown;
    return true;
  }

  /// The rows of the view shown, [first, end).
  Shown() {
    if (this.LookingBack()) return [this.starts[this.shown], this.starts[this.shown + 1]];
    return [this.starts[this.reached], this.end];
  }
}

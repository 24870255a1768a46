// SPDX-License-Identifier: MIT
// The message window: the page's text as real text of the page (for screen readers and
// pop-up dictionaries), set by the browser in a Japanese font by the Unicode line-breaking
// rules (Japanese between characters, never before 、。」, a run with no break opportunity
// anywhere), shown one view of whole rows at a time. A view with rows after it ends in "▽";
// a page read before shows dimmed, marked "◀" and how many pages back.
import {PageViews} from './page_views.js';

const kContinuationMark = '\u25BD';  // ▽
const kBackMark = '\u25C0';          // ◀

const Rows = (text) => text.split(/\r\n|\r|\n/);

export class MessageWindow {
  constructor(element) {
    this.element = element;
    this.viewElement = element.querySelector('#view');
    this.rowsElement = element.querySelector('#rows');
    this.mark = element.querySelector('#mark');
    this.backMark = element.querySelector('#back-mark');
    this.views = new PageViews();
    this.text = '';
    this.past = null;  // {text, back, views} while a page read before is shown
  }

  /// The page as the engine holds it (rows joined by CR LF).
  SetPage(text) {
    const continues = this.text !== '' && text.startsWith(this.text);
    this.text = text;
    if (!this.past) this.Render(this.text);
    this.views.SetRows(this.RowCount(this.text), this.PerView(), continues);
  }

  /// The font's size changed, or the window's: the rows are set again.
  Relayout() {
    this.Render(this.ShownText());
    this.views.SetRows(this.RowCount(this.text), this.PerView(), true);
    if (this.past) this.past.views.SetRows(this.RowCount(this.past.text), this.PerView(), true);
  }

  ShowPast(text, back, fromEnd) {
    const views = new PageViews();
    this.past = {text, back, views};
    views.SetRows(this.RowCount(text), this.PerView(), false);
    if (fromEnd) while (views.Continue()) { /* to its last view */ }
  }

  ShowPresent() {
    this.past = null;
    this.Render(this.text);
  }

  ShowingPast() { return this.past !== null; }
  ShownViews() { return this.past ? this.past.views : this.views; }
  ShownText() { return this.past ? this.past.text : this.text; }

  Render(text) {
    const rows = Rows(text);
    const children = this.rowsElement.children;
    while (children.length > rows.length) children[children.length - 1].remove();
    rows.forEach((row, i) => {
      if (i >= children.length) this.rowsElement.append(document.createElement('div'));
      if (children[i].textContent !== row) children[i].textContent = row;
    });
  }

  LineHeight() {
    return parseFloat(getComputedStyle(this.rowsElement).lineHeight) || 16;
  }

  PerView() {
    return Math.max(1, Math.floor(this.element.clientHeight / this.LineHeight() + 1e-6));
  }

  // The rows `text` takes at the window's width, as the browser breaks them.
  RowCount(text) {
    this.Render(text);
    const lineHeight = this.LineHeight();
    let count = 0;
    for (const child of this.rowsElement.children) {
      count += Math.max(1, Math.round(child.getBoundingClientRect().height / lineHeight));
    }
    if (text !== this.ShownText()) this.Render(this.ShownText());
    return count;
  }

  /// Shows the view the reader is at; returns the text of it as a reader has it.
  Draw() {
    this.Render(this.ShownText());
    this.element.classList.toggle('past', this.past !== null);
    const views = this.ShownViews();
    const [first, end] = views.Shown();
    const lineHeight = this.LineHeight();
    this.rowsElement.style.transform = `translateY(${-first * lineHeight}px)`;
    this.viewElement.style.height = `${Math.max(1, end - first) * lineHeight}px`;
    this.mark.textContent = views.ShownHasMore() ? kContinuationMark : '';
    if (views.ShownHasMore()) this.PlaceAfterRow(this.mark, end - 1, first, lineHeight);
    this.backMark.textContent = this.past ? `${kBackMark} ${this.past.back}` : '';
    if (this.past) {
      this.backMark.style.right = '0.5em';
      this.backMark.style.top = '0px';
    }
  }

  // Puts `mark` after the text of row `row`, counted from the page's first row.
  PlaceAfterRow(mark, row, first, lineHeight) {
    const base = this.rowsElement.getBoundingClientRect();
    let x = 0;
    let seen = 0;
    for (const child of this.rowsElement.children) {
      const rows = Math.max(1, Math.round(child.getBoundingClientRect().height / lineHeight));
      if (row < seen + rows) {
        const node = child.firstChild;
        if (node) {
          const range = document.createRange();
          range.selectNodeContents(node);
          const top = base.top + (row - seen) * lineHeight + child.offsetTop;
          for (const rect of range.getClientRects()) {
            if (rect.top < top + lineHeight / 2 && rect.bottom > top + lineHeight / 2) {
              x = Math.max(x, rect.right - base.left);
            }
          }
        }
        break;
      }
      seen += rows;
    }
    mark.style.left = `${x}px`;
    mark.style.top = `${(row - first) * lineHeight}px`;
  }
}

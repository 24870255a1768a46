// SPDX-License-Identifier: MIT
// What the reader has read, page by page, as the message window showed it: each page once
// it is complete, and each question with its two captions and the one picked. It lasts for
// the run, in memory only, and keeps the newest pages within a bound of pages and of bytes.

const kPageEnd = '\u25BC';  // ▼
const kMostPages = 1000;
const kMostBytes = 4 << 20;

const Bytes = (text) => new TextEncoder().encode(text).length;

/// A page of the scenario as a reader has it: its lines, no leading empty row, no "▼".
export function ReaderText(messageText) {
  let text = messageText.endsWith(kPageEnd) ? messageText.slice(0, -kPageEnd.length) : messageText;
  text = text.replace(/\r\n?/g, '\n');
  return text.replace(/^\n+/, '').replace(/\n+$/, '');
}

export class ReadingLog {
  constructor() {
    this.pages = [];
    this.bytes = 0;
    this.current = '';
    this.currentDone = true;
    this.questionOpen = false;
    this.shownKept = false;
  }

  MessageChanged(text) {
    const continues = !this.currentDone && text.length > this.current.length &&
                      text.startsWith(this.current);
    if (!continues && text !== this.current) this.Complete();
    if (text !== this.current) {
      this.current = text;
      this.currentDone = ReaderText(text) === '';
      this.shownKept = false;
    }
    if (this.current.endsWith(kPageEnd)) this.Complete();
  }

  ChoiceShown(first, second) {
    const captions = [first, second];
    const newest = this.pages[this.pages.length - 1];
    if (this.shownKept && newest && !newest.captions) {
      this.bytes += Bytes(first) + Bytes(second);
      newest.captions = captions;
    } else {
      this.Keep({text: ReaderText(this.current), captions, picked: -1});
    }
    this.currentDone = true;
    this.shownKept = true;
    this.questionOpen = true;
  }

  ChoicePicked(index) {
    if (!this.questionOpen || this.pages.length === 0) return;
    this.pages[this.pages.length - 1].picked = index;
    this.questionOpen = false;
  }

  PagesBefore() { return this.pages.length - (this.shownKept ? 1 : 0); }

  /// The page `back` pages before the one shown (0: the newest left); null past the oldest.
  PageBefore(back) {
    if (back < 0 || back >= this.PagesBefore()) return null;
    return this.pages[this.PagesBefore() - 1 - back];
  }

  Complete() {
    if (this.currentDone) return;
    this.currentDone = true;
    const text = ReaderText(this.current);
    if (text === '') return;
    this.Keep({text, captions: null, picked: -1});
    this.shownKept = true;
  }

  Keep(page) {
    this.questionOpen = false;
    const size = (p) => Bytes(p.text) + (p.captions ? Bytes(p.captions[0]) + Bytes(p.captions[1]) : 0);
    this.bytes += size(page);
    this.pages.push(page);
    while (this.pages.length > 1 && (this.pages.length > kMostPages || this.bytes > kMostBytes)) {
      this.bytes -= size(this.pages.shift());
    }
  }
}

/// A page kept, in the scenario's form again, with a question's captions, the one picked
/// marked "▶".
export function ShownForm(page) {
  let text = `\r\n${page.text.replace(/\n/g, '\r\n')}`;
  if (page.captions) {
    text += '\r\n';
    page.captions.forEach((caption, i) => {
      text += `\r\n${page.picked === i ? '\u25B6 ' : '\u3000 '}${caption}`;
    });
  }
  return text;
}

/// A page kept as plain text: the page, and a question's captions on lines of their own.
export function PlainForm(page) {
  return page.captions ? `${page.text}\n${page.captions.join('\n')}` : page.text;
}

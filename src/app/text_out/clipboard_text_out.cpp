// SPDX-License-Identifier: MIT
#include "app/text_out/clipboard_text_out.h"

#include <QClipboard>
#include <QGuiApplication>

namespace tavrin {

void ClipboardTextOut::Page(const QString& text) {
  QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
}

void ClipboardTextOut::Question(const QString& question, const QString& first,
                                const QString& second) {
  Page(QuestionText(question, first, second));
}

}  // namespace tavrin

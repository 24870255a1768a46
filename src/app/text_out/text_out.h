// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace tavrin {

/// Somewhere the text a reader is shown is handed out as it appears, for a pop-up
/// dictionary or any other reading aid: each page once, when it is complete, and each
/// question once, when its buttons appear. The text is as a reader has it: each line of the
/// scenario on a line of its own, no marks.
class TextOut {
 public:
  virtual ~TextOut() = default;
  virtual void Page(const QString& text) = 0;
  virtual void Question(const QString& question, const QString& first, const QString& second) = 0;
};

/// A question as one text, for the outs that carry only text: the question, then the two
/// captions, each on a line of its own.
QString QuestionText(const QString& question, const QString& first, const QString& second);

}  // namespace tavrin

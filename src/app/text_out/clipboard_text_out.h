// SPDX-License-Identifier: MIT
#pragma once

#include "app/text_out/text_out.h"

namespace tavrin {

/// The text handed out on the desktop's clipboard, where clipboard-watching text hookers
/// read it: each page, and each question as `QuestionText`, replaces what it holds. Needs
/// the QGuiApplication.
class ClipboardTextOut final : public TextOut {
 public:
  void Page(const QString& text) override;
  void Question(const QString& question, const QString& first, const QString& second) override;
};

}  // namespace tavrin

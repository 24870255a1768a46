// SPDX-License-Identifier: MIT
#include "app/text_out/text_out.h"

namespace tavrin {

QString QuestionText(const QString& question, const QString& first, const QString& second) {
  return question + u'\n' + first + u'\n' + second;
}

}  // namespace tavrin

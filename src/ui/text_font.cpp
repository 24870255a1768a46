// SPDX-License-Identifier: MIT
#include "ui/text_font.h"

#include <QFontMetrics>
#include <QStringList>
#include <algorithm>

namespace tavrin {
namespace {

// The Japanese fonts of the common desktops; fontconfig's own choice comes after them.
const QStringList& JapaneseFamilies() {
  static const QStringList families = {
      QStringLiteral("Noto Sans CJK JP"),
      QStringLiteral("Noto Sans JP"),
      QStringLiteral("Source Han Sans JP"),
      QStringLiteral("IPAexGothic"),
      QStringLiteral("IPAGothic"),
      QStringLiteral("TakaoPGothic"),
      QStringLiteral("Hiragino Sans"),
      QStringLiteral("Yu Gothic UI"),
      QStringLiteral("Meiryo"),
      QStringLiteral("MS UI Gothic"),
  };
  return families;
}

}  // namespace

QFont TextFont(int points) {
  QFont font;
  font.setFamilies(JapaneseFamilies());
  font.setPointSize(points);
  return font;
}

int TextSideMargin(const QFont& font) {
  // A quarter of an em keeps the text off the window's edges.
  return std::max(1, QFontMetrics(font).height() / 4);
}

}  // namespace tavrin

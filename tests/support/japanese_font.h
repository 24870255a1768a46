// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QStringList>

namespace tavrin::test_support {

/// The Japanese face the window asks for first, at `points`.
inline QFont JapaneseFont(int points) {
  QFont font;
  font.setFamilies({QStringLiteral("Noto Sans CJK JP")});
  font.setPointSize(points);
  return font;
}

}  // namespace tavrin::test_support

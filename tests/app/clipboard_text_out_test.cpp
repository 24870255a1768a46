// SPDX-License-Identifier: MIT
// The clipboard out fed directly: the clipboard holds the page, then the question.
#include "app/text_out/clipboard_text_out.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

namespace tavrin {
namespace {

TEST(ClipboardTextOut, HoldsTheLastPageOrQuestion) {
  ClipboardTextOut out;
  QClipboard& clipboard = *QGuiApplication::clipboard();
  out.Page(QStringLiteral("夏の終わりの夕暮れ。\n町の小さな郵便局で。"));
  EXPECT_EQ(clipboard.text(), QStringLiteral("夏の終わりの夕暮れ。\n町の小さな郵便局で。"));
  out.Question(QStringLiteral("どちらの道を行こう？"), QStringLiteral("＞川沿いの道"),
               QStringLiteral("＞森の近道"));
  EXPECT_EQ(clipboard.text(), QStringLiteral("どちらの道を行こう？\n＞川沿いの道\n＞森の近道"));
  out.Page(QStringLiteral("Next."));
  EXPECT_EQ(clipboard.text(), QStringLiteral("Next."));
}

}  // namespace
}  // namespace tavrin

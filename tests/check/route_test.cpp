// SPDX-License-Identifier: MIT
#include "app/check/route.h"

#include <gtest/gtest.h>

namespace tavrin {
namespace {

std::vector<int> Indices(const Route& route) {
  std::vector<int> indices;
  for (const Route::Choice& choice : route.Steps()) indices.push_back(choice.index);
  return indices;
}

TEST(Route, PathsThatPartKeepWhatTheyChoseBefore) {
  const Route before = Route().Then({3, 1, "＞A"}).Then({9, 0, "＞B"});
  const Route left = before.Then({20, 0, "＞C"});
  const Route right = before.Then({20, 1, "＞D"});
  EXPECT_EQ(Indices(left), (std::vector<int>{1, 0, 0}));
  EXPECT_EQ(Indices(right), (std::vector<int>{1, 0, 1}));
  EXPECT_EQ(right.Choices(), 3u);
  EXPECT_EQ(right.Steps().back().caption, "＞D");
  EXPECT_EQ(right.Steps().front().question_line, 3u);
  EXPECT_EQ(Indices(before), (std::vector<int>{1, 0})) << "a longer route changes no shorter one";
}

TEST(Route, ALongRouteIsLetGoWithoutAStackAsDeep) {
  Route route;
  for (int i = 0; i < 200'000; ++i) route = route.Then({static_cast<uint64_t>(i), i % 2, ""});
  EXPECT_EQ(route.Choices(), 200'000u);
  route = Route();  // a recursive release would overflow the stack here
  EXPECT_EQ(route.Choices(), 0u);
}

}  // namespace
}  // namespace tavrin

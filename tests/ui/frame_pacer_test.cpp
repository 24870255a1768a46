// SPDX-License-Identifier: MIT
#include "ui/frame_pacer.h"

#include <gtest/gtest.h>

#include <QTest>

namespace tavrin {
namespace {

TEST(FramePacer, GathersEveryChangeAskedForMeanwhileIntoOneApplication) {
  int applied = 0;
  FramePacer pacer([&applied] { ++applied; }, nullptr);
  for (int i = 0; i < 100; ++i) pacer.Request();
  EXPECT_EQ(applied, 0) << "never inside the event that asked";
  ASSERT_TRUE(QTest::qWaitFor([&applied] { return applied > 0; }));
  EXPECT_EQ(applied, 1);

  // Before a modal box: what waits is applied at once, and only once.
  pacer.Request();
  pacer.Request();
  pacer.ApplyNow();
  EXPECT_EQ(applied, 2);
}

TEST(FramePacer, TheFrameFollowsTheScreensRefreshRate) {
  FramePacer pacer([] {}, nullptr);
  // Screens that report nothing useful (a virtual one reports 0) count as 60 Hz.
  for (const auto& [hertz, interval_ms] : {std::pair{60.0, 16},
                                           {144.0, 6},
                                           {24.0, 41},
                                           {500.0, 2},
                                           {0.0, 16},
                                           {-1.0, 16},
                                           {1000.0, 16},
                                           {qQNaN(), 16}}) {
    pacer.SetRefreshRate(hertz);
    EXPECT_EQ(pacer.FrameIntervalMs(), interval_ms) << hertz << " Hz";
  }
}

}  // namespace
}  // namespace tavrin

// SPDX-License-Identifier: MIT
#include "ui/frame_pacer.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tavrin {

FramePacer::FramePacer(std::function<void()> apply, QObject* parent)
    : QObject(parent), apply_(std::move(apply)) {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &FramePacer::Apply);
}

void FramePacer::SetRefreshRate(qreal hertz) {
  // Screens that report nothing useful (virtual ones report 0) are taken as 60 Hz.
  if (!(hertz >= 24 && hertz <= 500)) hertz = 60;
  interval_ms_ = std::max(1, static_cast<int>(std::floor(1000.0 / hertz)));
}

void FramePacer::Request() {
  if (timer_.isActive()) return;  // already waiting; it will take this change along
  const qint64 elapsed = since_last_.isValid() ? since_last_.elapsed() : interval_ms_;
  timer_.start(static_cast<int>(std::max<qint64>(0, interval_ms_ - elapsed)));
}

void FramePacer::ApplyNow() {
  timer_.stop();
  Apply();
}

void FramePacer::Apply() {
  since_last_.restart();
  apply_();
}

}  // namespace tavrin

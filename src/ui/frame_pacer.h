// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

namespace tavrin {

/// Brings what the scenario changed onto the screen at most once per display frame. At
/// fast pacing the scenario shows a line every millisecond; laying each page out and
/// painting it would cost far more than the step itself and show nothing a reader could
/// see, so changes are gathered and applied together: at once when the screen is idle,
/// otherwise at the start of the next frame.
class FramePacer : public QObject {
  Q_OBJECT

 public:
  FramePacer(std::function<void()> apply, QObject* parent);

  /// The shortest time between two applications, from the screen's refresh rate.
  void SetRefreshRate(qreal hertz);
  int FrameIntervalMs() const { return interval_ms_; }

  /// Something changed: apply it after the current event, or at the next frame.
  void Request();
  /// Applies what is waiting now (before a modal box, so the window behind it is current).
  void ApplyNow();
  /// Drops what is waiting; nothing is applied any more until the next request.
  void Stop() { timer_.stop(); }

 private:
  void Apply();

  std::function<void()> apply_;
  QTimer timer_;
  QElapsedTimer since_last_;
  int interval_ms_ = 16;
};

}  // namespace tavrin

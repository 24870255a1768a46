// SPDX-License-Identifier: MIT
// The reader's input: the mouse on the message window and the picture area, the keyboard,
// the wheel; the views of a long page; a game dropped on the window; and the window's end
// from outside.
#include <QCoreApplication>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

#include "ui/key_repeats.h"
#include "ui/main_window.h"
#include "ui/message_label.h"

namespace tavrin {
namespace {

// One notch of a mouse wheel, in eighths of a degree.
constexpr int kWheelNotch = 120;

// The X11 protocol's DestroyNotify event, as the xcb platform hands it over.
constexpr uint8_t kXcbDestroyNotify = 17;
struct XcbDestroyNotify {
  uint8_t response_type;
  uint8_t pad0;
  uint16_t sequence;
  uint32_t event;
  uint32_t window;
};

// The one local file or folder being dragged, if that is what is dragged.
std::optional<std::filesystem::path> DraggedPath(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return std::nullopt;
  const QUrl url = data->urls().front();
  if (!url.isLocalFile() || url.toLocalFile().isEmpty()) return std::nullopt;
  return std::filesystem::path(QFile::encodeName(url.toLocalFile()).toStdString());
}

}  // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (drop_handler_ && DraggedPath(event->mimeData())) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const std::optional<std::filesystem::path> path = DraggedPath(event->mimeData());
  if (!drop_handler_ || !path) return;
  event->acceptProposedAction();
  // After the drop has been answered: what follows may put up a message box, and the
  // program the game came from waits for the answer.
  QMetaObject::invokeMethod(
      this,
      [this, dropped = *path] {
        if (drop_handler_) drop_handler_(dropped);
      },
      Qt::QueuedConnection);
}

void MainWindow::Lbl_MouseDown(MouseButton button) {
  if (LookingAtThePast()) return;  // the click only brings the reader back
  player_->Lbl_MouseDown(button);  // the pacing as chosen, whether or not a view waits
  SyncTimer();
}

void MainWindow::Lbl_Click() {
  if (LookingAtThePast()) {
    ReturnToPresent();
    return;
  }
  if (!player_->MessageWindowTakesInput()) return;
  // A waiting view (or an earlier one looked at again) is the window's own: the click
  // shows the next view, and the lines go on arriving. It is not a step of the story.
  PageViews& views = message_->Views();
  if (views.Waiting() || views.LookingBack()) {
    if (views.Continue()) ViewChanged();
    return;
  }
  player_->Lbl_Click();
}

void MainWindow::ViewChanged() {
  SyncTimer();
  pacer_.Request();
}

void MainWindow::SyncTimer() {
  const PacingTimer& timer = player_->TimSay();
  const bool held = (message_->Views().Waiting() && player_->PauseAtPageEnd()) ||
                    LookingAtThePast() || message_->Views().LookingBack();
  const int interval = std::max(1, timer.interval_ms);
  if (!timer.enabled || held || unloaded_) {
    pacing_timer_.stop();
    pacing_timer_.setInterval(interval);
    return;
  }
  // A new interval starts the count again, as a running timer given one does.
  const bool restart = !pacing_timer_.isActive() || pacing_timer_.interval() != interval;
  if (restart) pacing_timer_.start(interval);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  // Keys come here from the message window, and from a choice button that has no use
  // for them.
  const bool repeat = key_repeats_->IsRepeat(*event);
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      // A left click; held down, it turns the pages as fast as the keyboard repeats.
      Lbl_MouseDown(MouseButton::Left);
      Lbl_Click();
      return;
    case Qt::Key_Control:
      // A right click, once for each press; held down, it keeps the story running fast. It
      // acts when released, or once held a moment: Ctrl is also the first key of Ctrl+C,
      // which must find the page as it was.
      if (!repeat && !fast_key_down_) {
        fast_key_down_ = true;
        fast_key_acted_ = false;
        fast_key_.start(kFastKeyChordMs);
      }
      return;
    case Qt::Key_PageUp:
      ShowEarlierView();
      return;
    case Qt::Key_PageDown:
      ShowLaterView();
      return;
    default:
      if (event->modifiers() & Qt::ControlModifier) CancelFastKey();  // a chord with Ctrl
      QWidget::keyPressEvent(event);
  }
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
  // A release that only ends a repeat is followed by its press at once, which is marked as
  // a repeat and keeps the key held.
  if (event->key() == Qt::Key_Control && !event->isAutoRepeat()) {
    fast_key_.stop();
    const bool tapped = fast_key_down_ && !fast_key_acted_;
    fast_key_down_ = false;
    if (tapped) {
      Lbl_MouseDown(MouseButton::Right);
      Lbl_Click();
    }
    return;
  }
  QWidget::keyReleaseEvent(event);
}

void MainWindow::CancelFastKey() {
  fast_key_.stop();
  fast_key_acted_ = true;  // its release does nothing
}

void MainWindow::FastKeyHeld() {
  if (unloaded_) {
    fast_key_.stop();
    return;
  }
  if (!fast_key_acted_) {
    // Held past a chord's moment: the right click, then the story kept running.
    fast_key_acted_ = true;
    fast_key_.start(kNormalIntervalMs / 2);
    Lbl_MouseDown(MouseButton::Right);
    Lbl_Click();
    return;
  }
  // Fast pacing runs on by itself; what stops it (a label line, a page waiting under normal
  // pacing) gets another right click. A choice waits for the reader whatever is held.
  if (player_->MessageWindowTakesInput() &&
      (player_->PauseAtPageEnd() || player_->TickWouldIdle())) {
    Lbl_MouseDown(MouseButton::Right);
    Lbl_Click();
  }
}

void MainWindow::wheelEvent(QWheelEvent* event) {
  wheel_ += event->angleDelta().y();
  for (; wheel_ >= kWheelNotch; wheel_ -= kWheelNotch) ShowEarlierView();
  for (; wheel_ <= -kWheelNotch; wheel_ += kWheelNotch) ShowLaterView();
  event->accept();
}

bool MainWindow::nativeEvent(const QByteArray& type, void* message, qintptr* result) {
  // The window destroyed from outside (`xdotool windowclose`, a crashed window manager)
  // ends the program as a close does.
  if (type == "xcb_generic_event_t" && message != nullptr) {
    XcbDestroyNotify notice;
    std::memcpy(&notice, message, sizeof notice);
    if ((notice.response_type & 0x7f) == kXcbDestroyNotify &&
        notice.window == static_cast<uint32_t>(effectiveWinId())) {
      Form_Unload();
      QCoreApplication::exit(0);
      return true;
    }
  }
  return QWidget::nativeEvent(type, message, result);
}

}  // namespace tavrin

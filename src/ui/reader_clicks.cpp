// SPDX-License-Identifier: MIT
#include "ui/reader_clicks.h"

#include <QMouseEvent>
#include <optional>

namespace tavrin {
namespace {

// The button as the message window reports it; none for one that means nothing to the story.
std::optional<MouseButton> ReaderButton(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return MouseButton::Left;
    case Qt::RightButton:
      return MouseButton::Right;
    case Qt::MiddleButton:
      return MouseButton::Middle;
    default:
      return std::nullopt;
  }
}

}  // namespace

ReaderClicks::ReaderClicks(QWidget* widget) : QObject(widget), widget_(widget) {
  widget->installEventFilter(this);
}

bool ReaderClicks::eventFilter(QObject* watched, QEvent* event) {
  if (watched != widget_) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {  // a second press in quick succession is a press
      auto* press = static_cast<QMouseEvent*>(event);
      const std::optional<MouseButton> button = ReaderButton(press->button());
      if (!button) return true;
      // A press with no other button down starts a new click, whatever a hide cut short.
      if (held_ == Qt::NoButton || press->buttons() == press->button()) held_ = press->button();
      emit MouseDown(*button);
      return true;
    }
    case QEvent::MouseButtonRelease: {
      auto* release = static_cast<QMouseEvent*>(event);
      if (release->button() != held_) return true;
      held_ = Qt::NoButton;
      if (widget_->rect().contains(release->position().toPoint())) emit Click();
      return true;
    }
    default:
      return false;
  }
}

}  // namespace tavrin

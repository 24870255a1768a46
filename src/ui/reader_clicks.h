// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QWidget>

#include "scenario/mouse_button.h"

namespace tavrin {

/// The reader's mouse on a widget as the message window's events have it: a press of the
/// left, right or middle button, then a click when that same button comes up again over
/// the widget. Other buttons (back, forward) mean nothing to the story. Watches the message
/// window and the picture area, which take clicks alike.
class ReaderClicks : public QObject {
  Q_OBJECT

 public:
  /// Watches `widget`'s mouse events; they go no further.
  explicit ReaderClicks(QWidget* widget);

 signals:
  void MouseDown(MouseButton button);
  void Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* widget_;
  // The button whose release over the widget makes a click; NoButton when none is held.
  Qt::MouseButton held_ = Qt::NoButton;
};

}  // namespace tavrin

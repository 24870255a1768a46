// SPDX-License-Identifier: MIT
#include "ui/key_repeats.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace tavrin {

KeyRepeats::KeyRepeats(QObject* parent) : QObject(parent) {
  QCoreApplication::instance()->installEventFilter(this);
}

bool KeyRepeats::IsRepeat(const QKeyEvent& event) const {
  if (event.isAutoRepeat()) return true;
  // A press at the very moment of the same key's release is the other half of a repeat.
  // (Events made up without a time stamp carry 0 and are taken as they say.)
  if (event.type() != QEvent::KeyPress || event.timestamp() == 0) return false;
  const auto released = released_at_.constFind(event.key());
  return released != released_at_.constEnd() && *released == event.timestamp();
}

bool KeyRepeats::eventFilter(QObject*, QEvent* event) {
  // A key event reaches the filter once for each widget it is offered to; the last time
  // stamp is all that counts.
  if (event->type() == QEvent::KeyRelease) {
    const auto* release = static_cast<QKeyEvent*>(event);
    released_at_.insert(release->key(), release->timestamp());
  }
  return false;
}

}  // namespace tavrin

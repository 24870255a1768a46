// SPDX-License-Identifier: MIT
#pragma once

#include <QHash>
#include <QObject>

class QKeyEvent;

namespace tavrin {

/// Tells a key held down (the keyboard's auto-repeat) from a key pressed again. Qt marks
/// most repeats, but under X11 it misses some: the server sends each repeat as a release
/// and a press with the same time stamp, and Qt can mark them only when both have arrived
/// together. Watching every release of the application catches the rest.
class KeyRepeats : public QObject {
  Q_OBJECT

 public:
  /// Watches the key releases of the whole application.
  explicit KeyRepeats(QObject* parent);

  /// Whether `event` (a press or a release) is the keyboard repeating a key held down.
  bool IsRepeat(const QKeyEvent& event) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QHash<int, quint64> released_at_;  // key -> time stamp of its last release
};

}  // namespace tavrin

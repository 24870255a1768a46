#pragma once

#include <QFont>
#include <QLabel>

#include "scenario/player.h"
#include "ui/page_layout.h"

namespace tavrin {

/// The message window `Lbl`: shows the page of scenario text and reports the reader's
/// presses and clicks on it. It is a QLabel so that screen readers get the page as its
/// text, but it paints the page itself, fitted so that no row is ever cut off.
class MessageLabel : public QLabel {
  Q_OBJECT

 public:
  explicit MessageLabel(QWidget* parent);

  /// Shows `page` (rows joined by CR LF). Lays the page out at once; the caller decides how
  /// often, since a relayout costs more than the scenario step that asked for it.
  void SetPage(const QString& page);
  /// The font the window's layout gives the message window; a page may shrink below it.
  void SetLayoutFont(const QFont& font);

  const PageLayout& Page() const { return page_; }

 signals:
  /// A mouse button went down over the window.
  void MouseDown(MouseButton button);
  /// A button went down and came up again over the window (or Enter or Space was pressed).
  void Click();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Relayout();

  QString page_text_;
  QFont layout_font_;
  PageLayout page_;
  // The button whose release over the window makes a click; NoButton when none is held.
  Qt::MouseButton held_ = Qt::NoButton;
};

}  // namespace tavrin

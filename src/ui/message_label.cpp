#include "ui/message_label.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <optional>

namespace tavrin {
namespace {

std::optional<MouseButton> DesignButton(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return MouseButton::Left;
    case Qt::RightButton:
      return MouseButton::Right;
    case Qt::MiddleButton:
      return MouseButton::Middle;
    default:
      return std::nullopt;  // extra buttons (back, forward) mean nothing to the story
  }
}

}  // namespace

MessageLabel::MessageLabel(QWidget* parent) : QLabel(parent) {
  setObjectName(QStringLiteral("Lbl"));
  setWordWrap(true);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setTextFormat(Qt::PlainText);
  setFocusPolicy(Qt::StrongFocus);
  // Menus have nothing to offer here; the right button is the reader's fast-forward.
  setContextMenuPolicy(Qt::NoContextMenu);
  layout_font_ = font();
}

void MessageLabel::SetPage(const QString& page) {
  if (page == page_text_) return;
  page_text_ = page;
  setText(PageLayout::PlainText(page));
  Relayout();
  update();
}

void MessageLabel::SetLayoutFont(const QFont& font) {
  layout_font_ = font;
  setFont(font);
  Relayout();
  update();
}

void MessageLabel::Relayout() { page_.Lay(page_text_, layout_font_, contentsRect().size()); }

void MessageLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Window));
  painter.setPen(palette().color(QPalette::WindowText));
  page_.Draw(painter, contentsRect().topLeft());
}

void MessageLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Relayout();
}

void MessageLabel::mousePressEvent(QMouseEvent* event) {
  const std::optional<MouseButton> button = DesignButton(event->button());
  if (!button) return;
  // A press with no other button down starts a new click, whatever a hide cut short.
  if (held_ == Qt::NoButton || event->buttons() == event->button()) held_ = event->button();
  emit MouseDown(*button);
}

void MessageLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != held_) return;
  held_ = Qt::NoButton;
  if (rect().contains(event->position().toPoint())) emit Click();
}

void MessageLabel::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      // The keyboard's way of a left click: normal pacing, one step.
      emit MouseDown(MouseButton::Left);
      emit Click();
      return;
    default:
      QLabel::keyPressEvent(event);
  }
}

}  // namespace tavrin

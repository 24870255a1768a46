// SPDX-License-Identifier: MIT
#include "ui/accessible_message.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QList>
#include <QLocale>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <utility>

#include "ui/command_button.h"

namespace tavrin {

QString ReadOnlyText::text(int start, int end) const {
  return Content().mid(start, std::max(0, end - start));
}

int ReadOnlyText::characterCount() const { return static_cast<int>(Content().size()); }

QString ReadOnlyText::textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int* start,
                                   int* end) const {
  if (boundary != QAccessible::LineBoundary) {
    return QAccessibleTextInterface::textAtOffset(offset, boundary, start, end);
  }
  *start = 0;
  *end = characterCount();
  return Content();
}

QString ReadOnlyText::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary,
                                       int* start, int* end) const {
  if (boundary != QAccessible::LineBoundary) {
    return QAccessibleTextInterface::textBeforeOffset(offset, boundary, start, end);
  }
  *start = *end = 0;  // no line before the only one
  return QString();
}

QString ReadOnlyText::textAfterOffset(int offset, QAccessible::TextBoundaryType boundary,
                                      int* start, int* end) const {
  if (boundary != QAccessible::LineBoundary) {
    return QAccessibleTextInterface::textAfterOffset(offset, boundary, start, end);
  }
  *start = *end = characterCount();  // nor after it
  return QString();
}

QString ReadOnlyText::attributes(int, int* start, int* end) const {
  *start = 0;
  *end = characterCount();
  return QStringLiteral("language:%1;").arg(Language());
}

int ReadOnlyText::offsetAtPoint(const QPoint& point) const {
  return Area().contains(point) ? 0 : -1;
}

namespace {

// Where `area` of `widget` is on the screen.
QRect OnScreen(const QWidget& widget, const QRect& area) {
  return QRect(widget.mapToGlobal(area.topLeft()), area.size());
}

// A paragraph in the message window: a view, or the choice's question.
class Paragraph : public QAccessibleInterface, public ReadOnlyText {
 public:
  Paragraph(ReaderViews* views, QWidget* message_window) : views_(views), window_(message_window) {}
  using ReadOnlyText::text;

  bool isValid() const override { return !window_.isNull(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return window_ ? window_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override {
    return window_ ? QAccessible::queryAccessibleInterface(window_.data()) : nullptr;
  }
  QString text(QAccessible::Text) const override { return QString(); }
  void setText(QAccessible::Text, const QString&) override {}
  QAccessible::Role role() const override { return QAccessible::Paragraph; }
  QAccessible::State state() const override {
    QAccessible::State now;
    now.invisible = window_.isNull() || !window_->isVisible();
    now.multiLine = Content().contains(QLatin1Char('\n'));
    return now;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return nullptr;
  }

  QString Language() const override { return window_ ? window_->locale().bcp47Name() : QString(); }
  QRect Area() const override { return rect(); }

 protected:
  ReaderViews* views_;
  QPointer<QWidget> window_;
};

// A view published: its text for good, and the keyboard's focus while it is shown in the
// message window that has the keyboard.
class ViewParagraph final : public Paragraph {
 public:
  ViewParagraph(ReaderViews* views, QWidget* message_window, QString text)
      : Paragraph(views, message_window), text_(std::move(text)) {}

  // The text's area, inside the message window's margins.
  QRect rect() const override {
    return window_ ? OnScreen(*window_, window_->contentsRect()) : QRect();
  }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessible::State state() const override {
    QAccessible::State now = Paragraph::state();
    now.focused = views_->HasFocus(this);
    return now;
  }

  QString Content() const override { return text_; }

 private:
  QString text_;
};

// The choice: the question published last, and the shown buttons in it.
class ChoiceParagraph final : public Paragraph {
 public:
  using Paragraph::Paragraph;

  // The buttons' area, over all of the message window.
  QRect rect() const override {
    QRect area;
    for (CommandButton* button : Buttons()) area |= OnScreen(*button, button->rect());
    if (area.isEmpty() && window_) area = OnScreen(*window_, window_->rect());
    return area;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    for (CommandButton* button : Buttons()) {
      if (button->rect().contains(button->mapFromGlobal(QPoint(x, y)))) {
        return QAccessible::queryAccessibleInterface(button);
      }
    }
    return nullptr;
  }
  QAccessibleInterface* child(int index) const override {
    const QList<CommandButton*> buttons = Buttons();
    if (index < 0 || index >= buttons.size()) return nullptr;
    return QAccessible::queryAccessibleInterface(buttons[index]);
  }
  int childCount() const override { return static_cast<int>(Buttons().size()); }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (child == nullptr) return -1;
    const QList<CommandButton*> buttons = Buttons();
    for (int i = 0; i < buttons.size(); ++i) {
      if (buttons[i] == child->object()) return i;
    }
    return -1;
  }

  QString Content() const override { return views_->Text(); }

 private:
  QList<CommandButton*> Buttons() const {
    QList<CommandButton*> shown;
    if (!window_ || window_->parentWidget() == nullptr) return shown;
    for (CommandButton* button : window_->parentWidget()->findChildren<CommandButton*>(
             QString(), Qt::FindDirectChildrenOnly)) {
      if (!button->isHidden()) shown.append(button);
    }
    return shown;
  }
};

void Tell(QAccessibleInterface* object, QAccessible::Event what) {
  QAccessibleEvent event(object, what);
  QAccessible::updateAccessibility(&event);
}

}  // namespace

ReaderViews::ReaderViews(QWidget* window) : window_(window) {
  // The message window's focus, and every mouse button of the program's.
  QCoreApplication::instance()->installEventFilter(this);
  settle_.setSingleShot(true);
  connect(&settle_, &QTimer::timeout, this, &ReaderViews::Announce);
}

ReaderViews::~ReaderViews() {
  DropView(false);
  if (choice_ != 0) QAccessible::deleteAccessibleInterface(choice_);
}

void ReaderViews::Publish(const QString& text) {
  if (text == text_) return;
  text_ = text;
  if (ChoiceShown()) {
    // The question of the choice shown: the screen reader reads it with the button that has
    // the keyboard. The view before it stays, for the screen reader to see the keyboard go
    // from it into the choice.
    pending_ = false;
    return;
  }
  DropView(true);
  pending_ = true;
  Announce();
}

QAccessibleInterface* ReaderViews::Shown() { return ChoiceShown() ? Choice() : View(); }

QAccessibleInterface* ReaderViews::Choice() {
  if (choice_ == 0) {
    choice_ = QAccessible::registerAccessibleInterface(new ChoiceParagraph(this, window_));
  }
  return QAccessible::accessibleInterface(choice_);
}

bool ReaderViews::ChoiceShown() const {
  if (window_->parentWidget() == nullptr) return false;
  const QList<CommandButton*> buttons =
      window_->parentWidget()->findChildren<CommandButton*>(QString(), Qt::FindDirectChildrenOnly);
  return std::any_of(buttons.begin(), buttons.end(),
                     [](const CommandButton* button) { return !button->isHidden(); });
}

bool ReaderViews::HasFocus(const QAccessibleInterface* view) const {
  return focused_ != 0 && focused_ == view_ && QAccessible::accessibleInterface(view_) == view &&
         window_->hasFocus() && !ChoiceShown();
}

QAccessibleInterface* ReaderViews::View() {
  if (view_ != 0) {
    QAccessibleInterface* view = QAccessible::accessibleInterface(view_);
    if (view != nullptr && view_text_ == text_) return view;
    DropView(true);
  }
  if (text_.isEmpty()) return nullptr;
  auto* view = new ViewParagraph(this, window_, text_);
  view_text_ = text_;
  view_ = QAccessible::registerAccessibleInterface(view);
  Tell(view, QAccessible::ObjectCreated);
  return view;
}

void ReaderViews::DropView(bool tell) {
  if (view_ == 0) return;
  if (tell) {
    if (QAccessibleInterface* view = QAccessible::accessibleInterface(view_)) {
      Tell(view, QAccessible::ObjectDestroyed);
    }
  }
  QAccessible::deleteAccessibleInterface(view_);
  if (focused_ == view_) focused_ = 0;
  view_ = 0;
}

void ReaderViews::Announce() {
  if (!pending_ || !window_->hasFocus() || ChoiceShown()) return;
  if (QGuiApplication::mouseButtons() != Qt::NoButton) {
    settle_.start(kClickSettleMs);
    return;
  }
  if (since_click_.isValid() && since_click_.elapsed() < kClickSettleMs) {
    settle_.start(static_cast<int>(kClickSettleMs - since_click_.elapsed()));
    return;
  }
  QAccessibleInterface* view = View();
  if (view == nullptr) return;
  pending_ = false;
  focused_ = view_;
  Tell(view, QAccessible::Focus);
  emit Focused(view);
}

bool ReaderViews::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
      since_click_.start();
      break;
    case QEvent::FocusIn:
      if (watched != window_) break;
      // The keyboard back from a button stays on the window: a view already read is not read
      // again, nor the question of the choice just gone. Back from another window, it goes to
      // the view shown. Queued: the screen reader hears of the window's own focus first.
      if (static_cast<QFocusEvent*>(event)->reason() == Qt::ActiveWindowFocusReason) {
        pending_ = !text_.isEmpty();
      }
      QMetaObject::invokeMethod(this, &ReaderViews::Announce, Qt::QueuedConnection);
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tavrin

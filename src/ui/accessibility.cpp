// SPDX-License-Identifier: MIT
#include "ui/accessibility.h"

#include <QAccessibleWidget>
#include <QList>
#include <QLocale>

#include "ui/accessible_message.h"
#include "ui/command_button.h"
#include "ui/main_window.h"
#include "ui/message_label.h"
#include "ui/picture_view.h"

namespace tavrin {
namespace {

// The main window, a frame, holds the controls that are shown, but not the choice's
// buttons: they are in the choice, in the message window.
class WindowAccessible : public QAccessibleWidget {
 public:
  explicit WindowAccessible(MainWindow* window) : QAccessibleWidget(window, QAccessible::Window) {}

  int childCount() const override { return static_cast<int>(Shown().size()); }
  QAccessibleInterface* child(int index) const override {
    const QList<QWidget*> shown = Shown();
    if (index < 0 || index >= shown.size()) return nullptr;
    return QAccessible::queryAccessibleInterface(shown[index]);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (child == nullptr) return -1;
    return static_cast<int>(Shown().indexOf(qobject_cast<QWidget*>(child->object())));
  }

 private:
  QList<QWidget*> Shown() const {
    QList<QWidget*> shown;
    for (QWidget* control :
         widget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
      if (!control->isWindow() && !control->isHidden() &&
          qobject_cast<CommandButton*>(control) == nullptr) {
        shown.append(control);
      }
    }
    return shown;
  }
};

// The message window: what it holds is its one child, the view published or the choice
// (`ReaderViews`). It has no text of its own, so that the keyboard coming back to it says
// nothing until the next view.
class MessageAccessible : public QAccessibleWidget {
 public:
  explicit MessageAccessible(MessageLabel* label) : QAccessibleWidget(label, QAccessible::Client) {}

  int childCount() const override { return Views().Shown() != nullptr ? 1 : 0; }
  QAccessibleInterface* child(int index) const override {
    return index == 0 ? Views().Shown() : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child != nullptr && child == Views().Shown() ? 0 : -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    QAccessibleInterface* shown = Views().Shown();
    if (shown == nullptr || !shown->rect().contains(x, y)) return nullptr;
    if (QAccessibleInterface* deeper = shown->childAt(x, y)) return deeper;
    return shown;
  }
  QAccessibleInterface* focusChild() const override {
    QAccessibleInterface* shown = Views().Shown();
    return shown != nullptr && shown->state().focused ? shown : nullptr;
  }

 private:
  ReaderViews& Views() const { return static_cast<MessageLabel*>(widget())->ScreenReaderViews(); }
};

// A choice button: its caption, in the window's language, in the choice it belongs to.
class ChoiceButtonAccessible : public QAccessibleWidget, public ReadOnlyText {
 public:
  explicit ChoiceButtonAccessible(CommandButton* button)
      : QAccessibleWidget(button, QAccessible::Button) {}
  using ReadOnlyText::text;

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QAccessibleInterface* parent() const override {
    if (QWidget* window = Button()->parentWidget()) {
      if (auto* label = window->findChild<MessageLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        return label->ScreenReaderViews().Choice();
      }
    }
    return QAccessibleWidget::parent();
  }
  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Name && Button()->accessibleName().isEmpty()) return Button()->text();
    return QAccessibleWidget::text(kind);
  }
  QAccessible::State state() const override {
    QAccessible::State now = QAccessibleWidget::state();
    now.pressed = Button()->isDown();
    return now;
  }

  QStringList actionNames() const override {
    return QStringList(pressAction()) + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& action) override {
    if (action == pressAction()) {
      Button()->click();
      return;
    }
    QAccessibleWidget::doAction(action);
  }

  QString Content() const override { return text(QAccessible::Name); }
  QString Language() const override { return Button()->locale().bcp47Name(); }
  QRect Area() const override { return rect(); }

 private:
  CommandButton* Button() const { return static_cast<CommandButton*>(widget()); }
};

QAccessibleInterface* MakeAccessible(const QString&, QObject* object) {
  if (auto* label = qobject_cast<MessageLabel*>(object)) return new MessageAccessible(label);
  if (auto* button = qobject_cast<CommandButton*>(object))
    return new ChoiceButtonAccessible(button);
  // A plain top-level widget is a "filler" to screen readers; the main window is a frame.
  if (auto* window = qobject_cast<MainWindow*>(object)) return new WindowAccessible(window);
  if (auto* picture = qobject_cast<PictureView*>(object)) {
    return new QAccessibleWidget(picture, QAccessible::Graphic);
  }
  return nullptr;
}

}  // namespace

void InstallAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(&MakeAccessible);
    return true;
  }();
  (void)installed;
}

}  // namespace tavrin

#include "ui/accessibility.h"

#include <QAccessibleWidget>
#include <QTextBoundaryFinder>

#include "ui/main_window.h"
#include "ui/message_label.h"
#include "ui/picture_view.h"

namespace tavrin {
namespace {

// The message window's text for screen readers: read-only, one language, no selection.
class MessageAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit MessageAccessible(MessageLabel* label)
      : QAccessibleWidget(label, QAccessible::StaticText) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Name) return Label()->ReaderText();
    return QAccessibleWidget::text(kind);
  }

  // QAccessibleTextInterface.
  QString text(int start, int end) const override {
    return Label()->ReaderText().mid(start, std::max(0, end - start));
  }
  int characterCount() const override { return static_cast<int>(Label()->ReaderText().size()); }
  QString attributes(int, int* start, int* end) const override {
    *start = 0;
    *end = characterCount();
    return QStringLiteral("language:ja;");
  }
  QRect characterRect(int) const override { return rect(); }
  int offsetAtPoint(const QPoint&) const override { return 0; }
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  int selectionCount() const override { return 0; }
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  void scrollToSubstring(int, int) override {}

 private:
  const MessageLabel* Label() const { return static_cast<const MessageLabel*>(widget()); }
};

QAccessibleInterface* MakeAccessible(const QString&, QObject* object) {
  if (auto* label = qobject_cast<MessageLabel*>(object)) return new MessageAccessible(label);
  // A plain top-level widget is a "filler" to screen readers; the main window is a frame.
  if (auto* window = qobject_cast<MainWindow*>(object)) {
    return new QAccessibleWidget(window, QAccessible::Window);
  }
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

// SPDX-License-Identifier: MIT
#pragma once

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QElapsedTimer>
#include <QObject>
#include <QRect>
#include <QString>
#include <QTimer>

class QWidget;

namespace tavrin {

/// Text for screen readers that cannot be edited, in one language: no caret to move, no
/// selection, and all of it one line, read as a whole.
class ReadOnlyText : public QAccessibleTextInterface {
 public:
  /// The text, and the BCP 47 name of its language.
  virtual QString Content() const = 0;
  virtual QString Language() const = 0;
  /// Where the text is on the screen.
  virtual QRect Area() const = 0;

  QString text(int start, int end) const override;
  int characterCount() const override;
  QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int* start,
                       int* end) const override;
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int* start,
                           int* end) const override;
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int* start,
                          int* end) const override;
  /// The language, as the attribute "language" of all of the text.
  QString attributes(int offset, int* start, int* end) const override;
  QRect characterRect(int) const override { return Area(); }
  int offsetAtPoint(const QPoint& point) const override;
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  int selectionCount() const override { return 0; }
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  void scrollToSubstring(int, int) override {}
};

/// What screen readers are given of the message window: the views published, and the
/// choice shown over it.
///
/// Each view published is an object of its own in the accessibility tree, the message
/// window's only child: a paragraph in the window's language (its `QLocale`) that never
/// changes, which is read as one line. While the message window has the keyboard, a new view
/// takes the screen reader's focus as it is published, so it is read out once, whole, as it
/// appears; the focus comes back to the view being shown when the window is activated again.
/// A view that comes of a click takes it a moment later (`kClickSettleMs`): screen readers
/// hear of a click late (AT-SPI polls the pointer, every 100 ms while it is still), and Orca
/// then stops speaking and takes the focused object under the pointer as where the reader is.
///
/// While a choice is shown the message window holds the choice instead: a paragraph of its
/// question, in which the shown buttons lie. The button that gets the keyboard is read after
/// its question, which is not read as a view of its own; the question stays with the choice,
/// so that when the choice goes (and the keyboard comes back to the message window) nothing
/// is read until the next view.
class ReaderViews : public QObject {
  Q_OBJECT

 public:
  /// Views for the message window `window`, whose siblings are the choice's buttons.
  explicit ReaderViews(QWidget* window);
  ~ReaderViews() override;

  ReaderViews(const ReaderViews&) = delete;
  ReaderViews& operator=(const ReaderViews&) = delete;

  /// How long after a mouse button went down or up a view comes to a screen reader.
  static constexpr int kClickSettleMs = 300;

  /// The text published last.
  const QString& Text() const { return text_; }
  /// `text` is the view shown now, complete (empty: none).
  void Publish(const QString& text);

  /// The message window's child: the choice while one is shown, else the view published;
  /// null while that is empty.
  QAccessibleInterface* Shown();
  /// The choice, whether shown or not: one object for as long as the window lives.
  QAccessibleInterface* Choice();
  /// Whether a choice button is shown.
  bool ChoiceShown() const;
  /// Whether the screen reader's focus is on `view`: it is the view shown and has been given
  /// the focus, in the message window that has the keyboard, with no choice over it.
  bool HasFocus(const QAccessibleInterface* view) const;

 signals:
  /// `view` has been given the screen reader's focus (whether or not one is listening).
  void Focused(QAccessibleInterface* view);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QAccessibleInterface* View();
  void DropView(bool tell);
  void Announce();

  QWidget* window_;
  QString text_;
  QAccessible::Id view_ = 0;  // the view's object, 0 while none is made
  QString view_text_;         // and its text
  QAccessible::Id focused_ = 0;  // the view given the focus last
  QAccessible::Id choice_ = 0;
  bool pending_ = false;  // the text published is still to be given the focus
  QElapsedTimer since_click_;  // since a mouse button last went down or up
  QTimer settle_;
};

}  // namespace tavrin

#pragma once

#include <QColor>
#include <QPushButton>

namespace tavrin {

/// A choice button, `Com(0)` or `Com(1)`: a push button drawn as a flat face of one colour
/// with its caption centred, instead of the platform's button. The arrow keys move to the
/// other choice and Enter picks this one, as Space already does.
class CommandButton : public QPushButton {
  Q_OBJECT

 public:
  /// The face colour, RGB(192, 192, 255).
  static constexpr QRgb kFace = qRgb(192, 192, 255);

  CommandButton(int index, QWidget* parent);

  int Index() const { return index_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  int index_;
};

}  // namespace tavrin

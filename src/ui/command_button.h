// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QPushButton>

namespace tavrin {

class KeyRepeats;

/// A choice button, `Com(0)` or `Com(1)`: a push button drawn as a flat face of one colour
/// with its caption centred, instead of the platform's button, with a lighter face under
/// the mouse, a darker one while pressed and a ring that shows the keyboard's choice. The
/// arrow keys move to the other choice; Enter picks this one, as Space does. A key acts
/// only when pressed while the button is shown: its auto-repeat never does, so a key held
/// to turn pages cannot take a choice the reader has not seen.
class CommandButton : public QPushButton {
  Q_OBJECT

 public:
  /// The face colour, RGB(192, 192, 255).
  static constexpr QRgb kFace = qRgb(192, 192, 255);
  /// The face under the mouse and while pressed, and the focus ring: the face lightened,
  /// darkened, and a deep blue of the same hue that stands out against all of them.
  static constexpr QRgb kHoverFace = qRgb(216, 216, 255);
  static constexpr QRgb kPressedFace = qRgb(160, 160, 232);
  static constexpr QRgb kFocusRing = qRgb(24, 24, 120);

  CommandButton(int index, const KeyRepeats* repeats, QWidget* parent);

  /// The width of the focus ring in device-independent pixels.
  static int FocusRingWidth(int button_height);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  const KeyRepeats* repeats_;
};

}  // namespace tavrin

// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace tavrin {

/// What the scenario engine shows, as the engine tells it. The engine owns every value it
/// reads back (the page text, whether a choice is shown, the pacing timer), so a front end
/// only renders what it is told here and never has to be asked.
class Presentation {
 public:
  virtual ~Presentation() = default;

  /// The message window's whole text (rows joined by CR LF) and whether it is shown.
  virtual void MessageChanged(const std::string& text, bool visible) = 0;

  /// Choice button `index` (0 or 1) now carries `caption` and is shown or hidden.
  virtual void ChoiceChanged(int index, const std::string& caption, bool visible) = 0;

  /// The pacing timer is now enabled or not, at `interval_ms`. The front end ticks
  /// `Player::TimSay_Timer` at that interval while it is enabled.
  virtual void TimerChanged(bool enabled, int interval_ms) = 0;

  /// A picture line names `name` (the line from its sixth character on, as written).
  /// The picture area is cleared and shows the picture `name + ".jpg"` of the game's img
  /// folder, or the last picture that loaded when `name` is empty; a picture that does not
  /// load leaves it black. Nothing comes back: a failure here never concerns the scenario.
  virtual void ShowPicture(const std::string& name) = 0;

  /// A step has ended, and the next step starts with a picture line naming `name`: a front
  /// end may decode that picture while the reader reads. What shows is still decided by
  /// `ShowPicture` when the line is reached.
  virtual void PictureAhead(const std::string& /*name*/) {}

  /// A modal message box with `text` and an OK button; returns once it is dismissed.
  virtual void Alert(const std::string& text) = 0;
};

}  // namespace tavrin

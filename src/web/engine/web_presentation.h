// SPDX-License-Identifier: MIT
#pragma once

#include <emscripten/val.h>

#include <memory>
#include <string>

#include "game_files/game_folder.h"
#include "scenario/presentation.h"

namespace tavrin {

/// What the engine tells the page, handed on to the page's view object as it comes: its
/// methods messageChanged(text, visible), choiceChanged(index, caption, visible),
/// timerChanged(enabled, interval), showPicture(picture), pictureAhead(picture) and
/// alert(text). A picture line's
/// file is found and judged here, by the rules of the game's files and the picture limits;
/// the page decodes it.
class WebPresentation : public Presentation {
 public:
  WebPresentation(emscripten::val view, std::shared_ptr<GameFolder> game);

  void MessageChanged(const std::string& text, bool visible) override;
  void ChoiceChanged(int index, const std::string& caption, bool visible) override;
  void TimerChanged(bool enabled, int interval_ms) override;
  void ShowPicture(const std::string& name) override;
  void PictureAhead(const std::string& name) override;
  void Alert(const std::string& text) override;

  /// The picture file a picture line naming `name` shows, for the page: {name} alone for an
  /// empty name (the held picture again); otherwise {name, file, path, loads, jpeg, width,
  /// height}: the file as a reader names it and where its bytes are, whether it is within
  /// the limits by what it declares, and a JPEG's own size.
  emscripten::val PictureFor(const std::string& name);

 private:
  emscripten::val view_;
  std::shared_ptr<GameFolder> game_;
};

}  // namespace tavrin

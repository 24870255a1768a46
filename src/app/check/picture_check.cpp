// SPDX-License-Identifier: MIT
#include "app/check/picture_check.h"


namespace tavrin {

PictureCheck::PictureCheck(std::shared_ptr<GameFolder> game) : game_(game), holder_(game) {}

const PictureCheck::Result& PictureCheck::Check(const std::string& name) {
  auto found = checked_.find(name);
  if (found != checked_.end()) return found->second;

  Result result;
  const GameFile file = game_->Find("img\\" + name + ".jpg");
  result.file = file.Name();
  if (holder_.ShowPicture(name)) {
    result.state = State::Shows;
  } else {
    result.state = file.IsRegularFile() ? State::Broken : State::Missing;
  }
  ++(result.state == State::Shows ? shown_ : not_shown_);
  return checked_.emplace(name, std::move(result)).first->second;
}

}  // namespace tavrin

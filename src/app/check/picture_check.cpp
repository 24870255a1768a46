#include "app/check/picture_check.h"

#include "scenario/game_path.h"

namespace tavrin {

PictureCheck::PictureCheck(std::filesystem::path game_dir, std::filesystem::path img_dir)
    : game_dir_(std::move(game_dir)), names_(img_dir), holder_(img_dir) {}

const PictureCheck::Result& PictureCheck::Check(const std::string& name) {
  auto found = checked_.find(name);
  if (found != checked_.end()) return found->second;

  Result result;
  const std::filesystem::path file = names_.Resolve(name + ".jpg");
  result.file = file.lexically_relative(game_dir_).generic_string();
  std::error_code error;
  if (holder_.ShowPicture(name)) {
    result.state = State::Shows;
  } else {
    result.state = std::filesystem::is_regular_file(file, error) ? State::Broken : State::Missing;
  }
  ++(result.state == State::Shows ? shown_ : not_shown_);
  return checked_.emplace(name, std::move(result)).first->second;
}

}  // namespace tavrin

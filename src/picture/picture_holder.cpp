#include "picture/picture_holder.h"

#include <utility>

#include "picture/picture_file.h"

namespace tavrin {

PictureHolder::PictureHolder(std::filesystem::path img_dir) : names_(std::move(img_dir)) {}

bool PictureHolder::ShowPicture(const std::string& name) {
  showing_ = false;  // the area is cleared before anything is loaded
  if (!name.empty() && !Load(name)) return false;
  showing_ = !image_.isNull();
  return showing_;
}

bool PictureHolder::Load(const std::string& name) {
  const std::filesystem::path file = names_.Resolve(name + ".jpg");
  std::optional<PictureFile> picture = ReadPictureFile(file, target_size_);
  if (!picture) return false;
  image_ = std::move(picture->image);
  pixel_size_ = picture->own_size;
  file_ = file;
  return true;
}

}  // namespace tavrin

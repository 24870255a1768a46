// SPDX-License-Identifier: MIT
#include "picture/picture_holder.h"

#include <utility>

#include "picture/picture_file.h"

namespace tavrin {

PictureHolder::PictureHolder(std::shared_ptr<GameFolder> game)
    : game_(std::move(game)), folder_("img\\") {}

PictureHolder::PictureHolder(std::filesystem::path img_dir)
    : game_(GameFolder::OnDisk(std::move(img_dir))) {}

GameFile PictureHolder::FileNamed(const std::string& name) {
  return game_->Find(folder_ + name + ".jpg");
}

bool PictureHolder::ShowPicture(const std::string& name) {
  showing_ = false;  // the area is cleared before anything is loaded
  if (!name.empty() && !Load(name)) return false;
  showing_ = !image_.isNull();
  return showing_;
}

void PictureHolder::PictureComing(const std::string& name) {
  if (name.empty() || coming_.valid()) return;
  GameFile file = FileNamed(name);
  if (Unchanged(last_, file, last_file_, last_size_)) return;
  coming_file_ = file;
  coming_size_ = target_size_;
  coming_ = std::async(std::launch::async, [file = std::move(file), box = target_size_] {
    return ReadPictureFile(file, box);
  });
}

bool PictureHolder::Unchanged(const std::optional<PictureFile>& decoded, const GameFile& file,
                              const GameFile& decoded_file,
                              QSize decoded_size) const {
  return decoded && decoded->identity && decoded_file == file && decoded_size == target_size_ &&
         file.Identity() == decoded->identity;
}

std::optional<PictureFile> PictureHolder::Decode(const GameFile& file) {
  if (coming_.valid()) {
    // Waited for, whichever file it is: it is done or nearly, and only one runs at a time.
    std::optional<PictureFile> decoded = coming_.get();
    if (Unchanged(decoded, file, coming_file_, coming_size_)) {
      last_file_ = file;
      last_size_ = target_size_;
      return last_ = std::move(decoded);
    }
  }
  if (Unchanged(last_, file, last_file_, last_size_)) return last_;
  std::optional<PictureFile> decoded = ReadPictureFile(file, target_size_);
  last_ = decoded;
  last_file_ = file;
  last_size_ = target_size_;
  return decoded;
}

bool PictureHolder::Load(const std::string& name) {
  const GameFile file = FileNamed(name);
  std::optional<PictureFile> picture = Decode(file);
  if (!picture) return false;
  image_ = std::move(picture->image);
  pixel_size_ = picture->own_size;
  file_ = file;
  identity_ = picture->identity;
  return true;
}

bool PictureHolder::Refit(QSize device_pixels) {
  target_size_ = device_pixels;
  if (image_.isNull() || !identity_) return false;
  const bool more_across = device_pixels.width() > image_.width() && pixel_size_.width() > image_.width();
  const bool more_down =
      device_pixels.height() > image_.height() && pixel_size_.height() > image_.height();
  if (!more_across && !more_down) return false;
  if (file_.Identity() != identity_) return false;
  std::optional<PictureFile> picture = ReadPictureFile(file_, target_size_);
  if (!picture || picture->identity != identity_) return false;
  image_ = std::move(picture->image);
  last_ = PictureFile{pixel_size_, image_, identity_};
  last_file_ = file_;
  last_size_ = target_size_;
  return true;
}

}  // namespace tavrin

#pragma once

#include <QImage>
#include <QSize>
#include <filesystem>
#include <string>

#include "scenario/game_path.h"

namespace tavrin {

/// The picture area's content as both front ends see it: the held picture (the last one
/// that loaded, with its own pixel size) and whether the area shows it or is black.
/// `ShowPicture` follows the picture line's rules: the area is cleared first, a named
/// picture replaces the held one only when it loads, and an empty name shows the held
/// picture again. A picture that does not load is no error for the reader: the area simply
/// stays black, and nothing is said.
class PictureHolder {
 public:
  explicit PictureHolder(std::filesystem::path img_dir);

  /// The area's size in device pixels. A picture is decoded at its own size reduced in each
  /// direction to at most the area's (which is what stretching it would show); whether it
  /// loads does not depend on it. With none (scripted play), a JPEG is decoded at an eighth.
  void SetTargetSize(QSize device_pixels) { target_size_ = device_pixels; }

  /// Returns whether the area now shows a picture.
  bool ShowPicture(const std::string& name);

  bool Showing() const { return showing_; }
  /// The held picture as decoded (possibly at a reduced scale); null before the first load.
  const QImage& Image() const { return image_; }
  /// The held picture's own width and height in pixels.
  QSize PixelSize() const { return pixel_size_; }
  /// The held picture's file.
  const std::filesystem::path& File() const { return file_; }

 private:
  bool Load(const std::string& name);

  GameNameResolver names_;  // the pictures, in the game's picture folder
  QSize target_size_;
  QImage image_;
  QSize pixel_size_;
  std::filesystem::path file_;
  bool showing_ = false;
};

}  // namespace tavrin

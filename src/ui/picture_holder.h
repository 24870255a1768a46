#pragma once

#include <QImage>
#include <QSize>
#include <filesystem>
#include <string>

namespace tavrin {

/// The picture area's content as both front ends see it: the held picture (the last one
/// that loaded, with its own pixel size) and whether the area shows it or is black.
/// `ShowPicture` follows the picture line's rules: the area is cleared first, a named
/// picture replaces the held one only when it loads, and an empty name shows the held
/// picture again. Failures are silent by design; the area simply stays black.
class PictureHolder {
 public:
  explicit PictureHolder(std::filesystem::path img_dir);

  /// The area's size in device pixels. A picture at least that large in both directions is
  /// decoded at the area's size (the decoder's own scaled decoding, then one smooth
  /// resampling), which is what stretching it would show; smaller ones are decoded whole.
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
  const std::filesystem::path& ImgDir() const { return img_dir_; }

 private:
  bool Load(const std::string& name);

  std::filesystem::path img_dir_;
  QSize target_size_;
  QImage image_;
  QSize pixel_size_;
  std::filesystem::path file_;
  bool showing_ = false;
};

}  // namespace tavrin

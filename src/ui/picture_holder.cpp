#include "ui/picture_holder.h"

#include <QImageReader>
#include <QString>
#include <utility>

#include "scenario/game_path.h"

namespace tavrin {

PictureHolder::PictureHolder(std::filesystem::path img_dir) : img_dir_(std::move(img_dir)) {}

bool PictureHolder::ShowPicture(const std::string& name) {
  showing_ = false;  // the area is cleared before anything is loaded
  if (!name.empty() && !Load(name)) return false;
  showing_ = !image_.isNull();
  return showing_;
}

bool PictureHolder::Load(const std::string& name) {
  const std::filesystem::path file = ResolveGamePath(img_dir_, name + ".jpg");
  QImageReader reader(QString::fromStdString(file.string()));
  reader.setDecideFormatFromContent(true);
  reader.setAutoTransform(false);  // pictures are shown as stored, never rotated
  const QSize size = reader.size();
  if (!size.isValid() || size.isEmpty()) return false;

  // A picture at least as large as the area is decoded straight to the area's size: the
  // decoder skips most of the work for the pixels it would drop (it decodes at a scale of
  // n/8 and resamples once), and painting then has nothing left to scale.
  if (target_size_.isValid() && !target_size_.isEmpty() && size.width() >= target_size_.width() &&
      size.height() >= target_size_.height()) {
    reader.setScaledSize(target_size_);
  }
  QImage image = reader.read();
  if (image.isNull()) return false;
  // A file that decodes to another size than the one it reports is broken (a GIF under a
  // picture's name can do this); holding it would mislabel the picture's own size.
  if (!reader.scaledSize().isValid() && image.size() != size) return false;

  image_ = std::move(image);
  pixel_size_ = size;
  file_ = file;
  return true;
}

}  // namespace tavrin

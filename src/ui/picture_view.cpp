// SPDX-License-Identifier: MIT
#include "ui/picture_view.h"

#include <QPainter>
#include <cmath>
#include <utility>

namespace tavrin {

PictureView::PictureView(std::shared_ptr<GameFolder> game, QWidget* parent)
    : QWidget(parent), holder_(std::make_unique<PictureHolder>(std::move(game))) {
  setObjectName(QStringLiteral("Pic"));
  setAttribute(Qt::WA_OpaquePaintEvent);  // every pixel is painted, black or picture
  setFocusPolicy(Qt::NoFocus);
}

PictureView::PictureView(std::filesystem::path img_dir, QWidget* parent)
    : QWidget(parent), holder_(std::make_unique<PictureHolder>(std::move(img_dir))) {
  setObjectName(QStringLiteral("Pic"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
}

QSize PictureView::DevicePixelSize() const {
  const qreal ratio = devicePixelRatioF();
  return QSize(static_cast<int>(std::ceil(width() * ratio)),
               static_cast<int>(std::ceil(height() * ratio)));
}

void PictureView::ShowPicture(const std::string& name) {
  holder_->SetTargetSize(DevicePixelSize());
  shown_ = holder_->ShowPicture(name) ? holder_->Image().cacheKey() : 0;
  // Screen readers call the picture by the name the script gives it, without its folders.
  if (shown_ != 0 && !name.empty()) {
    held_name_ = QString::fromStdString(name.substr(name.find_last_of("/\\") + 1));
  }
  const QString accessible = shown_ != 0 ? held_name_ : QString();
  if (accessibleName() != accessible) setAccessibleName(accessible);
}

void PictureView::PictureComing(const std::string& name) {
  holder_->SetTargetSize(DevicePixelSize());
  holder_->PictureComing(name);
}

void PictureView::Refit() {
  const bool redecoded = holder_->Refit(DevicePixelSize());
  if (redecoded && shown_ != 0) shown_ = holder_->Image().cacheKey();
  update();
}

void PictureView::SetGame(std::shared_ptr<GameFolder> game) {
  holder_ = std::make_unique<PictureHolder>(std::move(game));
  holder_->SetTargetSize(DevicePixelSize());
  shown_ = 0;
  stretched_ = QImage();
  stretched_from_ = 0;
  held_name_.clear();
  setAccessibleName(QString());
}

void PictureView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (shown_ == 0 || holder_->Image().isNull()) {
    painter.fillRect(rect(), Qt::black);
    return;
  }
  const QSize device = DevicePixelSize();
  const qreal ratio = devicePixelRatioF();
  if (stretched_from_ != shown_ || stretched_.size() != device ||
      stretched_.devicePixelRatio() != ratio) {
    // Decoded at the area's size already, unless the picture is smaller than the area.
    const QImage& held = holder_->Image();
    stretched_ = held.size() == device
                     ? held
                     : held.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    stretched_.setDevicePixelRatio(ratio);
    stretched_from_ = shown_;
  }
  painter.drawImage(0, 0, stretched_);
}

}  // namespace tavrin

#include "lock/wayland/output_face.h"

#include "lock/linux/lock_painting.h"
#include "lock/linux/lock_screen.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <cmath>

namespace waylock {

namespace {

constexpr double kTwipsPerPixel = 15;

int pixels(double twips) {
    return static_cast<int>(std::nearbyint(twips / kTwipsPerPixel));
}

const QSize kBannerSize(pixels(lockgeo::kBannerWidth), pixels(lockgeo::kBannerHeight));

} // namespace

OutputFace::OutputFace(const LockScreen& screen, QImage picture)
    : screen_(screen), copied_(std::move(picture)) {}

void OutputFace::fit(QSize size, qreal ratio) {
    if (size == size_ && ratio == ratio_)
        return;
    size_ = size;
    ratio_ = ratio;
    const lockgeo::TwipsSize screen{size.width() * kTwipsPerPixel, size.height() * kTwipsPerPixel};
    if (face_)
        face_->fit(screen);
    else
        face_.emplace(screen, kTwipsPerPixel,
                      lockgeo::TwipsSize{lockpaint::kPanelWidth * kTwipsPerPixel,
                                         lockpaint::kPanelHeight * kTwipsPerPixel},
                      lockgeo::TwipsSize{kBannerSize.width() * kTwipsPerPixel,
                                         kBannerSize.height() * kTwipsPerPixel});
    // Scaled once to the surface's device pixels, so that every paint copies it 1:1.
    const QSize device = (QSizeF(size) * ratio).toSize();
    picture_ = copied_.isNull() || copied_.size() == device
                   ? copied_
                   : copied_.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    caption_ = QImage();
}

QRect OutputFace::panel() const {
    if (!face_)
        return {};
    return QRect(pixels(face_->panel().left), pixels(face_->panel().top), lockpaint::kPanelWidth,
                 lockpaint::kPanelHeight);
}

QRect OutputFace::banner() const {
    return QRect(QPoint(pixels(face_->banner().left), pixels(face_->banner().top)), kBannerSize);
}

QRegion OutputFace::step() {
    if (!face_)
        return {};
    const QRect before = banner();
    face_->step();
    // Where it was and where it is (its caption, changed or not, lies within).
    return QRegion(before) + banner();
}

const QImage& OutputFace::caption(qreal ratio) {
    if (caption_.isNull() || captionText_ != face_->caption()) {
        captionText_ = face_->caption();
        caption_ = lockpaint::bannerCaption(QString::fromStdString(captionText_),
                                            lockpaint::bannerFont(), kBannerSize, ratio);
    }
    return caption_;
}

void OutputFace::paintPicture(QPainter& painter, const QRect& area) const {
    if (picture_.isNull()) {
        painter.fillRect(area, Qt::white);
        return;
    }
    const QRectF source(QPointF(area.topLeft()) * ratio_, QSizeF(area.size()) * ratio_);
    painter.drawImage(QRectF(area), picture_, source);
}

void OutputFace::paintPanel(QPainter& painter) const {
    const QRect at = panel();
    painter.save();
    painter.translate(at.topLeft());
    lockpaint::paintPanelArtwork(painter);
    const lockpaint::PanelLayout layout = lockpaint::panelLayout(kTwipsPerPixel, kTwipsPerPixel);
    lockpaint::paintPasswordBox(painter, layout.box, screen_.box().length(),
                                QGuiApplication::font(), QGuiApplication::palette());
    lockpaint::paintPanelLines(painter, layout.lines, screen_.showsWrongPassword(),
                               screen_.showsCapsLock());
    painter.restore();
}

void OutputFace::paint(QPainter& painter, QSize size, qreal ratio, const QRegion& clip) {
    fit(size, ratio);
    // Back to front: the picture, the banner, the panel.
    for (const QRect& area : clip)
        paintPicture(painter, area);
    painter.setClipRegion(clip);
    if (clip.intersects(banner()))
        painter.drawImage(banner().topLeft(), caption(ratio));
    if (clip.intersects(panel()))
        paintPanel(painter);
    painter.setClipping(false);
}

} // namespace waylock

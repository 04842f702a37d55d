#include "lock/lock_picture.h"

#include "lock/panel_artwork.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

FrozenPicture::FrozenPicture(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Image1"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void FrozenPicture::setSnapshot(std::shared_ptr<const platform::DesktopSnapshot> snapshot) {
    snapshot_ = std::move(snapshot);
    rows_ = QImage();
    rowsArea_ = QRect();
    if (snapshot_ && snapshot_->shownByWindowSystem()) {
        // A window of its own, drawn by the window system; whatever lies in front of it
        // needs a window of its own too, or it would be drawn behind it.
        for (QObject* child : parentWidget()->children()) {
            auto* sibling = qobject_cast<QWidget*>(child);
            if (sibling && !sibling->isWindow())
                sibling->setAttribute(Qt::WA_NativeWindow);
        }
        if (internalWinId())
            showOnScreen();
    }
    update();
}

void FrozenPicture::showOnScreen() {
    drawnBySystem_ = snapshot_->showAsBackground(this);
    // The program then never paints it: its own pixels would hide the window system's.
    setAttribute(Qt::WA_PaintOnScreen, drawnBySystem_);
}

bool FrozenPicture::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
        rows_ = QImage();
        rowsArea_ = QRect();
        [[fallthrough]];
    case QEvent::WinIdChange: // a new window (another program may destroy the old one)
        if (snapshot_ && internalWinId())
            showOnScreen();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void FrozenPicture::drawPart(QPainter& painter, const QRect& area) const {
    if (!snapshot_) {
        painter.fillRect(QRect(QPoint(), area.size()), Qt::white);
        return;
    }
    // Whole rows, with a margin either side for something that travels in and out.
    const QRect rows(-area.width(), area.top(), width() + 2 * area.width(), area.height());
    if (!rowsArea_.contains(area)) {
        rows_ = snapshot_->pictureUnder(this, rows);
        rowsArea_ = rows;
    }
    const qreal ratio = rows_.devicePixelRatio();
    const QRectF source(QPointF(area.topLeft() - rowsArea_.topLeft()) * ratio,
                        QSizeF(area.size()) * ratio);
    painter.drawImage(QRectF(QPointF(), QSizeF(area.size())), rows_, source);
}

void FrozenPicture::paintEvent(QPaintEvent* event) {
    if (drawnBySystem_)
        return;
    QPainter painter(this);
    painter.translate(event->rect().topLeft());
    drawPart(painter, event->rect());
}

LockBanner::LockBanner(QWidget* parent, const FrozenPicture* picture)
    : QLabel(parent), picture_(picture) {
    setObjectName(QStringLiteral("Label1"));
    // It paints the picture under its caption itself, so nothing behind it is painted.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LockBanner::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        picture_->drawPart(painter, geometry().translated(-picture_->pos()));
    }
    QLabel::paintEvent(event);
}

LockPanel::LockPanel(QWidget* parent, const FrozenPicture* picture)
    : QWidget(parent), picture_(picture), artwork_(panelArtwork()) {
    setObjectName(QStringLiteral("Picture2"));
    setFixedSize(artwork_.size());
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool LockPanel::event(QEvent* event) {
    if (event->type() == QEvent::Move)
        shown_ = QImage();
    return QWidget::event(event);
}

void LockPanel::paintEvent(QPaintEvent*) {
    // Its rounded corners show the picture under it.
    if (shown_.isNull()) {
        const qreal ratio = devicePixelRatioF();
        shown_ = QImage((QSizeF(size()) * ratio).toSize(), QImage::Format_RGB32);
        shown_.setDevicePixelRatio(ratio);
        QPainter painter(&shown_);
        picture_->drawPart(painter, geometry().translated(-picture_->pos()));
        painter.drawPixmap(0, 0, artwork_);
    }
    QPainter(this).drawImage(0, 0, shown_);
}

void LockPanel::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void LockPanel::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

void LockPanel::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}

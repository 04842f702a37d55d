#include "lock/x11/lock_picture.h"

#include "lock/linux/lock_painting.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

// A window of its own over the lock window, whose background the window system draws
// from the snapshot. The program never paints it: its own pixels would hide those.
class SystemDrawnPicture : public QWidget {
public:
    SystemDrawnPicture(QWidget* parent, std::shared_ptr<const platform::DesktopSnapshot> snapshot)
        : QWidget(parent), snapshot_(std::move(snapshot)) {
        setAttribute(Qt::WA_DontCreateNativeAncestors);
        setAttribute(Qt::WA_NativeWindow);
        setAttribute(Qt::WA_PaintOnScreen);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    bool drawn() const { return background_.drawn(); }
    platform::ServerOverlay* overlay() {
        fresh_ = !overlay_;
        if (!overlay_)
            overlay_ = platform::ServerOverlay::create(this);
        return overlay_.get();
    }
    // The last overlay() made a new one, which has nothing yet.
    bool overlayIsNew() const { return fresh_; }

protected:
    bool event(QEvent* event) override {
        switch (event->type()) {
        case QEvent::WinIdChange: // also a new window, after another program destroyed one
            if (overlay_) {
                overlay_->forget(); // gone with the old window
                overlay_.reset();
            }
            [[fallthrough]];
        case QEvent::Move:
        case QEvent::Resize: {
            const bool was = background_.drawn();
            if (background_.follow(this, *snapshot_) != was)
                parentWidget()->update(); // it paints what this window cannot show
            break;
        }
        default:
            break;
        }
        return QWidget::event(event);
    }
    void paintEvent(QPaintEvent*) override {}
    QPaintEngine* paintEngine() const override { return nullptr; }

private:
    std::shared_ptr<const platform::DesktopSnapshot> snapshot_;
    std::unique_ptr<platform::ServerOverlay> overlay_;
    ShownBackground background_;
    bool fresh_ = false;
};

bool ShownBackground::follow(QWidget* widget, const platform::DesktopSnapshot& snapshot) {
    const WId window = widget->internalWinId();
    const QRect place(widget->mapToGlobal(QPoint()), widget->size());
    if (window && (window != window_ || place != place_)) {
        window_ = window;
        place_ = place;
        drawn_ = snapshot.showAsBackground(widget);
    }
    return drawn_;
}

FrozenPicture::FrozenPicture(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Image1"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void FrozenPicture::setSnapshot(std::shared_ptr<const platform::DesktopSnapshot> snapshot) {
    snapshot_ = std::move(snapshot);
    picture_ = QImage();
    delete shown_;
    shown_ = nullptr;
    parentBackground_ = ShownBackground();
    if (snapshot_ && snapshot_->shownByWindowSystem()) {
        shown_ = new SystemDrawnPicture(this, snapshot_);
        shown_->setGeometry(rect());
        for (QObject* child : parentWidget()->children())
            if (child != this && child->isWidgetType())
                child->installEventFilter(this);
        parentWidget()->installEventFilter(this);
        parentBackground_.follow(parentWidget(), *snapshot_);
        leaveRowsToProgram();
        shown_->show();
    }
    update();
}

bool FrozenPicture::drawnByWindowSystem() const {
    return shown_ && shown_->drawn();
}

void FrozenPicture::leaveRowsToProgram() {
    // A caption shown over the picture is not the program's to paint: it is hidden.
    QRegion rows;
    for (QObject* child : parentWidget()->children()) {
        auto* sibling = qobject_cast<QWidget*>(child);
        if (sibling && sibling != this && !sibling->isWindow() && !sibling->isHidden())
            rows += sibling->geometry().translated(-pos());
    }
    if (rows == programRows_)
        return;
    programRows_ = rows;
    picture_ = QImage();
    shown_->setMask(QRegion(rect()) - rows);
    update(rows);
}

bool FrozenPicture::event(QEvent* event) {
    if (event->type() == QEvent::Resize || event->type() == QEvent::Move) {
        picture_ = QImage();
        rowArea_ = QRect();
        if (shown_) {
            shown_->setGeometry(rect());
            programRows_ = QRegion();
            leaveRowsToProgram();
        }
    }
    return QWidget::event(event);
}

bool FrozenPicture::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (shown_ && watched == parentWidget()) {
        if (type == QEvent::WinIdChange || type == QEvent::Move || type == QEvent::Resize)
            parentBackground_.follow(parentWidget(), *snapshot_);
    } else if (shown_ && (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show ||
                          type == QEvent::Hide)) {
        leaveRowsToProgram();
    }
    return QWidget::eventFilter(watched, event);
}

void FrozenPicture::paintEvent(QPaintEvent* event) {
    const QRegion mine = drawnByWindowSystem() ? event->region() & programRows_ : event->region();
    QPainter painter(this);
    for (const QRect& r : mine) {
        painter.save();
        painter.translate(r.topLeft());
        paintPart(painter, r);
        painter.restore();
    }
}

void FrozenPicture::paintPart(QPainter& painter, const QRect& area) const {
    // Taken from the snapshot once: all of it, or the rows left to the program.
    const QRect wanted = drawnByWindowSystem() ? programRows_.boundingRect() : rect();
    if (snapshot_ && (picture_.isNull() || pictureArea_ != wanted)) {
        picture_ = snapshot_->pictureUnder(this, wanted);
        pictureArea_ = wanted;
    }
    const QRect target(QPoint(), area.size());
    if (picture_.isNull()) {
        painter.fillRect(target, Qt::white);
        return;
    }
    const qreal ratio = picture_.devicePixelRatio();
    painter.drawImage(target, picture_,
                      QRectF(QPointF(area.topLeft() - pictureArea_.topLeft()) * ratio,
                             QSizeF(area.size()) * ratio));
}

bool FrozenPicture::showOver(const QImage& caption, const QColor& ink, const QColor& outline,
                             const QRect& place) {
    platform::ServerOverlay* overlay = drawnByWindowSystem() ? shown_->overlay() : nullptr;
    if (!overlay)
        return false;
    // The row and the caption cross to the X server once each; a step sends no pixels.
    const qreal ratio = devicePixelRatioF();
    const QRect row(0, place.y(), width(), place.height());
    if (rowArea_ != row || shown_->overlayIsNew()) {
        overlay->setRow(qRound(row.y() * ratio), snapshot_->pictureUnder(this, row));
        rowArea_ = row;
        captionKey_ = 0;
    }
    if (captionKey_ != caption.cacheKey()) {
        overlay->setCaption(caption, ink, outline);
        captionKey_ = caption.cacheKey();
    }
    overlay->moveTo(qRound(place.x() * ratio));
    return true;
}

LockBanner::LockBanner(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("Label1"));
    setAttribute(Qt::WA_TranslucentBackground);
}

void LockBanner::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange)
        caption_ = QImage();
    QLabel::changeEvent(event);
}

void LockBanner::paintEvent(QPaintEvent*) {
    QPainter(this).drawImage(0, 0, caption());
}

const QImage& LockBanner::caption() {
    const qreal ratio = devicePixelRatioF();
    if (caption_.size() != (QSizeF(size()) * ratio).toSize() || drawnText_ != text()) {
        caption_ = lockpaint::bannerCaption(text(), font(), size(), ratio);
        drawnText_ = text();
    }
    return caption_;
}

LockPanel::LockPanel(QWidget* parent, const FrozenPicture* picture)
    : QWidget(parent), picture_(picture) {
    setObjectName(QStringLiteral("Picture2"));
    setFixedSize(lockpaint::kPanelWidth, lockpaint::kPanelHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool LockPanel::event(QEvent* event) {
    if (event->type() == QEvent::Move)
        shown_ = QImage();
    return QWidget::event(event);
}

void LockPanel::paintEvent(QPaintEvent*) {
    if (shown_.isNull()) {
        // Its rounded corners show the picture under it.
        const qreal ratio = devicePixelRatioF();
        shown_ = QImage((QSizeF(size()) * ratio).toSize(), QImage::Format_RGB32);
        shown_.setDevicePixelRatio(ratio);
        QPainter painter(&shown_);
        picture_->paintPart(painter, geometry().translated(-picture_->pos()));
        lockpaint::paintPanelArtwork(painter);
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

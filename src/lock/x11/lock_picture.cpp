#include "lock/x11/lock_picture.h"

#include "lock/linux/lock_painting.h"
#include "lock/x11/shared_picture.h"
#include "lock/x11/x11_connection.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

// A window of its own over the lock window, whose background the window system draws
// from the snapshot. The program never paints it: its own pixels would hide those.
class SystemDrawnPicture : public QWidget {
public:
    explicit SystemDrawnPicture(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_DontCreateNativeAncestors);
        setAttribute(Qt::WA_NativeWindow);
        setAttribute(Qt::WA_PaintOnScreen);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    // Shows `snapshot`, its window's background given together with `parent`'s.
    void setSnapshot(std::shared_ptr<const platform::DesktopSnapshot> snapshot,
                     ShownBackground& parentBackground) {
        snapshot_ = std::move(snapshot);
        background_ = ShownBackground();
        ShownBackground::followAll(
            {{&parentBackground, parentWidget()->parentWidget()}, {&background_, this}},
            *snapshot_);
        if (background_.drawn())
            parentWidget()->update(); // it paints what this window cannot show
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
        case QEvent::Resize:
            follow();
            break;
        default:
            break;
        }
        return QWidget::event(event);
    }
    void paintEvent(QPaintEvent*) override {}
    QPaintEngine* paintEngine() const override { return nullptr; }

private:
    void follow() {
        const bool was = background_.drawn();
        if (snapshot_ && background_.follow(this, *snapshot_) != was)
            parentWidget()->update(); // it paints what this window cannot show
    }

    std::shared_ptr<const platform::DesktopSnapshot> snapshot_;
    std::unique_ptr<platform::ServerOverlay> overlay_;
    ShownBackground background_;
    bool fresh_ = false;
};

bool ShownBackground::followAll(const std::vector<std::pair<ShownBackground*, QWidget*>>& widgets,
                                const platform::DesktopSnapshot& snapshot) {
    std::vector<ShownBackground*> moved;
    std::vector<QWidget*> movedWidgets;
    for (const auto& [background, widget] : widgets) {
        const WId window = widget->internalWinId();
        const QRect place(widget->mapToGlobal(QPoint()), widget->size());
        if (window && (window != background->window_ || place != background->place_)) {
            background->window_ = window;
            background->place_ = place;
            moved.push_back(background);
            movedWidgets.push_back(widget);
        }
    }
    if (!moved.empty()) {
        const std::vector<bool> drawn = snapshot.showAsBackground(movedWidgets);
        for (size_t i = 0; i < moved.size(); ++i)
            moved[i]->drawn_ = drawn[i];
    }
    return widgets.empty() ? false : widgets.front().first->drawn_;
}

FrozenPicture::FrozenPicture(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Image1"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void FrozenPicture::prepare() {
    // Where the X server can show the picture, the window it shows it in is made now.
    if (shown_ || !x11Connection())
        return;
    shown_ = new SystemDrawnPicture(this);
    shown_->setGeometry(rect());
    window()->winId();
    shown_->winId();
}

void FrozenPicture::setSnapshot(std::shared_ptr<const platform::DesktopSnapshot> snapshot) {
    snapshot_ = std::move(snapshot);
    picture_ = QImage();
    parentBackground_ = ShownBackground();
    if (snapshot_ && snapshot_->shownByWindowSystem()) {
        if (!shown_)
            shown_ = new SystemDrawnPicture(this);
        shown_->setGeometry(rect());
        for (QObject* child : parentWidget()->children())
            if (child != this && child->isWidgetType())
                child->installEventFilter(this);
        parentWidget()->installEventFilter(this);
        shown_->setSnapshot(snapshot_, parentBackground_);
        leaveRowsToProgram();
        shown_->show();
    } else {
        delete shown_;
        shown_ = nullptr;
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

void LockPanel::prepare() {
    if (!x11Connection())
        return;
    setAttribute(Qt::WA_NativeWindow);
    winId();
}

bool LockPanel::showDrawnAhead() {
    xcb_connection_t* c = x11Connection();
    const auto window = static_cast<xcb_window_t>(internalWinId());
    if (!c || !window)
        return false;
    const qreal ratio = devicePixelRatioF();
    QImage ahead((QSizeF(size()) * ratio).toSize(), QImage::Format_RGB32);
    ahead.setDevicePixelRatio(ratio);
    render(&ahead);
    showAsWindowBackground(c, window, xcb_setup_roots_iterator(xcb_get_setup(c)).data->root_depth,
                           reinterpret_cast<const uint32_t*>(ahead.constBits()), ahead.width(),
                           ahead.height());
    xcb_flush(c);
    drawnAhead_ = true;
    return true;
}

bool LockPanel::event(QEvent* event) {
    if (event->type() == QEvent::Move)
        shown_ = QImage();
    // A new window (after another program destroyed one) is whole at once again.
    if (event->type() == QEvent::WinIdChange && drawnAhead_ && internalWinId())
        showDrawnAhead();
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

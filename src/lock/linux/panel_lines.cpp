#include "lock/linux/panel_lines.h"

#include "lock/lock_box.h"

#include <QPainter>
#include <QTimer>

namespace {
// Light enough to read on the panel's navy, each its own colour.
const QColor kWrongColour(255, 190, 170);
const QColor kCapsColour(255, 222, 140);
} // namespace

PanelLines::PanelLines(QWidget* panel) : QWidget(panel), wrongShown_(new QTimer(this)) {
    setObjectName(QStringLiteral("lblStatus"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont verdana(QStringLiteral("Verdana"));
    verdana.setPixelSize(11);
    verdana.setBold(true);
    setFont(verdana);
    wrongShown_->setSingleShot(true);
    wrongShown_->setInterval(kWrongPasswordShownMs);
    connect(wrongShown_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

void PanelLines::showWrongPassword() {
    wrongShown_->start(); // from the latest wrong try
    update();
}

bool PanelLines::showsWrongPassword() const {
    return wrongShown_->isActive();
}

void PanelLines::setCapsLock(bool on) {
    if (on == capsLock_)
        return;
    capsLock_ = on;
    update();
}

void PanelLines::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (showsWrongPassword()) {
        painter.setPen(kWrongColour);
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::fromLatin1(kWrongPasswordText));
    }
    if (capsLock_) {
        painter.setPen(kCapsColour);
        painter.drawText(rect(), Qt::AlignRight | Qt::AlignVCenter,
                         QString::fromLatin1(kCapsLockText));
    }
}

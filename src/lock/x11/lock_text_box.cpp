#include "lock/x11/lock_text_box.h"

#include "lock/linux/lock_painting.h"

#include <QKeyEvent>
#include <QPainter>

LockTextBox::LockTextBox(QWidget* parent, const LockBox& box) : QWidget(parent), box_(box) {
    setObjectName(QStringLiteral("Text1"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAcceptDrops(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    setCursor(Qt::IBeamCursor);
}

QString LockTextBox::displayText() const {
    return QString(static_cast<qsizetype>(box_.length()), QLatin1Char('*'));
}

void LockTextBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    lockpaint::paintPasswordBox(painter, rect(), box_.length(), font(), palette());
}

LockBox::Key lockBoxKey(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return LockBox::Key::Enter;
    case Qt::Key_Backspace:
        return LockBox::Key::Backspace;
    case Qt::Key_Escape:
        return LockBox::Key::Clear;
    default:
        return LockBox::Key::Character;
    }
}

#include "lock/linux/lock_text_box.h"

#include <QKeyEvent>
#include <QPainter>

namespace {
constexpr int kMargin = 2; // as a frameless line edit leaves
}

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
    painter.fillRect(rect(), palette().color(QPalette::Base));
    const QFontMetrics metrics(font());
    const QString shown = displayText();
    // The end stays in view, as in a line edit typed into.
    const int room = width() - 2 * kMargin - 1;
    const int x = kMargin + std::min(0, room - metrics.horizontalAdvance(shown));
    const int top = (height() - metrics.height()) / 2;
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(x, top + metrics.ascent(), shown);
    // The caret stands still: a blink would repaint and reach the X server twice a second.
    const int caret = x + metrics.horizontalAdvance(shown);
    painter.fillRect(caret, top, 1, metrics.height(), palette().color(QPalette::Text));
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

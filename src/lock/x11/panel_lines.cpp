#include "lock/x11/panel_lines.h"

#include "lock/linux/lock_painting.h"
#include "lock/linux/lock_screen.h"

#include <QPainter>

PanelLines::PanelLines(QWidget* panel, const LockScreen& screen) : QWidget(panel), screen_(screen) {
    setObjectName(QStringLiteral("lblStatus"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void PanelLines::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    lockpaint::paintPanelLines(painter, rect(), screen_.showsWrongPassword(),
                               screen_.showsCapsLock());
}

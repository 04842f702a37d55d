#pragma once
// The lock's password box on screen (X11): one "*" for each character the box holds and a
// caret after them, painted from the box itself. Text reaches the box only through the
// lock's own handling of typed keys: this widget has no clipboard, selection, drop,
// undo or input-method path, and no context menu.

#include "lock/lock_box.h"

#include <QWidget>

class QKeyEvent;

class LockTextBox : public QWidget {
public:
    LockTextBox(QWidget* parent, const LockBox& box);
    // What it shows: one "*" a character.
    QString displayText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const LockBox& box_;
};

// What a key event does to the box.
LockBox::Key lockBoxKey(const QKeyEvent& event);

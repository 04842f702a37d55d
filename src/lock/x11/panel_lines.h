#pragma once
// The lock panel's short lines under the password box, as the lock shows them: that the
// password just given was wrong (on the left) and that Caps Lock is on (on the right).
// Clicks pass through to the panel.

#include <QWidget>

class LockScreen;

class PanelLines : public QWidget {
public:
    PanelLines(QWidget* panel, const LockScreen& screen);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const LockScreen& screen_;
};

#pragma once
// The lock panel's short lines under the password box: that the password just given was
// wrong (for a few seconds, on the left) and that Caps Lock is on (on the right). Clicks
// pass through to the panel.

#include <QWidget>

class QTimer;

class PanelLines : public QWidget {
public:
    explicit PanelLines(QWidget* panel);
    void showWrongPassword();
    void setCapsLock(bool on);
    bool showsWrongPassword() const;
    bool showsCapsLock() const { return capsLock_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer* wrongShown_;
    bool capsLock_ = false;
};

#pragma once
// The upgrade window's background (`Picture1`): a drawn gradient with a download
// symbol and the separator lines between the address, status and progress areas.

#include <QWidget>

class UpgradeBackdrop : public QWidget {
public:
    explicit UpgradeBackdrop(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

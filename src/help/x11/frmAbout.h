#pragma once
// The about box: a borderless picture with the version, a disclaimer, the copyright, the
// maker's web-site link and a Close button. The link turns blue under the pointer, dark
// blue when the pointer is over the box's free area, and opens the site when the left
// button that was pressed on it is released.

#include <QDialog>
#include <QPixmap>

class QLabel;
class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    frmAbout();

    QLabel* lblVersion;
    QLabel* Label3;
    QLabel* lblCopyright;
    QLabel* lblWebsite;
    QPushButton* cmdQuit;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* addLabel(const QString& name, const QString& text, double left, double top,
                     double width, double height);
    void lblWebsite_MouseMove(QMouseEvent* event);
    void lblWebsite_MouseUp(QMouseEvent* event);
    void cmdQuit_Click();

    QPixmap background_;
};

#pragma once
// The help window: the program's HTML help page in a browser with a Close button under
// it, opened in the top right corner of the screen; the button stays inside the window at
// every size the window can take. Links within the page and to other
// local files are followed in place; any other address goes to the desktop shell.

#include <QDialog>

class QPushButton;
class QTextBrowser;
class QUrl;

class frmHelp : public QDialog {
    Q_OBJECT
public:
    frmHelp();

    QTextBrowser* WBHelp;
    QPushButton* cmdClose;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void applyLayout();
    void fitOuterSize();
    void cmdClose_Click();
    void WBHelp_anchorClicked(const QUrl& link);

    // The window manager adds its frame after the first showing; the outer size is made
    // right once then.
    bool outerSizeFitted_ = false;
};

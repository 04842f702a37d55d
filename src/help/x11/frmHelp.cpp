#include "help/x11/frmHelp.h"

#include "help/help_layout.h"
#include "help/x11/web_link.h"
#include "platform/program_folder.h"
#include "platform/x11/forms.h"
#include "platform/x11/forms_services.h"
#include "platform/x11/twips_geometry.h"

#include <QFile>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>

namespace {

// The Close button's design size, in twips.
constexpr double kCloseWidth = 1215;
constexpr double kCloseHeight = 300;

QUrl helpPage() {
    return QUrl::fromLocalFile(
        QFile::decodeName(installationFilePath("help/vtrhelp.html").c_str()));
}

// Addresses the browser shows itself: files of the installation and built-in resources.
bool opensInPlace(const QUrl& address) {
    return address.isLocalFile() || address.scheme() == QLatin1String("qrc");
}

} // namespace

frmHelp::frmHelp() {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Help"));

    WBHelp = new QTextBrowser(this);
    WBHelp->setObjectName(QStringLiteral("WBHelp"));
    WBHelp->setOpenLinks(false);
    connect(WBHelp, &QTextBrowser::anchorClicked, this, &frmHelp::WBHelp_anchorClicked);

    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    QFont verdana(QStringLiteral("Verdana"));
    verdana.setPointSizeF(8.25);
    cmdClose->setFont(verdana);
    connect(cmdClose, &QPushButton::clicked, this, &frmHelp::cmdClose_Click);

    const WindowPlacement place = helpWindowPlacement(platform::forms().screen().width);
    move(pixelsX(place.left), pixelsY(place.top));
    resize(pixelsX(place.width), pixelsY(place.height));
    cmdClose->resize(pixelsX(kCloseWidth), pixelsY(kCloseHeight));
    setMinimumSize(pixelsX(kHelpMinimumWidth), pixelsY(kHelpMinimumHeight));

    WBHelp->setSource(helpPage());
    applyLayout();
}

void frmHelp::applyLayout() {
    // Measured inside the frame: title bars differ from one window manager to the next,
    // and the button must stay inside under every one.
    const HelpLayout layout =
        helpLayoutInside(twipsX(width()), twipsY(height()), kCloseWidth, kCloseHeight);
    WBHelp->setGeometry(pixelRect(0, 0, *layout.browserWidth, *layout.browserHeight));
    cmdClose->setGeometry(
        pixelRect(*layout.closeLeft, *layout.closeTop, kCloseWidth, kCloseHeight));
}

// Qt sizes a window without its frame; once the window manager has framed the window,
// the frame is taken off so that the outer size is the intended one.
void frmHelp::fitOuterSize() {
    if (outerSizeFitted_ || !isVisible())
        return;
    const QSize frame = frameGeometry().size() - size();
    if (frame.isNull())
        return;
    outerSizeFitted_ = true;
    const WindowPlacement place = helpWindowPlacement(platform::forms().screen().width);
    resize(pixelsX(place.width) - frame.width(), pixelsY(place.height) - frame.height());
    move(pixelsX(place.left), pixelsY(place.top));
}

void frmHelp::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    applyLayout();
}

void frmHelp::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    fitOuterSize();
}

void frmHelp::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    fitOuterSize();
}

void frmHelp::cmdClose_Click() {
    platform::unloadForm(this);
}

void frmHelp::WBHelp_anchorClicked(const QUrl& link) {
    const QUrl target = WBHelp->source().resolved(link);
    if (opensInPlace(target))
        WBHelp->setSource(target);
    else
        openWebPage(target.toString());
}

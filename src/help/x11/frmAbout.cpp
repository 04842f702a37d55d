#include "help/x11/frmAbout.h"

#include "help/x11/about_artwork.h"
#include "help/x11/web_link.h"
#include "platform/x11/forms.h"
#include "platform/x11/twips_geometry.h"

#include <QCursor>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace {

const char* const kDisclaimer =
    "This software is provided as it is.  You agree to the terms and conditions set out when "
    "you installed it. We shall not be liable for any direct, indirect, incidental or "
    "consequential damages which includes but is not limited to the use of this software, of "
    "loss of data, or profits, or business interuption however caused by or arising in any way.";

// The client area, in twips.
constexpr double kAboutWidth = 5865;
constexpr double kAboutHeight = 4440;

// The link's pointer: the program's own pointing hand, its hot spot on the fingertip.
QCursor linkPointer() {
    return QCursor(QPixmap(QStringLiteral(":/help/art/hand_pointer.png")), 6, 0);
}

QFont labelFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(10);
    return font;
}

} // namespace

frmAbout::frmAbout() {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Veltrane"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(pixelsX(kAboutWidth), pixelsY(kAboutHeight));
    setMouseTracking(true);
    background_ = aboutBackground(size());

    lblVersion =
        addLabel(QStringLiteral("lblVersion"), QStringLiteral("version 1.0"), 4920, 120, 780, 195);
    Label3 = addLabel(QStringLiteral("Label3"), QString::fromLatin1(kDisclaimer), 1560, 1440, 4215,
                      1335);
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setLabelColour(Label3, 0x00808080);
    lblCopyright = addLabel(QStringLiteral("lblCopyright"), QStringLiteral("\u00A9 2026 Corvenna"),
                            120, 4080, 1245, 195);
    lblWebsite = addLabel(QStringLiteral("lblWebsite"), QStringLiteral("https://www.corvenna.com"),
                          3720, 840, 2055, 195);
    setLabelColour(lblWebsite, kLinkDesignColour);
    lblWebsite->setMouseTracking(true);
    lblWebsite->installEventFilter(this);
    lblWebsite->setCursor(linkPointer());

    cmdQuit = new QPushButton(QStringLiteral("Close"), this);
    cmdQuit->setObjectName(QStringLiteral("cmdQuit"));
    cmdQuit->setGeometry(pixelRect(4440, 3960, 1215, 375));
    // The pointer over a control concerns that control only, never the box below it.
    cmdQuit->setAttribute(Qt::WA_NoMousePropagation);
    connect(cmdQuit, &QPushButton::clicked, this, &frmAbout::cmdQuit_Click);
}

QLabel* frmAbout::addLabel(const QString& name, const QString& text, double left, double top,
                           double width, double height) {
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    label->setFont(labelFont());
    label->setGeometry(pixelRect(left, top, width, height));
    label->setAttribute(Qt::WA_NoMousePropagation);
    return label;
}

void frmAbout::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(rect(), background_);
}

// Moves reach the box itself only over its free area (or while it holds the mouse).
void frmAbout::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    setLabelColour(lblWebsite, kLinkNormalColour);
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (watched != lblWebsite)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove:
        lblWebsite_MouseMove(static_cast<QMouseEvent*>(event));
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // Taking the press keeps the mouse with the link until the button is released.
        return true;
    case QEvent::MouseButtonRelease:
        lblWebsite_MouseUp(static_cast<QMouseEvent*>(event));
        return true;
    default:
        return QDialog::eventFilter(watched, event);
    }
}

void frmAbout::lblWebsite_MouseMove(QMouseEvent* event) {
    try {
        const QPointF at = event->position();
        highlightLink(lblWebsite, static_cast<float>(twipsX(1) * at.x()),
                      static_cast<float>(twipsY(1) * at.y()), kLinkNormalColour, kLinkHoverColour);
    } catch (...) {
        // A link that cannot be coloured keeps its colour.
    }
}

void frmAbout::lblWebsite_MouseUp(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    try {
        openWebPage(lblWebsite->text());
    } catch (...) {
        // The shell's own behaviour applies; the box says nothing.
    }
}

void frmAbout::cmdQuit_Click() {
    platform::unloadForm(this);
}

#include "platform/x11/qt_forms_services.h"
#include "platform/service_slot.h"

#include "platform/x11/forms.h"

#include <QApplication>
#include <QEventLoop>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace platform {

namespace {

void postKey(QWidget* target, int key) {
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
}

// While the desktop is locked a box would only sit under the lock (or flash above it) and
// block its clicks; what it has to say waits, with events running, until the unlock.
void waitUntilUnlocked() {
    while (QWidget* lock = loadedFormNamed(QStringLiteral("Form1"))) {
        QEventLoop unlocked;
        QObject::connect(lock, &QObject::destroyed, &unlocked, &QEventLoop::quit);
        if (unlocked.exec() != 0)
            return; // the program is ending
    }
}

} // namespace

FormsServices& forms() {
    return currentService<FormsServices, QtFormsServices>();
}

void setForms(FormsServices* service) {
    installedService<FormsServices>() = service;
}

QString normalizedLineBreaks(const QString& text) {
    static const QRegularExpression breaks(QStringLiteral("\r\n|\n\r|\r|\n"));
    return QString(text).replace(breaks, QStringLiteral("\n"));
}

int QtFormsServices::msgBox(const QString& text, int style, const QString& title) {
    waitUntilUnlocked();
    QMessageBox box;
    box.setWindowTitle(title);
    box.setText(normalizedLineBreaks(text));
    box.setTextFormat(Qt::PlainText);
    if (style == vbYesNoInformation) {
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setIcon(style == vbCritical ? QMessageBox::Critical : QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    const int answer = box.exec();
    if (style == vbYesNoInformation)
        return answer == QMessageBox::Yes ? vbYes : vbNo;
    return vbOK;
}

QString QtFormsServices::inputBox(const QString& prompt, const QString& title, double leftTwips,
                                  double topTwips, bool masked) {
    waitUntilUnlocked();
    QInputDialog box;
    box.setWindowTitle(title);
    // The prompt may be the user's own question: it is shown as typed, not read as markup,
    // and "&" is doubled because the label is the field's buddy and would take it for a
    // shortcut mark.
    box.setLabelText(normalizedLineBreaks(prompt).replace(QLatin1Char('&'), QStringLiteral("&&")));
    if (auto* label = box.findChild<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    box.setInputMode(QInputDialog::TextInput);
    box.setTextEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    // Wide enough for the title too: window managers cut a title that does not fit
    // between the title bar's icon and buttons. Their title fonts are bold and often
    // larger than the program's (half as wide again is allowed for), and about six lines'
    // height leaves room for the icon and buttons. The box's layout sets its size from
    // its contents, so the prompt's line is widened (the layout exists once a size is
    // asked for).
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const QFontMetrics titleMetrics(titleFont);
    const int titleWidth =
        titleMetrics.horizontalAdvance(title) * 3 / 2 + 6 * titleMetrics.height();
    box.minimumSizeHint();
    if (auto* label = box.findChild<QLabel*>(); label && box.layout()) {
        const QMargins margins = box.layout()->contentsMargins();
        label->setMinimumWidth(titleWidth - margins.left() - margins.right());
    }
    const ScreenTwips metrics = screen();
    // Halves go to the even pixel, as every twips conversion of the program does.
    box.move(static_cast<int>(std::nearbyint(leftTwips / metrics.twipsPerPixelX)),
             static_cast<int>(std::nearbyint(topTwips / metrics.twipsPerPixelY)));
    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

void QtFormsServices::sendKeys(const QString& keys) {
    QWidget* target = QApplication::focusWidget();
    if (!target)
        return;
    if (keys == QLatin1String("{Tab}"))
        postKey(target, Qt::Key_Tab);
}

void QtFormsServices::doEvents() {
    QCoreApplication::processEvents();
}

ScreenTwips QtFormsServices::screen() const {
    ScreenTwips metrics;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return metrics;
    metrics.twipsPerPixelX = 1440.0 / primary->logicalDotsPerInchX();
    metrics.twipsPerPixelY = 1440.0 / primary->logicalDotsPerInchY();
    metrics.width = primary->geometry().width() * metrics.twipsPerPixelX;
    metrics.height = primary->geometry().height() * metrics.twipsPerPixelY;
    return metrics;
}

} // namespace platform

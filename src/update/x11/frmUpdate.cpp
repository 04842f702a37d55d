#include "update/x11/frmUpdate.h"

#include "platform/file_attributes.h"
#include "platform/program_folder.h"
#include "platform/x11/ansi_text.h"
#include "platform/x11/forms.h"
#include "platform/x11/forms_services.h"
#include "platform/x11/transfer_control.h"
#include "platform/x11/twips_geometry.h"
#include "update/update_decisions.h"
#include "update/window_origin.h"
#include "update/x11/mdlInternet.h"
#include "update/x11/portable_upgrade.h"
#include "update/x11/program_end.h"
#include "update/x11/signature_check.h"
#include "update/x11/update_settings.h"
#include "update/x11/upgrade_backdrop.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& place) {
    auto* made = new QLabel(text, parent);
    made->setObjectName(QLatin1String(name));
    made->setGeometry(place);
    return made;
}

QString latin(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

frmUpdate::frmUpdate() {
    setObjectName(QStringLiteral("frmUpdate"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QString());

    const platform::ScreenTwips screen = platform::forms().screen();
    setFixedSize(pixelsX(kWidthTwips), pixelsY(kHeightTwips));

    Picture1 = new UpgradeBackdrop(this);
    Picture1->setGeometry(0, 0, width(), height());
    lblSource = label(Picture1, "lblSource", QStringLiteral("Source:"), {64, 14, 424, 18});
    lblDestination =
        label(Picture1, "lblDestination", QStringLiteral("Destination:"), {64, 38, 424, 18});
    lblStatus = label(Picture1, "lblStatus", QStringLiteral("Status:"), {64, 74, 424, 18});
    lblDownload =
        label(Picture1, "lblDownload", QStringLiteral("Transferring: 0 KB"), {64, 94, 424, 18});
    lblProgress = label(Picture1, "lblProgress", QString(), {10, 154, 478, 18});
    lblProgress->setFont(QFont(QStringLiteral("Tahoma"), 8));

    Picture2 = new QWidget(Picture1);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setGeometry(10, 124, 478, 24);
    ProgressBar1 = new QProgressBar(Picture2);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(2, 2, 474, 20);

    cmdCancel = new QPushButton(QStringLiteral("Cancel"), Picture1);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(400, 186, 88, 26);
    // Commands the window runs itself: one beyond the visible area, one hidden.
    cmdUpdate = new QPushButton(QStringLiteral("&Update"), Picture1);
    cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
    cmdUpdate->setGeometry(width() + 100, 186, 88, 26);
    cmdInstall = new QPushButton(QStringLiteral("Install"), Picture1);
    cmdInstall->setObjectName(QStringLiteral("cmdInstall"));
    cmdInstall->setGeometry(300, 186, 88, 26);
    connect(cmdCancel, &QPushButton::clicked, this, &frmUpdate::cmdCancel_Click);
    connect(cmdUpdate, &QPushButton::clicked, this, &frmUpdate::cmdUpdate_Click);
    connect(cmdInstall, &QPushButton::clicked, this, &frmUpdate::cmdInstall_Click);

    Inet1 = new platform::Transfer(updateSettings().downloadInactivityMs, this);
    Inet1->setObjectName(QStringLiteral("Inet1"));
    connect(Inet1, &platform::Transfer::responseStarted, this, &frmUpdate::Inet1_ResponseStarted);
    connect(Inet1, &platform::Transfer::bodyArrived, this, &frmUpdate::Inet1_BodyArrived);
    connect(Inet1, &platform::Transfer::ended, this, &frmUpdate::Inet1_Ended);

    // Form_Load
    const TwipsOrigin origin =
        upgradeWindowOrigin(screen.width, screen.height, kWidthTwips, kHeightTwips);
    move(pixelsX(origin.left), pixelsY(origin.top));
    strLocalPath = dataFolder() + "/";
    strFileName = kPortableUpgradeFileName;
    cmdInstall->hide();
    Picture2->hide();
    cmdUpdate_Click();
}

frmUpdate::~frmUpdate() {
    // Unloaded in the middle of a transfer: no half installer stays behind.
    Inet1->cancel();
    discardPartialFile();
}

void frmUpdate::cmdUpdate_Click() {
    platform::forms().doEvents();
    // The pause keeps the window painting and Cancel live instead of sleeping.
    QTimer::singleShot(updateSettings().pauseMs, this, &frmUpdate::issueRequest);
}

void frmUpdate::issueRequest() {
    if (cancelling_)
        return;
    ProgressBar1->setValue(0);
    lblStatus->setText(QString());
    const std::string source = platform::toAnsi(updateFileUrl(latin(strFileName)));
    lblSource->setText(
        latin("Download from: " + convertShortPath(std::stof(serverShortPath(source)) - 2) +
              strFileName));
    lblDestination->setText(latin(
        "Saving to: " + convertShortPath(std::stof(localShortPath(localFile()))) + strFileName));
    Picture2->show();
    if (!Inet1->execute(latin(source))) {
        mdlInternet::showUpdateMessage(downloadStartFailedMessage());
        closeAndEnd();
        return;
    }
    cmdUpdate->setEnabled(false);
}

void frmUpdate::Inet1_ResponseStarted() {
    const std::optional<int32_t> size =
        usableContentLength(platform::toAnsi(Inet1->header("Content-length")));
    if (!size) {
        downloadFailed();
        return;
    }
    expected_ = *size;
    received_ = 0;
    progress_.emplace(*size, strFileName);
    const std::string path = localFile();
    if (platform::fileExists(path) && std::remove(path.c_str()) != 0) {
        downloadFailed();
        return;
    }
    download_.setFileName(QFile::decodeName(path.c_str()));
    // Written in blocks as large as have arrived, so a buffer of the file would only add
    // a copy.
    if (!download_.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        downloadFailed();
}

void frmUpdate::Inet1_BodyArrived() {
    if (cancelling_ || !download_.isOpen())
        return;
    // Every chunk moves the display by a whole chunk's share, so while the body is still
    // coming only whole chunks are taken: the network hands it over in pieces of any size.
    // The chunks waiting now are written in blocks, then counted one by one; the widgets
    // take the display's latest state once, as nothing can repaint in between.
    const bool bodyComplete = !Inet1->stillExecuting();
    bool changed = false;
    for (;;) {
        qint64 wanted = std::min<qint64>(Inet1->bytesWaiting(), kBlockBytes);
        if (!bodyComplete)
            wanted -= wanted % kChunkBytes;
        const qint64 got = wanted > 0 ? Inet1->getChunk(block_.data(), wanted) : 0;
        if (got == 0)
            break;
        received_ += got;
        if (received_ > expected_ || download_.write(block_.data(), got) != got) {
            downloadFailed();
            return;
        }
        for (qint64 chunk = 0; chunk < got; chunk += kChunkBytes)
            changed = progress_->addChunk() || changed;
    }
    if (changed)
        showChunk(progress_->display());
}

void frmUpdate::showChunk(const ChunkDisplay& display) {
    ProgressBar1->setValue(static_cast<int>(std::nearbyint(display.bar)));
    lblProgress->setText(latin(display.progressLabel));
    setWindowTitle(latin(display.title));
    lblDownload->setText(latin(display.downloadLabel));
}

void frmUpdate::Inet1_Ended() {
    if (cancelling_ || !download_.isOpen()) {
        if (!cancelling_ && !Inet1->succeeded())
            downloadFailed(); // refused, or failed before any body
        return;
    }
    Inet1_BodyArrived();
    if (!download_.isOpen())
        return;
    // Only a body of exactly the announced length is an installer.
    if (!Inet1->succeeded() || received_ != expected_ || !download_.flush()) {
        downloadFailed();
        return;
    }
    download_.close();
    finishUpgrade(*this, localFile(), strFileName, updateSettings().publicKey,
                  opensslSignatureCheck);
}

std::optional<std::string> frmUpdate::fetchBeside(const std::string& name, std::size_t maxBytes) {
    const platform::FetchResult fetched = platform::openUrl(
        updateFileUrl(latin(name)), updateSettings().fetchTimeoutMs, static_cast<qint64>(maxBytes));
    if (!fetched.ok)
        return std::nullopt;
    return fetched.body.toStdString();
}

void frmUpdate::setStatus(const std::string& text) {
    lblStatus->setText(latin(text));
}

void frmUpdate::tell(const UpdateMessage& message) {
    mdlInternet::showUpdateMessage(message);
}

void frmUpdate::downloadFailed() {
    Inet1->cancel();
    discardPartialFile();
    progress_.reset();
    lblStatus->setText(latin(kDownloadFailedStatus));
}

void frmUpdate::discardPartialFile() {
    if (!download_.isOpen())
        return;
    download_.close();
    download_.remove();
}

void frmUpdate::cmdInstall_Click() {
    const std::string path = localFile();
    if (!platform::fileExists(path))
        return;
    if (!installPortableUpgrade(path, programFolder())) {
        lblStatus->setText(latin(kInstallFailedStatus));
        return;
    }
    // Unpacked, the archive has served.
    std::remove(path.c_str());
    closeAndEnd(programFolder() + "/appVTR");
}

void frmUpdate::cmdCancel_Click() {
    if (cancelling_)
        return;
    if (!Inet1->stillExecuting()) {
        closeAndEnd();
        return;
    }
    cancelling_ = true;
    platform::forms().doEvents();
    QTimer::singleShot(updateSettings().pauseMs, this, &frmUpdate::finishCancel);
}

void frmUpdate::finishCancel() {
    Inet1->cancel();
    download_.close();
    const std::string path = localFile();
    if (platform::fileExists(path) && std::remove(path.c_str()) != 0) {
        // The partial file stays in the way: the window stays open and the program runs.
        cancelling_ = false;
        return;
    }
    closeAndEnd();
}

void frmUpdate::done(int result) {
    cancelling_ = true;
    Inet1->cancel();
    discardPartialFile();
    QDialog::done(result);
}

void frmUpdate::closeAndEnd(const std::string& startAfter) {
    cancelling_ = true;
    hide();
    endProgramAndStart(startAfter);
}

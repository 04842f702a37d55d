#include "platform/x11/transfer_control.h"

#include <QCursor>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <algorithm>

namespace platform {

namespace {

// While it lives: the busy cursor, and the user's clicks and keys are dropped. Held back
// instead, they would all run once the wait ends, against windows that have changed.
class BusyWithoutInput : public QObject {
public:
    BusyWithoutInput() {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~BusyWithoutInput() override {
        QCoreApplication::instance()->removeEventFilter(this);
        QGuiApplication::restoreOverrideCursor();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            return true;
        default:
            return false;
        }
    }
};

} // namespace

Transfer::Transfer(int inactivityMs, QObject* parent, qint64 bufferBytes)
    : QObject(parent), inactivityMs_(inactivityMs), bufferBytes_(bufferBytes) {}

Transfer::~Transfer() {
    cancel();
}

bool Transfer::execute(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return false;
    cancel();
    started_ = false;
    succeeded_ = false;
    error_.clear();
    QNetworkRequest request(url);
    // The announced length must be the length of the bytes we store.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setTransferTimeout(inactivityMs_);
    reply_ = manager_.get(request);
    // A bounded buffer keeps a large body from piling up in memory while the receiver
    // is busy (a message box, Cancel's pause); reading resumes as it is taken. A few
    // megabytes, so that a fast download wakes the receiver seldom and it takes the body
    // in large blocks.
    reply_->setReadBufferSize(bufferBytes_);
    connect(reply_, &QNetworkReply::metaDataChanged, this, &Transfer::onMetaData);
    connect(reply_, &QNetworkReply::readyRead, this, &Transfer::onReadyRead);
    connect(reply_, &QNetworkReply::finished, this, &Transfer::onFinished);
    return true;
}

bool Transfer::stillExecuting() const {
    return reply_ && !reply_->isFinished();
}

void Transfer::cancel() {
    if (!reply_)
        return;
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    reply->disconnect(this);
    if (!reply->isFinished())
        reply->abort();
    reply->deleteLater();
}

QString Transfer::header(const QByteArray& name) const {
    return reply_ && started_ ? QString::fromLatin1(reply_->rawHeader(name)) : QString();
}

qint64 Transfer::bytesWaiting() const {
    return reply_ && reply_->isOpen() ? reply_->bytesAvailable() : 0;
}

qint64 Transfer::getChunk(char* data, qint64 maxBytes) {
    return reply_ && reply_->isOpen() ? std::max<qint64>(reply_->read(data, maxBytes), 0) : 0;
}

QByteArray Transfer::takeBody() {
    return reply_ && reply_->isOpen() ? reply_->readAll() : QByteArray();
}

void Transfer::onMetaData() {
    if (started_ || !reply_ || !error_.isEmpty())
        return;
    const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 300 && status < 400)
        return; // a redirect being followed; the final response comes later
    if (status < 200 || status >= 300) {
        fail(QStringLiteral("HTTP status %1").arg(status));
        return;
    }
    started_ = true;
    Q_EMIT responseStarted();
}

void Transfer::onReadyRead() {
    if (!started_)
        onMetaData();
    if (started_ && reply_)
        Q_EMIT bodyArrived();
}

void Transfer::onFinished() {
    if (!reply_)
        return;
    if (error_.isEmpty() && reply_->error() != QNetworkReply::NoError)
        error_ = reply_->errorString();
    if (error_.isEmpty() && !started_)
        onMetaData();
    if (error_.isEmpty() && !started_)
        error_ = QStringLiteral("no response");
    succeeded_ = error_.isEmpty();
    Q_EMIT ended();
}

void Transfer::fail(const QString& why) {
    // The reply runs to its end unread (an error page is small, and the inactivity
    // time-out bounds it); its end reports the failure.
    error_ = why;
}

FetchResult openUrl(const QString& address, int timeoutMs, qint64 maxBytes) {
    FetchResult result;
    // One byte more than allowed is enough to know the body is too long.
    Transfer transfer(timeoutMs, nullptr, maxBytes + 1);
    if (!transfer.execute(address)) {
        result.error = QStringLiteral("not an http or https address");
        return result;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&transfer, &Transfer::ended, &loop, &QEventLoop::quit);
    // Taken as it comes, so the transfer's bounded buffer never holds it back.
    bool tooLong = false;
    const auto take = [&] {
        result.body += transfer.takeBody();
        tooLong = tooLong || result.body.size() > maxBytes;
    };
    QObject::connect(&transfer, &Transfer::bodyArrived, &loop, [&] {
        take();
        if (tooLong)
            loop.quit();
    });
    timer.start(timeoutMs);
    {
        BusyWithoutInput busy;
        loop.exec();
    }
    const bool timedOut = !tooLong && transfer.stillExecuting();
    if (!timedOut && !tooLong)
        take(); // what came with the end
    if (timedOut || tooLong) {
        transfer.cancel();
        result.body.clear();
        result.error = tooLong ? QStringLiteral("too long") : QStringLiteral("timed out");
        return result;
    }
    result.ok = transfer.succeeded();
    result.error = transfer.errorText();
    if (!result.ok)
        result.body.clear();
    return result;
}

} // namespace platform

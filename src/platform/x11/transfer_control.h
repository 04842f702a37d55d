#pragma once
// HTTP(S) transfers for the update: a synchronous fetch of a small text that gives up
// after a time-out, and an asynchronous download whose body is taken in small chunks as
// it arrives, with cancel.

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>

class QNetworkReply;

namespace platform {

// One GET request at a time. Signals come on the thread that owns the object.
class Transfer : public QObject {
    Q_OBJECT
public:
    // A request that receives nothing for `inactivityMs` fails. At most `bufferBytes` of
    // the body wait to be taken; the rest waits on the network.
    explicit Transfer(int inactivityMs = 30000, QObject* parent = nullptr,
                      qint64 bufferBytes = kDefaultBufferBytes);
    static constexpr qint64 kDefaultBufferBytes = 8 << 20;
    ~Transfer() override;

    // Starts a GET of an http or https address; false (and nothing started) for any
    // other address. A running request is cancelled first.
    bool execute(const QString& address);
    // True from execute until the request ends or is cancelled.
    bool stillExecuting() const;
    // Stops the request at once; no further signals come from it.
    void cancel();

    // A header of the response (the name is case-insensitive); empty before the
    // response started or when it has none.
    QString header(const QByteArray& name) const;
    // How many bytes of the body are received and not yet taken.
    qint64 bytesWaiting() const;
    // Copies the next up to `maxBytes` of the body received so far into `data`; how many
    // bytes it copied (0 when none is waiting).
    qint64 getChunk(char* data, qint64 maxBytes);
    // All of the body received so far.
    QByteArray takeBody();

    // After ended(): whether the whole response came with a success status.
    bool succeeded() const { return succeeded_; }
    QString errorText() const { return error_; }

Q_SIGNALS:
    // The response of a successful (2xx) status began; headers can be read.
    void responseStarted();
    // More of the body is waiting for getChunk.
    void bodyArrived();
    // The request ended, complete or failed; what is left of the body can still be taken.
    void ended();

private:
    void onMetaData();
    void onReadyRead();
    void onFinished();
    void fail(const QString& why);

    QNetworkAccessManager manager_;
    QPointer<QNetworkReply> reply_;
    int inactivityMs_;
    qint64 bufferBytes_;
    bool started_ = false;
    bool succeeded_ = false;
    QString error_;
};

struct FetchResult {
    bool ok = false;
    QByteArray body;
    QString error;
};

// Fetches the resource at `address` whole. Waits at most `timeoutMs` in a nested event
// loop that keeps windows painting, shows the busy cursor and drops the user's input, so
// no command can start in the middle nor run late afterwards. A time-out, a refused
// connection, an error status or a body longer than `maxBytes` (which is never read
// further) is a failure.
FetchResult openUrl(const QString& address, int timeoutMs, qint64 maxBytes);

} // namespace platform

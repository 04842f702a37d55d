#pragma once
// A local update server for one test: a served folder with the update folder's path, a
// real HTTP server over it on 127.0.0.1 (tests/support/local_http_server.py, ended by its
// own process id), and the program's update settings pointed at it (short waits
// included) until the fixture goes.

#include "update/update_settings.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

class UpdateServerFixture {
public:
    static constexpr const char* kFolder = "downloads/products/vtr/downloads/update/";

    UpdateServerFixture() : saved_(updateSettings()) {
        QDir(served_.path()).mkpath(QLatin1String(kFolder));
        server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server_.start(
            QStringLiteral("python3"),
            {QStringLiteral("-u"), QStringLiteral(VTR_LOCAL_HTTP_SERVER), served_.path()});
        if (server_.waitForReadyRead(10000))
            port_ = server_.readLine().trimmed().toUShort();
        reset();
    }
    ~UpdateServerFixture() {
        updateSettings() = saved_;
        server_.kill();
        server_.waitForFinished(5000);
    }

    // The update folder and the short waits, as at the start.
    void reset() const {
        use(QLatin1String(kFolder));
        updateSettings().fetchTimeoutMs = 2000;
        updateSettings().downloadInactivityMs = 2000;
        updateSettings().pauseMs = 10;
    }
    bool isRunning() const { return port_ != 0; }
    // An update folder on 127.0.0.1 where nothing listens.
    static QString refusedAddress() {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return QStringLiteral("http://127.0.0.1:%1/update/").arg(probe.serverPort());
    }
    // Puts a file into the served update folder.
    void put(const QString& name, const QByteArray& bytes) const {
        QFile file(served_.path() + QLatin1Char('/') + QLatin1String(kFolder) + name);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }
    // Points the update folder elsewhere: a full address, or a folder on the same server
    // ("odd/short/3000/").
    void use(const QString& where) const {
        updateSettings().baseUrl = where.contains(QLatin1String("://"))
                                       ? where
                                       : QStringLiteral("http://127.0.0.1:%1/").arg(port_) + where;
    }

private:
    UpdateSettings saved_;
    QTemporaryDir served_;
    QProcess server_;
    quint16 port_ = 0;
};

#include "support/local_http_server.h"

#include <QTcpServer>

LocalHttpServer::LocalHttpServer(const QString& folder) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral("python3"),
                   {QStringLiteral("-u"), QStringLiteral(VTR_LOCAL_HTTP_SERVER), folder});
    if (!process_.waitForReadyRead(10000))
        return;
    port_ = static_cast<quint16>(process_.readLine().trimmed().toUInt());
}

LocalHttpServer::~LocalHttpServer() {
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.kill(); // SIGKILL to this server's own pid
    process_.waitForFinished(5000);
}

QString LocalHttpServer::url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1/").arg(port_) + path;
}

quint16 LocalHttpServer::refusedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

#pragma once
// A real HTTP server on 127.0.0.1 for one test (tests/support/local_http_server.py):
// the files of a folder, plus scripted misbehaviour under /odd/. Started on a free port
// and ended by its own process id when the object goes.

#include <QProcess>
#include <QString>

class LocalHttpServer {
public:
    explicit LocalHttpServer(const QString& folder);
    ~LocalHttpServer();
    bool isRunning() const { return port_ != 0; }
    // "http://127.0.0.1:<port>/" + path
    QString url(const QString& path = QString()) const;
    // A port on 127.0.0.1 where nothing listens.
    static quint16 refusedPort();

private:
    QProcess process_;
    quint16 port_ = 0;
};

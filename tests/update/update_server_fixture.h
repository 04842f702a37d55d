#pragma once
// A local update server for one test: a served folder with the update folder's path,
// a real HTTP server over it, and the program's update settings pointed at it (short
// waits included) until the fixture goes.

#include "support/local_http_server.h"
#include "update/update_settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

class UpdateServerFixture {
public:
    static constexpr const char* kFolder = "downloads/products/vtr/downloads/update/";

    UpdateServerFixture() : saved_(updateSettings()), server_(served_.path()) {
        QDir(served_.path()).mkpath(QLatin1String(kFolder));
        reset();
    }
    ~UpdateServerFixture() { updateSettings() = saved_; }

    // The update folder and the short waits, as at the start.
    void reset() const {
        updateSettings().baseUrl = server_.url(QLatin1String(kFolder));
        updateSettings().fetchTimeoutMs = 2000;
        updateSettings().downloadInactivityMs = 2000;
        updateSettings().pauseMs = 10;
    }
    bool isRunning() const { return server_.isRunning(); }
    // An update folder on 127.0.0.1 where nothing listens.
    static QString refusedAddress() {
        return QStringLiteral("http://127.0.0.1:%1/update/").arg(LocalHttpServer::refusedPort());
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
        updateSettings().baseUrl =
            where.contains(QLatin1String("://")) ? where : server_.url(where);
    }

private:
    UpdateSettings saved_;
    QTemporaryDir served_;
    LocalHttpServer server_;
};

#include "platform/application.h"
#include "platform/service_slot.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace platform {

namespace {

QString lockFilePath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    // The user id keeps users apart even where the folder is shared.
    return folder + QStringLiteral("/veltrane-%1.lock").arg(getuid());
}

class ProcessApplication : public Application {
public:
    bool prevInstance() override {
        if (lock_)
            return false;
        auto lock = std::make_unique<QLockFile>(lockFilePath());
        // Only a live owner holds the lock (same host, pid alive, same program name);
        // no age limit, since a long-running instance is not stale.
        lock->setStaleLockTime(0);
        if (!lock->tryLock(0))
            return lock->error() == QLockFile::LockFailedError;
        lock_ = std::move(lock);
        return false;
    }
    void endProcess(int code) override {
        std::fflush(nullptr);
        std::_Exit(code);
    }

private:
    std::unique_ptr<QLockFile> lock_;
};

} // namespace

Application& application() {
    return currentService<Application, ProcessApplication>();
}

void setApplication(Application* service) {
    installedService<Application>() = service;
}

} // namespace platform

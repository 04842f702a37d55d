#include "platform/shell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace platform {

namespace {

class DesktopShell : public Shell {
public:
    bool openDocument(const QString& address) override {
        return QDesktopServices::openUrl(QUrl::fromUserInput(address));
    }
    bool startProgram(const QString& path) override { return QProcess::startDetached(path, {}); }
};

Shell*& installed() {
    static Shell* service = nullptr;
    return service;
}

} // namespace

Shell& shell() {
    static DesktopShell real;
    return installed() ? *installed() : real;
}

void setShell(Shell* service) {
    installed() = service;
}

} // namespace platform

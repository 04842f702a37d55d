#include "platform/x11/shell.h"
#include "platform/service_slot.h"

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

} // namespace

Shell& shell() {
    return currentService<Shell, DesktopShell>();
}

void setShell(Shell* service) {
    installedService<Shell>() = service;
}

} // namespace platform

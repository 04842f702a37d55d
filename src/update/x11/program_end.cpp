#include "update/x11/program_end.h"

#include "platform/x11/forms.h"

#include <QCoreApplication>

namespace {
std::function<void()>& replacement() {
    static std::function<void()> installed;
    return installed;
}
} // namespace

void endProgram() {
    if (replacement()) {
        replacement()();
        return;
    }
    platform::unloadForm(platform::loadedFormNamed(QStringLiteral("frmMain")));
    QCoreApplication::exit(0);
}

void setEndProgram(std::function<void()> function) {
    replacement() = std::move(function);
}

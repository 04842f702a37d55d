#include "support/fake_shell.h"

FakeShell::FakeShell() {
    platform::setShell(this);
}

FakeShell::~FakeShell() {
    platform::setShell(nullptr);
}

bool FakeShell::openDocument(const QString& address) {
    openedDocuments.append(address);
    return accept;
}

bool FakeShell::startProgram(const QString& path) {
    startedPrograms.append(path);
    return accept;
}

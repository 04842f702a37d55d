#pragma once
// A recording stand-in for the desktop shell: every address and program it is asked to
// open is kept in order, nothing is opened, and the answer is scripted. It installs
// itself for its lifetime.

#include "platform/x11/shell.h"

#include <QStringList>

class FakeShell : public platform::Shell {
public:
    FakeShell() { platform::setShell(this); }
    ~FakeShell() override { platform::setShell(nullptr); }

    bool openDocument(const QString& address) override {
        openedDocuments.append(address);
        return accept;
    }
    bool startProgram(const QString& path) override {
        startedPrograms.append(path);
        return accept;
    }

    QStringList openedDocuments;
    QStringList startedPrograms;
    // What both calls answer (a shell that refuses is answered with false).
    bool accept = true;
};

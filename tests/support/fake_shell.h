#pragma once
// A recording stand-in for the desktop shell: every address and program it is asked to
// open is kept in order, nothing is opened, and the answer is scripted. It installs
// itself for its lifetime.

#include "platform/shell.h"

#include <QStringList>

class FakeShell : public platform::Shell {
public:
    FakeShell();
    ~FakeShell() override;

    bool openDocument(const QString& address) override;
    bool startProgram(const QString& path) override;

    QStringList openedDocuments;
    QStringList startedPrograms;
    // What both calls answer (a shell that refuses is answered with false).
    bool accept = true;
};

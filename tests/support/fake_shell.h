#pragma once
// A stand-in for the desktop shell that records what it was asked to open or start,
// installed for its lifetime. Nothing is really opened or started.

#include "platform/shell.h"

#include <QStringList>

class FakeShell : public platform::Shell {
public:
    FakeShell() { platform::setShell(this); }
    ~FakeShell() override { platform::setShell(nullptr); }
    bool openDocument(const QString& address) override {
        openedDocuments.append(address);
        return answer;
    }
    bool startProgram(const QString& path) override {
        startedPrograms.append(path);
        return answer;
    }
    QStringList openedDocuments;
    QStringList startedPrograms;
    bool answer = true; // what every request reports
};

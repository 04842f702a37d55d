#pragma once
// A stand-in for the desktop shell that records the addresses it is asked to open, opens
// nothing, and installs itself for its lifetime. `opens` is what it answers.

#include "platform/x11/shell.h"

#include <QStringList>

struct RecordingShell : platform::Shell {
    RecordingShell() { platform::setShell(this); }
    ~RecordingShell() override { platform::setShell(nullptr); }
    bool openDocument(const QString& address) override {
        opened << address;
        return opens;
    }
    bool startProgram(const QString&) override { return false; }
    QStringList opened;
    bool opens = true;
};

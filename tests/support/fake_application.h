#pragma once
// A stand-in for the process services: answers the instance check as told and records
// requests to end the process instead of ending it. Installs itself for its lifetime.

#include "platform/application.h"

#include <QList>

struct FakeApplication : platform::Application {
    FakeApplication() { platform::setApplication(this); }
    ~FakeApplication() override { platform::setApplication(nullptr); }
    bool prevInstance() override { return anotherInstance; }
    void endProcess(int code) override { endCodes.append(code); }

    bool anotherInstance = false;
    QList<int> endCodes;
};

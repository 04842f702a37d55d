#pragma once
// A stand-in for the application object's process services: answers the instance
// check as told and records requests to end the process instead of ending it.
// Installs itself for its lifetime.

#include "platform/application.h"

#include <QList>

class FakeApplication : public platform::Application {
public:
    FakeApplication();
    ~FakeApplication() override;

    bool prevInstance() override {
        ++instanceChecks;
        return anotherInstance;
    }
    void endProcess(int code) override { endCodes.append(code); }

    bool anotherInstance = false;
    int instanceChecks = 0;
    QList<int> endCodes;
};

#pragma once
// A stand-in for the system's connection state, installed for its lifetime.

#include "platform/x11/internet_state.h"

class FakeInternetState : public platform::InternetState {
public:
    explicit FakeInternetState(bool isOnline = true) : connected(isOnline) {
        platform::setInternetState(this);
    }
    ~FakeInternetState() override { platform::setInternetState(nullptr); }
    bool isConnected() override {
        ++calls;
        return connected;
    }
    bool connected;
    int calls = 0;
};

#pragma once
// Whether the machine is connected to a network that can reach the internet, as the
// system reports it. Tests install a fake to play an offline machine.

namespace platform {

class InternetState {
public:
    virtual ~InternetState() = default;
    virtual bool isConnected() = 0;
};

// The system's answer through QNetworkInformation. Where no backend can tell
// reachability the machine counts as connected, so that a fetch is tried and its own
// failure is reported.
class SystemInternetState : public InternetState {
public:
    bool isConnected() override;
};

InternetState& internetState();
// Installs a replacement; nullptr restores the real service.
void setInternetState(InternetState* service);

} // namespace platform

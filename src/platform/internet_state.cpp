#include "platform/internet_state.h"

#include <QNetworkInformation>

namespace platform {

namespace {

InternetState*& installed() {
    static InternetState* service = nullptr;
    return service;
}

} // namespace

bool SystemInternetState::isConnected() {
    if (!QNetworkInformation::instance())
        QNetworkInformation::loadDefaultBackend();
    const QNetworkInformation* info = QNetworkInformation::instance();
    if (!info || !info->supports(QNetworkInformation::Feature::Reachability))
        return true;
    // A local network counts, as a LAN connection does for the system's own test; only
    // a machine known to be cut off is offline.
    return info->reachability() != QNetworkInformation::Reachability::Disconnected;
}

InternetState& internetState() {
    static SystemInternetState real;
    return installed() ? *installed() : real;
}

void setInternetState(InternetState* service) {
    installed() = service;
}

} // namespace platform

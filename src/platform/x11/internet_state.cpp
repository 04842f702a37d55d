#include "platform/x11/internet_state.h"
#include "platform/service_slot.h"

#include <QNetworkInformation>

namespace platform {

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
    return currentService<InternetState, SystemInternetState>();
}

void setInternetState(InternetState* service) {
    installedService<InternetState>() = service;
}

} // namespace platform

#pragma once
// The replaceable-service pattern every platform service follows: callers get the real
// implementation unless a test installed a replacement.

namespace platform {

// The installed replacement of `Service`, or nullptr.
template <class Service> Service*& installedService() {
    static Service* service = nullptr;
    return service;
}

// The installed replacement, else the one real implementation (made on first use).
template <class Service, class Real> Service& currentService() {
    static Real real;
    Service* installed = installedService<Service>();
    return installed ? *installed : real;
}

} // namespace platform

#include "support/fake_window_order.h"

#include <QWidget>

namespace {
QString named(const char* call, QWidget* window) {
    return QLatin1String(call) + QLatin1Char(' ') + (window ? window->objectName() : QString());
}
} // namespace

FakeWindowOrder::FakeWindowOrder() {
    platform::setWindowOrder(this);
}

FakeWindowOrder::~FakeWindowOrder() {
    platform::setWindowOrder(nullptr);
}

void FakeWindowOrder::watchCovering(QWidget* window, LossHandler lost) {
    calls.append(named("watch", window));
    watched.insert(window, std::move(lost));
}

void FakeWindowOrder::loseWindow(QWidget* window, Loss loss) {
    const LossHandler handler =
        loss == Loss::Destroyed ? watched.take(window) : watched.value(window);
    if (handler)
        handler(window, loss);
}

void FakeWindowOrder::unwatch(QWidget* window) {
    calls.append(named("unwatch", window));
    watched.remove(window);
}

bool FakeWindowOrder::isOnTop(QWidget* window) {
    calls.append(named("isOnTop", window));
    return onTop;
}

void FakeWindowOrder::raise(QWidget* window) {
    calls.append(named("raise", window));
}

bool FakeWindowOrder::grabKeyboard(QWidget* window) {
    calls.append(named("grabKeyboard", window));
    return grant(keyboardRefusals);
}

bool FakeWindowOrder::grabPointer(QWidget* window) {
    calls.append(named("grabPointer", window));
    return grant(pointerRefusals);
}

bool FakeWindowOrder::grant(int& refusals) {
    return refusals-- <= 0;
}

void FakeWindowOrder::releaseGrabs(QWidget* window) {
    calls.append(named("releaseGrabs", window));
}

int FakeWindowOrder::count(const QString& call) const {
    int n = 0;
    for (const QString& c : calls)
        n += c.startsWith(call + QLatin1Char(' ')) ? 1 : 0;
    return n;
}

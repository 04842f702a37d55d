#include "support/fake_application.h"

FakeApplication::FakeApplication() {
    platform::setApplication(this);
}

FakeApplication::~FakeApplication() {
    platform::setApplication(nullptr);
}

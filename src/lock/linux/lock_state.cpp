#include "lock/linux/lock_state.h"

void LockState::begin() {
    if (phase_ != Phase::Unlocked)
        return;
    phase_ = Phase::SettingUp;
    Q_EMIT begun();
}

void LockState::held() {
    if (phase_ != Phase::SettingUp)
        return;
    phase_ = Phase::Held;
    Q_EMIT lockHeld();
}

void LockState::refuse(const QString& why) {
    phase_ = Phase::Unlocked;
    Q_EMIT refused(why);
}

void LockState::end() {
    if (phase_ == Phase::Unlocked)
        return;
    phase_ = Phase::Unlocked;
    Q_EMIT ended();
}

LockState& lockState() {
    static LockState state;
    return state;
}

#pragma once
// Where a lock of the Linux program stands, whichever window system shows it. The lock
// reports here; what waits on a lock listens here: the guard process (told when a lock
// begins and ends), the clients of `appVTR --lock`, the sleep descriptor they hold and
// logind's delay inhibitor. "Held" is the one moment they all wait for: the lock is on
// screen and holds the keyboard and the pointer.

#include <QObject>
#include <QString>

class LockState : public QObject {
    Q_OBJECT
public:
    enum class Phase { Unlocked, SettingUp, Held };

    Phase phase() const { return phase_; }
    // A lock or its set-up is under way: a new request joins it.
    bool underWay() const { return phase_ != Phase::Unlocked; }

    // What the lock reports, in this order: begin() before anything else of the set-up
    // (from then on the guard relocks after a kill), held() once per lock (later calls
    // do nothing), then end() when the password ended it. refuse() instead when the
    // desktop could not be locked, with or without a begin() before.
    void begin();
    void held();
    void refuse(const QString& why);
    void end();

Q_SIGNALS:
    void begun();
    void lockHeld();
    void refused(const QString& why);
    void ended();

private:
    Phase phase_ = Phase::Unlocked;
};

// The program's one lock state.
LockState& lockState();

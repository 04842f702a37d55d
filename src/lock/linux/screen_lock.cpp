#include "lock/linux/screen_lock.h"

#include "lock/x11/x11_lock.h"

void startScreenLock(LockStart start) {
    startX11Lock(start);
}

// Qt 5 locks and unlocks QMutex inside libQt5Core, which is not built with
// ThreadSanitizer, so the sanitizer never sees the ordering those locks give and
// reports every access guarded by a QMutex as a race. Built into the test
// programs of a ThreadSanitizer build only: it stands in front of Qt's own
// functions and tells the sanitizer what each one did.

#include <QMutex>

#include <dlfcn.h>
#include <sanitizer/tsan_interface.h>

namespace {

template <typename Function> Function qtFunction(const char* mangledName)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, mangledName));
}

} // namespace

void QMutex::lock() QT_MUTEX_LOCK_NOEXCEPT
{
    static const auto lock = qtFunction<void (*)(QMutex*)>("_ZN6QMutex4lockEv");
    lock(this);
    __tsan_acquire(this);
}

bool QMutex::tryLock(int timeout) QT_MUTEX_LOCK_NOEXCEPT
{
    static const auto tryLock = qtFunction<bool (*)(QMutex*, int)>("_ZN6QMutex7tryLockEi");
    const bool locked = tryLock(this, timeout);
    if (locked)
        __tsan_acquire(this);
    return locked;
}

void QMutex::unlock() noexcept
{
    static const auto unlock = qtFunction<void (*)(QMutex*)>("_ZN6QMutex6unlockEv");
    __tsan_release(this);
    unlock(this);
}

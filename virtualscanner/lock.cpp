#include "virtualscanner/lock.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace vs {

#if defined(_WIN32)
void Lock::lock() {
  AcquireSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&srw_));
}
void Lock::unlock() {
  ReleaseSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&srw_));
}
#else
void Lock::lock() { mutex_.lock(); }
void Lock::unlock() { mutex_.unlock(); }
#endif

} // namespace vs

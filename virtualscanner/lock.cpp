#include "virtualscanner/lock.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <chrono>
#endif

namespace vs {

#if defined(_WIN32)
void Lock::lock() {
  AcquireSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&srw_));
}
void Lock::unlock() {
  ReleaseSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&srw_));
}
void Signal::Wait(std::unique_lock<Lock> &lock, int ms) {
  SleepConditionVariableSRW(reinterpret_cast<PCONDITION_VARIABLE>(&condition_),
                            reinterpret_cast<PSRWLOCK>(&lock.mutex()->srw_),
                            static_cast<DWORD>(ms), 0);
}
void Signal::Notify() {
  WakeAllConditionVariable(reinterpret_cast<PCONDITION_VARIABLE>(&condition_));
}
#else
void Lock::lock() { mutex_.lock(); }
void Lock::unlock() { mutex_.unlock(); }
void Signal::Wait(std::unique_lock<Lock> &lock, int ms) {
  condition_.wait_for(lock, std::chrono::milliseconds(ms));
}
void Signal::Notify() { condition_.notify_all(); }
#endif

} // namespace vs

// The library's one lock, which every entry that reads or changes the
// state takes, and the signal that wakes calls sleeping without it.
#ifndef QELSCANNER_VIRTUALSCANNER_LOCK_H
#define QELSCANNER_VIRTUALSCANNER_LOCK_H

#include <mutex>
#if !defined(_WIN32)
#include <condition_variable>
#endif

namespace vs {

// A plain mutex. mingw-w64's win32 thread model has no std::mutex, so on
// Windows it is a slim reader/writer lock taken exclusively.
class Lock {
public:
  Lock() = default;
  Lock(const Lock &) = delete;
  Lock &operator=(const Lock &) = delete;
  void lock();
  void unlock();

private:
  friend class Signal;
#if defined(_WIN32)
  void *srw_ = nullptr; // SRWLOCK_INIT
#else
  std::mutex mutex_;
#endif
};
using Guard = std::lock_guard<Lock>;

// Wakes the calls that wait with the lock released for something another
// call changes (a condition variable; on Windows over the SRW lock).
class Signal {
public:
  Signal() = default;
  Signal(const Signal &) = delete;
  Signal &operator=(const Signal &) = delete;
  // Releases the lock held by lock, waits up to ms milliseconds or until
  // Notify (or a spurious wake-up), and takes the lock again.
  void Wait(std::unique_lock<Lock> &lock, int ms);
  // Wakes every waiting call.
  void Notify();

private:
#if defined(_WIN32)
  void *condition_ = nullptr; // CONDITION_VARIABLE_INIT
#else
  std::condition_variable_any condition_;
#endif
};

} // namespace vs

#endif

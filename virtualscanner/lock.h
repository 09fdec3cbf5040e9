// The library's one lock: every entry that reads or changes the state
// takes it.
#ifndef QELSCANNER_VIRTUALSCANNER_LOCK_H
#define QELSCANNER_VIRTUALSCANNER_LOCK_H

#include <mutex>

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
#if defined(_WIN32)
  void *srw_ = nullptr; // SRWLOCK_INIT
#else
  std::mutex mutex_;
#endif
};
using Guard = std::lock_guard<Lock>;

} // namespace vs

#endif

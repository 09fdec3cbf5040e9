// The one way into the library: every exported entry runs its body through
// Guarded, so that no C++ exception leaves it. Its callers are C; the
// bridge is built without exceptions, and one unwinding into it would end
// the process. Whatever is thrown (memory running out, above all) becomes
// MIRB_VS_ERR_INTERNAL, or NULL for an entry that answers a pointer; what
// the body had changed in the library's state is put back by the
// destructors the exception passes on its way out (the lock, a scan's
// TakenDocument). virtualscanner/tests/check_guards.cmake fails on an entry
// without it.
#ifndef QELSCANNER_VIRTUALSCANNER_GUARD_H
#define QELSCANNER_VIRTUALSCANNER_GUARD_H

#include <type_traits>

#include "virtualscanner/virtual_scanner.h"

namespace vs {

// undo runs after a failure, before the code is returned, and must not
// throw: it gives the caller's outputs the values of any other failure.
template <typename Body, typename Undo>
auto Guarded(Body body, Undo undo) noexcept -> decltype(body()) {
  try {
    return body();
  } catch (...) {
    undo();
    if constexpr (std::is_pointer_v<decltype(body())>) {
      return nullptr;
    } else {
      return MIRB_VS_ERR_INTERNAL;
    }
  }
}

template <typename Body> auto Guarded(Body body) noexcept -> decltype(body()) {
  return Guarded(body, [] {});
}

} // namespace vs

#endif

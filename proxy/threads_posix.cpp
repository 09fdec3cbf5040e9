// Each caller thread's state, destroyed when the thread ends: its channel
// closes, and the host thread that served it ends.
#include "proxy/forward.h"

namespace qel::proxy {

ThreadState &CurrentThread() {
  thread_local ThreadState state;
  return state;
}

} // namespace qel::proxy

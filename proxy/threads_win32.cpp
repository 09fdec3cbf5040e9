// Each caller thread's state, in a slot of thread-local storage: deleted
// when the thread ends (DLL_THREAD_DETACH), which closes its channel, and
// the host thread that served it ends.
#include <windows.h>

#include "proxy/forward.h"

namespace qel::proxy {

namespace {

DWORD gSlot = TLS_OUT_OF_INDEXES;

} // namespace

ThreadState &CurrentThread() {
  auto *state = static_cast<ThreadState *>(TlsGetValue(gSlot));
  if (state == nullptr) {
    state = new ThreadState;
    TlsSetValue(gSlot, state);
  }
  return *state;
}

} // namespace qel::proxy

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  using qel::proxy::gSlot;
  switch (reason) {
  case DLL_PROCESS_ATTACH:
    gSlot = TlsAlloc();
    return gSlot != TLS_OUT_OF_INDEXES;
  case DLL_THREAD_DETACH:
    delete static_cast<qel::proxy::ThreadState *>(TlsGetValue(gSlot));
    TlsSetValue(gSlot, nullptr);
    break;
  case DLL_PROCESS_DETACH:
    // At the process's end (reserved not null) nothing is freed: the job
    // object ends the host with it.
    if (reserved == nullptr) {
      delete static_cast<qel::proxy::ThreadState *>(TlsGetValue(gSlot));
      TlsFree(gSlot);
    }
    break;
  default:
    break;
  }
  return TRUE;
}

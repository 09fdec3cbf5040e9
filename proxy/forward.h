// The proxy's entries forward each call to the host process: Forward
// makes the call there, and gives its result, or the proxy's own codes
// (proxy/codes.h) when it cannot.
#ifndef QELSCANNER_PROXY_FORWARD_H
#define QELSCANNER_PROXY_FORWARD_H

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

#include "proxy/host_process.h"
#include "wire/call.h"

namespace qel::proxy {

// What the proxy keeps for each caller thread; the platform keeps one per
// thread and destroys it when the thread ends, which closes its channel.
struct ThreadState {
  std::unique_ptr<Channel> channel; // of host start `generation`
  std::uint64_t generation = 0;
  std::uint32_t sequence = 0;
  // The caller's image buffers its last call other than
  // QELGetMemoryImageLength named, slot by slot.
  unsigned char *named[wire::kImageSlots] = {};
  std::uint32_t namedCount = 0;
  // MIRBGetParamString's text, until the thread's next call of it.
  std::string paramText;
  bool paramTextNull = true;
  wire::Bytes message;
};

// The calling thread's state (threads_posix.cpp, threads_win32.cpp).
ThreadState &CurrentThread();

int ForwardInt(int ordinal, std::initializer_list<wire::Arg> args) noexcept;
const char *ForwardText(int ordinal,
                        std::initializer_list<wire::Arg> args) noexcept;

} // namespace qel::proxy

#endif

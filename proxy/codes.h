// The results of the proxy scanner library's own: codes of no library,
// clear of the virtual scanner's (-101 to -114) and of the bridge's -1.
#ifndef QELSCANNER_PROXY_CODES_H
#define QELSCANNER_PROXY_CODES_H

namespace qel::proxy {

// "the scanner library's process ended": it crashed, was killed or sent a
// malformed reply; every call returns this until QELApiVersion, MIRBInit
// or MIRBInitPath starts a new one.
constexpr int kHostEnded = -30001;
// "the scanner library did not answer in time": a call took longer than
// QELSCAN_HOST_DEADLINE_MS, and the host was ended.
constexpr int kHostDeadline = -30002;
// "argument too large": a text longer than 65535 bytes, which does not
// cross to the host; the library is not called.
constexpr int kArgumentTooLarge = -30003;

} // namespace qel::proxy

#endif

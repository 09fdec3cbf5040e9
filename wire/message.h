// The messages between the proxy scanner library and the host process.
//
// Every message is a header of four little-endian 32-bit words (type,
// ordinal, sequence, payload bytes) and its payload. On the host's
// standard input and output (the control channel):
//
//   host -> proxy  kReady     once, when the library is loaded
//                  kRefused   instead, with the reason as text; the host
//                             then ends with its exit status
//   proxy -> host  kAttach    a channel of a caller thread of its own, to be
//                             served by a host thread: on Linux its socket
//                             and its shared image memory go with the
//                             message (SCM_RIGHTS); on Windows the payload
//                             is three 32-bit handle values already
//                             duplicated into the host (reading pipe,
//                             writing pipe, file mapping)
//                  kCall      a call, where every caller shares the control
//                             channel (a host under Wine, started by
//                             QELSCAN_HOST_COMMAND); the reply comes back on
//                             it
//
// and on a caller thread's channel, one call at a time:
//
//   proxy -> host  kCall      ordinal, sequence, the arguments (wire/call.h)
//   host -> proxy  kReply     the same ordinal and sequence, the result and
//                             the outputs
//                  kException instead, on Windows, when the call raised an
//                             exception nothing handled: its code as one
//                             32-bit word; the host then ends
//
// The host ends when its control channel ends, and a channel's host thread
// when its channel ends. Anything malformed that reaches the host ends it
// (exit status kExitMalformed) before it acts on it.
#ifndef QELSCANNER_WIRE_MESSAGE_H
#define QELSCANNER_WIRE_MESSAGE_H

#include <cstddef>
#include <cstdint>

namespace qel::wire {

enum MessageType : std::uint32_t {
  kReady = 0x59444552,     // "REDY"
  kRefused = 0x4645524E,   // "NREF"
  kAttach = 0x48435441,    // "ATCH"
  kCall = 0x4C4C4143,      // "CALL"
  kReply = 0x594C5052,     // "RPLY"
  kException = 0x50435845, // "EXCP"
};

constexpr std::size_t kHeaderBytes = 16;

struct Header {
  std::uint32_t type = 0;
  std::uint32_t ordinal = 0;
  std::uint32_t sequence = 0;
  std::uint32_t length = 0;
};

// The host's exit statuses.
enum HostExit : int {
  kExitDone = 0,      // its control channel ended
  kExitUsage = 2,     // started with arguments it does not take
  kExitNoLibrary = 3, // the scanner library would not load
  kExitIsProxy = 4,   // the library named is this proxy, not a scanner library
  kExitMalformed = 5, // a malformed request
};

// The symbol the proxy scanner library exports besides the entries, by
// which a host knows it and refuses to load it.
constexpr char kProxyMarker[] = "QelScanProxyMarker";

// Little-endian 32-bit words.
inline void PutWord(unsigned char *out, std::uint32_t value) noexcept {
  out[0] = static_cast<unsigned char>(value);
  out[1] = static_cast<unsigned char>(value >> 8);
  out[2] = static_cast<unsigned char>(value >> 16);
  out[3] = static_cast<unsigned char>(value >> 24);
}
inline std::uint32_t GetWord(const unsigned char *in) noexcept {
  return static_cast<std::uint32_t>(in[0]) |
         static_cast<std::uint32_t>(in[1]) << 8 |
         static_cast<std::uint32_t>(in[2]) << 16 |
         static_cast<std::uint32_t>(in[3]) << 24;
}

inline void PutHeader(unsigned char *out, const Header &header) noexcept {
  PutWord(out, header.type);
  PutWord(out + 4, header.ordinal);
  PutWord(out + 8, header.sequence);
  PutWord(out + 12, header.length);
}
inline Header GetHeader(const unsigned char *in) noexcept {
  return {GetWord(in), GetWord(in + 4), GetWord(in + 8), GetWord(in + 12)};
}

} // namespace qel::wire

#endif

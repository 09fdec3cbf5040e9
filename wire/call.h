// A call and its reply on the wire, parameter by parameter in the entry's
// order (wire/kinds.h has the kinds of each entry):
//
//   kind          request (proxy -> host)              reply (host -> proxy)
//   Int           the value                            -
//   Text          tag: 0 null, n + 1 a text of n       -
//                 bytes (n <= 65535), then its bytes
//   Name          as Text, or kSlotTag + k: "MD:" and  the image, inline
//                 the image of slot k; its image,
//                 inline
//   Chars32 ...   tag: 0 null, 1 present, then its     its bytes, if present
//   DocStatus     contract size of bytes, if present
//   Image         tag: 0 null, kSlotTag + k; its       the image, inline
//                 image, inline
//   Address       tag: 0 null, kNeverNamedTag an       -
//                 address the host never named,
//                 kSlotTag + k the image of slot k
//
// The reply's payload starts with the result: an int, or a text tagged as
// Text. Images go inline, 1048576 bytes each, on a channel that carries
// them itself (a host under Wine); elsewhere slot k is the k-th 1048576
// bytes of the memory that the channel's two ends share. A call's slots
// are numbered 0, 1, ... in parameter order.
#ifndef QELSCANNER_WIRE_CALL_H
#define QELSCANNER_WIRE_CALL_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "wire/kinds.h"
#include "wire/message.h"

namespace qel::wire {

constexpr std::uint32_t kNullTag = 0;
constexpr std::uint32_t kPresentTag = 1;
constexpr std::uint32_t kNeverNamedTag = 1;
constexpr std::uint32_t kSlotTag = 0x80000000u;
constexpr int kNoSlot = -1;

// One argument of an entry: an int, or any of its pointers.
struct Arg {
  int value = 0;
  const void *pointer = nullptr;

  constexpr Arg() = default;
  constexpr Arg(int v) : value(v) {}           // NOLINT: implicit
  constexpr Arg(const void *p) : pointer(p) {} // NOLINT: implicit
  template <typename T> T As() const {
    if constexpr (std::is_pointer_v<T>) {
      return static_cast<T>(const_cast<void *>(pointer));
    } else {
      return value;
    }
  }
  // As the parameter it is passed for: lets the host call an entry with
  // its arguments alone, whatever their types.
  template <typename T> operator T() const { return As<T>(); } // NOLINT
};

using Bytes = std::vector<unsigned char>;

// --- the proxy's side ---

// How the proxy passes a call's images: slot[i] is the slot of parameter i
// (an image, a memory descriptor, an address it named) or kNoSlot, and
// caller[k] the caller's buffer of slot k.
struct CallImages {
  int slot[kMaxParameters];
  unsigned char *caller[kImageSlots];
  bool travelInline;
};

// The whole request message; false (nothing written) when a text is
// longer than kMaxText.
bool WriteCall(const Entry &entry, std::uint32_t sequence, const Arg *args,
               const CallImages &images, Bytes &out);

// The reply's result; a text points into the payload.
struct Answer {
  int number = 0;
  const char *text = nullptr; // null: a null text
  std::uint32_t textLength = 0;
};

// Checks a reply's payload against its request and, when it fits, writes
// its outputs into the caller's buffers; false (nothing written) when it
// does not fit.
bool ReadReply(const Entry &entry, const Arg *args, const CallImages &images,
               const unsigned char *payload, std::size_t length,
               Answer &answer);

// --- the host's side ---

// The largest request payload of an entry, images inline or not.
std::size_t MaxRequestBytes(const Entry &entry, bool imagesInline);

// A request read: the library's arguments, over storage of its own and
// the channel's image slots.
struct HostCall {
  Arg args[kMaxParameters];
  int slot[kMaxParameters];
  bool present[kMaxParameters];
  std::string texts[kMaxParameters];
  unsigned char buffers[kMaxParameters][kMaxBuffer];
  int number = 0;             // the result of an int entry
  const char *text = nullptr; // the result of a text entry
};

// Reads and checks a request's payload; slots is the channel's
// kImageSlots * kImageBytes. False when anything in it is malformed.
bool ReadCall(const Entry &entry, const unsigned char *payload,
              std::size_t length, bool imagesInline, unsigned char *slots,
              HostCall &call);

// The whole reply message to a call read by ReadCall and made.
void WriteReply(const Entry &entry, std::uint32_t sequence,
                const HostCall &call, bool imagesInline,
                const unsigned char *slots, Bytes &out);

} // namespace qel::wire

#endif

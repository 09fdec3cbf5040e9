// The host's request reader and the proxy's reply reader on arbitrary
// bytes. An input is a byte of choices (bit 0: images inline; bit 1: a
// reply, not a request), the entry's place in scannerlib/entries.h, and
// the payload. A request the reader takes must point every argument into
// storage of its contract size (the library then fills each output
// whole) and give a reply the proxy's reader takes; a reply is read into
// buffers of exactly the contract sizes. The sanitizers catch any access
// outside them.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "scannerlib/entries.h"
#include "wire/call.h"

using namespace qel::wire;

namespace {

#define QELFUZZ_ORDINAL(ordinal, result, name, parameters, bytes) ordinal,
constexpr int kOrdinals[] = {QEL_SCANNER_ENTRIES(QELFUZZ_ORDINAL)};
#undef QELFUZZ_ORDINAL

constexpr std::size_t kSlotBytes = std::size_t{kImageSlots} * kImageBytes;

[[noreturn]] void Fail(const char *what, const Entry &entry) {
  std::fprintf(stderr, "%s: %s\n", entry.name, what);
  std::abort();
}

// The proxy's side of a call: every pointer present, each output its own
// buffer of exactly its size, each image its own slot.
struct ProxyCall {
  std::vector<std::unique_ptr<unsigned char[]>> storage;
  Arg args[kMaxParameters];
  CallImages images{};

  ProxyCall(const Entry &entry, const HostCall *from, bool travelInline) {
    images.travelInline = travelInline;
    std::uint32_t slots = 0;
    for (std::size_t i = 0; i < entry.count; ++i) {
      images.slot[i] = kNoSlot;
      const Kind kind = entry.kinds[i];
      const bool present = from == nullptr || from->args[i].pointer != nullptr;
      std::size_t size = BufferBytes(kind);
      const bool image =
          kind == Kind::Image ||
          (kind == Kind::Name && from != nullptr && from->slot[i] != kNoSlot);
      if (image && present && slots < kImageSlots) {
        size = kImageBytes;
        images.slot[i] = static_cast<int>(slots);
      }
      if (!present || size == 0) {
        args[i] = kind == Kind::Int ? Arg(0) : Arg();
        continue;
      }
      storage.emplace_back(new unsigned char[size]());
      args[i] = Arg(storage.back().get());
      if (images.slot[i] != kNoSlot) {
        images.caller[slots++] = storage.back().get();
      }
    }
  }
};

void ReadRequest(const Entry &entry, bool travelInline,
                 const unsigned char *payload, std::size_t length) {
  if (length > MaxRequestBytes(entry, travelInline)) {
    return; // the host refuses it by its header
  }
  static std::vector<unsigned char> slots(kSlotBytes);
  auto call = std::make_unique<HostCall>();
  if (!ReadCall(entry, payload, length, travelInline, slots.data(), *call)) {
    return;
  }
  // The library fills every output it was given, whole.
  for (std::size_t i = 0; i < entry.count; ++i) {
    void *at = call->args[i].As<void *>();
    const Kind kind = entry.kinds[i];
    if (at == nullptr || kind == Kind::Int) {
      continue;
    }
    if (BufferBytes(kind) != 0) {
      std::memset(at, 0x5A, BufferBytes(kind));
    } else if (kind == Kind::Image) {
      std::memset(at, 0x5A, kImageBytes);
    } else if (kind == Kind::Text || kind == Kind::Name) {
      if (std::strlen(static_cast<const char *>(at)) > kMaxText) {
        Fail("a text longer than any that crosses", entry);
      }
    }
  }
  call->number = 7;
  call->text = entry.result == ResultKind::kText ? "text" : nullptr;
  Bytes reply;
  WriteReply(entry, 1, *call, travelInline, slots.data(), reply);
  ProxyCall proxy(entry, call.get(), travelInline);
  Answer answer;
  if (!ReadReply(entry, proxy.args, proxy.images, reply.data() + kHeaderBytes,
                 reply.size() - kHeaderBytes, answer) ||
      answer.number != (entry.result == ResultKind::kInt ? 7 : 0)) {
    Fail("the proxy refuses the reply the host wrote", entry);
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size) {
  if (size < 2) {
    return 0;
  }
  const bool travelInline = (data[0] & 1) != 0;
  const bool reply = (data[0] & 2) != 0;
  const int ordinal = kOrdinals[data[1] % (sizeof kOrdinals / sizeof(int))];
  const Entry &entry = *FindEntry(static_cast<std::uint32_t>(ordinal));
  if (reply) {
    ProxyCall proxy(entry, nullptr, travelInline);
    Answer answer;
    ReadReply(entry, proxy.args, proxy.images, data + 2, size - 2, answer);
  } else {
    ReadRequest(entry, travelInline, data + 2, size - 2);
  }
  return 0;
}

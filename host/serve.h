// What the host does with a channel, on any platform: reads a request,
// checks it whole, calls the scanner library and writes the reply
// (wire/message.h and wire/call.h say what crosses).
#ifndef QELSCANNER_HOST_SERVE_H
#define QELSCANNER_HOST_SERVE_H

#include <cstddef>
#include <string>
#include <vector>

#include "scannerlib/entries.h"
#include "wire/call.h"
#include "wire/message.h"

namespace qel::host {

// The scanner library's entries, by ordinal.
struct Library {
  static constexpr std::size_t kOrdinals = 256;
  void *entry[kOrdinals] = {};
};

// Looks every entry up with find(ordinal, name), which gives its address
// or null; false, with the missing entry named, when one is not there.
template <typename Find>
bool FindEntries(Library &library, Find find, std::string &missing);

// One end of a channel: a caller thread's own, or the control channel.
class Channel {
public:
  Channel() = default;
  Channel(const Channel &) = delete;
  Channel &operator=(const Channel &) = delete;
  virtual ~Channel() = default;
  // False when the channel has ended.
  virtual bool Read(void *data, std::size_t size) = 0;
  virtual bool Write(const void *data, std::size_t size) = 0;
};

// The channel whose call this thread is making, for a crash to report on;
// null outside a call.
Channel *ChannelInCall() noexcept;

// Reads a header; false when the channel has ended before one.
bool ReadHeader(Channel &channel, wire::Header &header);

// Serves the call whose header was just read: reads its payload, checks
// it, calls the library and writes the reply. slots is the channel's
// kImageSlots * kImageBytes of images; buffer its scratch. Ends the host
// on anything malformed; false when the channel has ended.
bool ServeCall(Channel &channel, const wire::Header &header,
               const Library &library, bool imagesInline, unsigned char *slots,
               wire::Bytes &buffer);

// Serves a caller thread's channel, its images in shared slots, until the
// channel ends.
void ServeChannel(Channel &channel, const Library &library,
                  unsigned char *slots);

// Writes why to standard error and ends the host with kExitMalformed.
[[noreturn]] void EndMalformed(const char *why);

// Sends a message of a type and payload alone (kReady, kRefused).
bool SendReport(Channel &channel, wire::MessageType type,
                const std::string &payload);

// Tells the proxy why the library is refused (kRefused), and ends the
// host with that status.
[[noreturn]] void Refuse(Channel &control, const std::string &why,
                         wire::HostExit status);

// The entries of the library at path, looked up with find(ordinal, name);
// one missing refuses the library.
template <typename Find>
Library EntriesOf(Channel &control, const std::string &path, Find find) {
  Library library;
  std::string missing;
  if (!FindEntries(library, find, missing)) {
    Refuse(control, path + " has no entry " + missing, wire::kExitNoLibrary);
  }
  return library;
}

// Serves the control channel until it ends: each header goes first to
// attach(header), which takes a kAttach message (and starts its
// channel's thread) and returns true; any other message is a call,
// served on the control channel with its images inline.
template <typename Attach>
void ServeControl(Channel &control, const Library &library, Attach attach) {
  std::vector<unsigned char> slots;
  wire::Bytes buffer;
  for (wire::Header header; ReadHeader(control, header);) {
    if (attach(header)) {
      continue;
    }
    slots.resize(std::size_t{wire::kImageSlots} * wire::kImageBytes);
    if (!ServeCall(control, header, library, true, slots.data(), buffer)) {
      return;
    }
  }
}

// Calls the library's entry at address with the arguments read.
void Invoke(const wire::Entry &entry, void *address, wire::HostCall &call);

template <typename Find>
bool FindEntries(Library &library, Find find, std::string &missing) {
  bool found = true;
#define QEL_HOST_FIND(ordinal, result, name, parameters, bytes)                \
  library.entry[ordinal] = find(ordinal, #name);                               \
  if (found && library.entry[ordinal] == nullptr) {                            \
    missing = #name;                                                           \
    found = false;                                                             \
  }
  QEL_SCANNER_ENTRIES(QEL_HOST_FIND)
#undef QEL_HOST_FIND
  return found;
}

} // namespace qel::host

#endif

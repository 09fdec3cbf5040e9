// The host's requests, read and checked before anything is done with
// them, and their replies.
#include "host/serve.h"

#include <cstdio>
#include <cstdlib>

namespace qel::host {

namespace {

thread_local Channel *tChannelInCall = nullptr;

} // namespace

Channel *ChannelInCall() noexcept { return tChannelInCall; }

void EndMalformed(const char *why) {
  std::fprintf(stderr, "qelscanhost: %s\n", why);
  std::fflush(stderr);
  std::_Exit(wire::kExitMalformed);
}

bool ReadHeader(Channel &channel, wire::Header &header) {
  unsigned char bytes[wire::kHeaderBytes];
  if (!channel.Read(bytes, sizeof bytes)) {
    return false;
  }
  header = wire::GetHeader(bytes);
  return true;
}

bool SendReport(Channel &channel, wire::MessageType type,
                const std::string &payload) {
  wire::Bytes message(wire::kHeaderBytes);
  wire::PutHeader(message.data(),
                  {type, 0, 0, static_cast<std::uint32_t>(payload.size())});
  message.insert(message.end(), payload.begin(), payload.end());
  return channel.Write(message.data(), message.size());
}

void Refuse(Channel &control, const std::string &why, wire::HostExit status) {
  SendReport(control, wire::kRefused, why);
  std::_Exit(status);
}

bool ServeCall(Channel &channel, const wire::Header &header,
               const Library &library, bool imagesInline, unsigned char *slots,
               wire::Bytes &buffer) {
  const wire::Entry *entry = wire::FindEntry(header.ordinal);
  if (header.type != wire::kCall || entry == nullptr) {
    EndMalformed("a request that is no call of an entry");
  }
  if (header.length > wire::MaxRequestBytes(*entry, imagesInline)) {
    EndMalformed("a request longer than its entry's arguments can be");
  }
  buffer.resize(header.length);
  if (!channel.Read(buffer.data(), buffer.size())) {
    return false;
  }
  wire::HostCall call;
  if (!wire::ReadCall(*entry, buffer.data(), buffer.size(), imagesInline, slots,
                      call)) {
    EndMalformed("a malformed request");
  }
  tChannelInCall = &channel;
  Invoke(*entry, library.entry[entry->ordinal], call);
  tChannelInCall = nullptr;
  wire::WriteReply(*entry, header.sequence, call, imagesInline, slots, buffer);
  return channel.Write(buffer.data(), buffer.size());
}

void ServeChannel(Channel &channel, const Library &library,
                  unsigned char *slots) {
  wire::Bytes buffer;
  wire::Header header;
  while (ReadHeader(channel, header) &&
         ServeCall(channel, header, library, false, slots, buffer)) {
  }
}

} // namespace qel::host

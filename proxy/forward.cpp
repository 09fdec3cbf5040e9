// Forwarding a call to the host process, and what happens when the host
// ends.
//
// The host starts at the first call. Each caller thread gets a channel of
// its own (or shares the control channel with every other, under
// QELSCAN_HOST_COMMAND), and its calls go one at a time: the request, then
// the reply, checked against the request. When the host ends (it crashed,
// was killed, answered something malformed, or did not answer within
// QELSCAN_HOST_DEADLINE_MS), every call in flight and every later one
// returns kHostEnded (the late one kHostDeadline), and the reason is
// written to standard error once; QELApiVersion, MIRBInit and MIRBInitPath
// then start a new host, whose library starts afresh.
#include "proxy/forward.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "proxy/codes.h"
#include "wire/message.h"

namespace qel::proxy {

namespace {

using wire::Kind;

// The entries that start a new host when the last one has ended: what the
// bridge's MirbInit and MirbInitPath call.
bool StartsHost(int ordinal) {
  return ordinal == 56 || ordinal == 3 || ordinal == 54;
}
constexpr int kGetMemoryImageLength = 91;

struct Host {
  std::unique_ptr<HostProcess> process;
  std::uint64_t generation = 0;
  std::optional<std::chrono::milliseconds> deadline;
  std::mutex controlMutex; // the one channel, where all share it
  std::mutex endMutex;
  bool ended = false;

  bool Ended() {
    std::lock_guard<std::mutex> lock(endMutex);
    return ended;
  }
};

// Ends the host, if it has not ended, and writes why once. An empty why
// means it ended by itself: how it ended says why.
void EndHost(Host &host, const std::string &why) {
  std::lock_guard<std::mutex> lock(host.endMutex);
  if (host.ended) {
    return;
  }
  host.ended = true;
  if (!host.process) {
    return;
  }
  host.process->End();
  const std::string how = host.process->HowItEnded();
  std::fprintf(stderr,
               "QELScanner proxy: the scanner library's process %s ended: "
               "%s\n",
               host.process->Program().c_str(),
               why.empty() ? how.c_str() : (why + " (" + how + ")").c_str());
  std::fflush(stderr);
}

std::optional<std::chrono::milliseconds> DeadlineFromEnvironment() {
  const char *text = std::getenv("QELSCAN_HOST_DEADLINE_MS");
  if (text == nullptr || *text == '\0') {
    return std::nullopt;
  }
  char *end = nullptr;
  const long long ms = std::strtoll(text, &end, 10);
  if (*end != '\0' || ms <= 0) {
    return std::nullopt;
  }
  return std::chrono::milliseconds(ms);
}

// Waits for the new host's first message: its library loaded, or why not.
bool Greeted(Host &host, std::string &why) {
  Channel &control = host.process->Control();
  unsigned char bytes[wire::kHeaderBytes];
  if (control.Receive(bytes, sizeof bytes, std::nullopt) !=
      Channel::Got::kAll) {
    return false;
  }
  const wire::Header header = wire::GetHeader(bytes);
  if (header.type == wire::kReady && header.length == 0) {
    return true;
  }
  constexpr std::uint32_t kLongestReason = 4096;
  std::string text(header.length <= kLongestReason ? header.length : 0, '\0');
  if (header.type == wire::kRefused && header.length <= kLongestReason &&
      control.Receive(reinterpret_cast<unsigned char *>(text.data()),
                      text.size(), std::nullopt) == Channel::Got::kAll) {
    why = "the scanner library would not load: " + text;
    // It ends right after saying so: its own exit status, not a kill.
    unsigned char rest = 0;
    control.Receive(&rest, 1, Clock::now() + std::chrono::seconds(5));
  } else {
    why = "a malformed first message";
  }
  return false;
}

std::mutex gStartMutex;
std::shared_ptr<Host> gHost; // guarded by gStartMutex
std::uint64_t gStarts = 0;

// The host to call, started if need be; null when it has ended and this
// call may not start a new one.
std::shared_ptr<Host> HostFor(int ordinal) {
  std::lock_guard<std::mutex> lock(gStartMutex);
  if (gHost && (!gHost->Ended() || !StartsHost(ordinal))) {
    return gHost->Ended() ? nullptr : gHost;
  }
  auto host = std::make_shared<Host>();
  host->generation = ++gStarts;
  host->deadline = DeadlineFromEnvironment();
  std::string why;
  host->process = StartHost(why);
  gHost = host;
  if (host->process == nullptr) {
    std::fprintf(stderr,
                 "QELScanner proxy: the scanner library's process could not "
                 "be started: %s\n",
                 why.c_str());
    std::fflush(stderr);
    host->ended = true;
    return nullptr;
  }
  if (!Greeted(*host, why)) {
    EndHost(*host, why);
    return nullptr;
  }
  return host;
}

// "MD:" and 1 to 20 decimal digits, not 0 and within an address: the
// caller's buffer, which the host gets a copy of in an image slot.
unsigned char *MemoryDescriptor(const char *name) {
  if (std::strncmp(name, "MD:", 3) != 0) {
    return nullptr;
  }
  std::uintmax_t address = 0;
  std::size_t digits = 0;
  for (const char *at = name + 3; *at != '\0'; ++at, ++digits) {
    if (*at < '0' || *at > '9' || digits == 20) {
      return nullptr;
    }
    const unsigned digit = static_cast<unsigned>(*at - '0');
    if (address > (UINTPTR_MAX - digit) / 10) {
      return nullptr;
    }
    address = address * 10 + digit;
  }
  return digits == 0 ? nullptr : reinterpret_cast<unsigned char *>(address);
}

// Which of the call's pointers go to image slots.
wire::CallImages ImagesOf(const wire::Entry &entry, const wire::Arg *args,
                          const ThreadState &thread, bool travelInline) {
  wire::CallImages images{};
  images.travelInline = travelInline;
  std::uint32_t count = 0;
  for (std::size_t i = 0; i < entry.count; ++i) {
    images.slot[i] = wire::kNoSlot;
    unsigned char *image = nullptr;
    if (args[i].pointer == nullptr) {
      continue;
    }
    if (entry.kinds[i] == Kind::Image) {
      image = args[i].As<unsigned char *>();
    } else if (entry.kinds[i] == Kind::Name) {
      image = MemoryDescriptor(args[i].As<const char *>());
    } else if (entry.kinds[i] == Kind::Address) {
      // An image the thread's last call named is asked for by its slot;
      // any other address as one the host never named.
      for (std::uint32_t k = 0; k < thread.namedCount; ++k) {
        if (thread.named[k] == args[i].pointer) {
          images.slot[i] = static_cast<int>(k);
        }
      }
    }
    if (image != nullptr) {
      images.slot[i] = static_cast<int>(count);
      images.caller[count++] = image;
    }
  }
  return images;
}

struct Outcome {
  int number = 0;
  const char *text = nullptr;
};

Outcome Fail(int code) { return {code, nullptr}; }

// The largest reply an entry may have.
std::size_t MaxReplyBytes(const wire::Entry &entry) {
  std::size_t bytes = 4 + wire::kMaxText;
  for (std::size_t i = 0; i < entry.count; ++i) {
    bytes += wire::BufferBytes(entry.kinds[i]);
  }
  return bytes + std::size_t{wire::kImageSlots} * wire::kImageBytes;
}

Outcome Call(const wire::Entry &entry, const wire::Arg *args) {
  ThreadState &thread = CurrentThread();
  const std::shared_ptr<Host> host = HostFor(entry.ordinal);
  if (host == nullptr) {
    return Fail(kHostEnded);
  }
  std::unique_lock<std::mutex> shared(host->controlMutex, std::defer_lock);
  Channel *channel = nullptr;
  if (host->process->SharesControl()) {
    shared.lock();
    channel = &host->process->Control();
  } else {
    if (thread.channel == nullptr || thread.generation != host->generation) {
      thread.channel.reset();
      thread.channel = host->process->Attach();
      thread.generation = host->generation;
    }
    if (thread.channel == nullptr) {
      EndHost(*host, "no channel could be made for a new caller thread");
      return Fail(kHostEnded);
    }
    channel = thread.channel.get();
  }
  unsigned char *const slots = channel->Slots();
  const wire::CallImages images =
      ImagesOf(entry, args, thread, slots == nullptr);
  const std::uint32_t sequence = ++thread.sequence;
  if (!wire::WriteCall(entry, sequence, args, images, thread.message)) {
    return Fail(kArgumentTooLarge);
  }
  std::uint32_t named = 0;
  for (std::size_t i = 0; i < entry.count; ++i) {
    if (images.slot[i] != wire::kNoSlot && entry.kinds[i] != Kind::Address) {
      ++named;
    }
  }
  if (entry.ordinal != kGetMemoryImageLength) {
    std::memcpy(thread.named, images.caller, sizeof thread.named);
    thread.namedCount = named;
  }
  for (std::uint32_t k = 0; slots != nullptr && k < named; ++k) {
    std::memcpy(slots + std::size_t{k} * wire::kImageBytes, images.caller[k],
                wire::kImageBytes);
  }

  std::optional<Clock::time_point> deadline;
  if (host->deadline) {
    deadline = Clock::now() + *host->deadline;
  }
  const auto failed = [&](Channel::Got got) {
    if (got == Channel::Got::kLate) {
      EndHost(*host, std::string("it did not answer ") + entry.name +
                         " within " + std::to_string(host->deadline->count()) +
                         " ms, and was ended");
      return Fail(kHostDeadline);
    }
    EndHost(*host, "");
    return Fail(kHostEnded);
  };
  if (!channel->Send(thread.message.data(), thread.message.size())) {
    return failed(Channel::Got::kEnded);
  }
  unsigned char bytes[wire::kHeaderBytes];
  if (const Channel::Got got = channel->Receive(bytes, sizeof bytes, deadline);
      got != Channel::Got::kAll) {
    return failed(got);
  }
  const wire::Header header = wire::GetHeader(bytes);
  if (header.type == wire::kException && header.length == 4 &&
      channel->Receive(bytes, 4, deadline) == Channel::Got::kAll) {
    char why[96];
    std::snprintf(why, sizeof why, "exception 0x%08" PRIX32 " in %s",
                  wire::GetWord(bytes), entry.name);
    // It ends itself right after saying so: its own end, not a kill.
    channel->Receive(bytes, 1, Clock::now() + std::chrono::seconds(5));
    EndHost(*host, why);
    return Fail(kHostEnded);
  }
  const auto malformed = [&] {
    EndHost(*host, std::string("a malformed reply to ") + entry.name +
                       ", and was ended");
    return Fail(kHostEnded);
  };
  if (header.type != wire::kReply ||
      header.ordinal != static_cast<std::uint32_t>(entry.ordinal) ||
      header.sequence != sequence || header.length > MaxReplyBytes(entry)) {
    return malformed();
  }
  thread.message.resize(header.length);
  if (const Channel::Got got =
          channel->Receive(thread.message.data(), header.length, deadline);
      got != Channel::Got::kAll) {
    return failed(got);
  }
  wire::Answer answer;
  if (!wire::ReadReply(entry, args, images, thread.message.data(),
                       thread.message.size(), answer)) {
    return malformed();
  }
  for (std::uint32_t k = 0; slots != nullptr && k < named; ++k) {
    std::memcpy(images.caller[k], slots + std::size_t{k} * wire::kImageBytes,
                wire::kImageBytes);
  }
  if (entry.result == wire::ResultKind::kText) {
    thread.paramTextNull = answer.text == nullptr;
    thread.paramText.assign(answer.text == nullptr ? "" : answer.text,
                            answer.textLength);
    return {0, thread.paramTextNull ? nullptr : thread.paramText.c_str()};
  }
  return {answer.number, nullptr};
}

// No exception leaves an entry: one the proxy cannot take on (memory ran
// out) fails the call as if the host had gone.
Outcome Guarded(int ordinal, std::initializer_list<wire::Arg> args) noexcept {
  try {
    const wire::Entry *entry = wire::FindEntry(static_cast<unsigned>(ordinal));
    if (entry == nullptr || args.size() != entry->count) {
      return Fail(kHostEnded);
    }
    return Call(*entry, args.begin());
  } catch (const std::exception &failure) {
    std::fprintf(stderr, "QELScanner proxy: a call failed: %s\n",
                 failure.what());
    return Fail(kHostEnded);
  }
}

} // namespace

int ForwardInt(int ordinal, std::initializer_list<wire::Arg> args) noexcept {
  return Guarded(ordinal, args).number;
}

const char *ForwardText(int ordinal,
                        std::initializer_list<wire::Arg> args) noexcept {
  return Guarded(ordinal, args).text;
}

} // namespace qel::proxy

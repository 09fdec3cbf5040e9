// The transport's one transaction: a scan taking a document, its faults,
// the feed time, the scanner going away and the session after it resuming.
#include "virtualscanner/feed.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sys/stat.h>
#include <utility>
#if defined(_WIN32)
#include <windows.h>
#else
#include <thread>
#endif

#include "virtualscanner/environment.h"

namespace vs {

namespace {

constexpr int kFastestRate = 60000; // documents a minute: 1 ms each
// How often a sleeping call looks for the MIRB_VIRTUAL_UNPLUGGED file.
constexpr int kPollMs = 20;

void Unplug(State &st) {
  // The copy first: should it fail, nothing has changed.
  auto resume = std::make_pair(st.hopper, st.nextDocument);
  st.resume = std::move(resume);
  st.unplugged = true;
  st.changed.Notify();
}

// Why the track takes no document now, or MIRB_VS_OK.
int TrackCheck(State &st) {
  const int rc = DeviceCheck(st);
  return rc != MIRB_VS_OK ? rc : st.trackFault;
}

const Document *Next(const State &st) {
  return st.nextDocument < st.hopper.size() ? &st.hopper[st.nextDocument]
                                            : nullptr;
}

// Documents the next feed takes from the hopper.
std::size_t Taken(const State &st) {
  const Document *next = Next(st);
  if (next == nullptr || next->fault == Fault::kUnplugged) {
    return 0;
  }
  return next->fault == Fault::kDoubleFeed &&
                 st.nextDocument + 1 < st.hopper.size()
             ? 2
             : 1;
}

// What a library that writes through a null pointer does: an access
// violation on Windows, SIGSEGV elsewhere, which ends the process (a JVM
// writes its fatal error report first). Pointer and target are volatile,
// so the compiler can neither see that the pointer is null nor leave the
// write out.
[[noreturn]] void Crash() {
  volatile int *volatile nowhere = nullptr;
  *nowhere = 0;
  std::abort(); // a handler let the write pass
}

void SleepMilliseconds(int ms) {
#if defined(_WIN32)
  Sleep(static_cast<DWORD>(ms));
#else
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
#endif
}

// A library stuck in a call: it never returns, and keeps what it holds.
[[noreturn]] void Hang() {
  for (;;) {
    SleepMilliseconds(3600000);
  }
}

// Moves the document in the track (if any) to the pocket and feeds the
// next one from the hopper; null when the hopper is empty.
const Document *FeedDocument(State &st) {
  st.documentInTrack = false; // the previous one goes to the pocket
  if (st.nextDocument >= st.hopper.size()) {
    return nullptr;
  }
  Document doc = st.hopper[st.nextDocument++];
  doc.printed = std::move(st.pendingPrint);
  doc.endorsement = std::move(st.pendingEndorsement);
  st.pendingPrint = PrintJob{};
  st.pendingEndorsement = PrintJob{};
  st.lastDocument = std::move(doc);
  st.documentInTrack = true;
  ++st.documentsFed;
  return &*st.lastDocument;
}

// The transport, held by one feeding scan at a time and given back when
// it leaves, by any path. A scan of a session that has ended holds
// nothing: the session's end freed the transport.
class Transport {
public:
  explicit Transport(State &st) : st_(st) {}
  ~Transport() {
    if (ticket_ != 0 && st_.feeder == ticket_) {
      st_.feeder = 0;
      st_.feeding = false;
      st_.changed.Notify();
    }
  }
  Transport(const Transport &) = delete;
  Transport &operator=(const Transport &) = delete;

  // Waits without the lock until the transport is free and takes it:
  // MIRB_VS_OK, or why no document can be fed (the session ended, the
  // scanner is gone, the track is jammed).
  int Take(std::unique_lock<Lock> &lock, std::uint64_t session) {
    for (;;) {
      if (st_.session != session) {
        return MIRB_VS_ERR_NOT_INITIALISED;
      }
      if (const int rc = TrackCheck(st_); rc != MIRB_VS_OK) {
        return rc;
      }
      if (st_.feeder == 0) {
        ticket_ = ++st_.tickets;
        st_.feeder = ticket_;
        return MIRB_VS_OK;
      }
      st_.changed.Wait(lock, kPollMs);
    }
  }

private:
  State &st_;
  std::uint64_t ticket_ = 0;
};

} // namespace

bool TakeResume(State &st, std::vector<Document> &hopper, std::size_t &next) {
  if (!st.resume) {
    return false;
  }
  hopper = std::move(st.resume->first);
  next = st.resume->second;
  st.resume.reset();
  return true;
}

int FeedMilliseconds() {
  const int rate = EnvInt("MIRB_VIRTUAL_FEED_RATE").value_or(0);
  return rate >= 1 && rate <= kFastestRate ? (60000 + rate / 2) / rate : 0;
}

bool UnpluggedByFile() {
  const char *name = std::getenv("MIRB_VIRTUAL_UNPLUGGED");
  struct stat status;
  return name != nullptr && *name != '\0' && ::stat(name, &status) == 0;
}

int DeviceCheck(State &st) {
  if (!st.open) {
    return MIRB_VS_ERR_NOT_INITIALISED;
  }
  if (!st.unplugged && UnpluggedByFile()) {
    Unplug(st);
  }
  return st.unplugged ? MIRB_VS_ERR_UNPLUGGED : MIRB_VS_OK;
}

TakenDocument::~TakenDocument() {
  if (!before_ || std::uncaught_exceptions() <= exceptions_) {
    return;
  }
  st_.nextDocument = before_->nextDocument;
  st_.documentsFed = before_->documentsFed;
  st_.documentInTrack = before_->documentInTrack;
  st_.lastDocument = std::move(before_->lastDocument);
  st_.pendingPrint = std::move(before_->pendingPrint);
  st_.pendingEndorsement = std::move(before_->pendingEndorsement);
}

void TakenDocument::Feed() {
  before_.emplace(Before{st_.nextDocument, st_.documentsFed,
                         st_.documentInTrack, st_.lastDocument,
                         st_.pendingPrint, st_.pendingEndorsement});
  doc_ = FeedDocument(st_);
}

int TakeDocument(State &st, std::unique_lock<Lock> &lock,
                 TakenDocument &taken) {
  const std::uint64_t session = st.session;
  Transport transport(st);
  if (const int rc = transport.Take(lock, session); rc != MIRB_VS_OK) {
    return rc;
  }
  // The feed shares of the documents taken, and the document's own delay
  // (an unplug takes none, but is slow as asked).
  const int ms = static_cast<int>(Taken(st)) * st.feedMs +
                 (Next(st) != nullptr ? Next(st)->slowMs : 0);
  if (ms > 0) {
    st.feeding = true; // status queries answer meanwhile, showing the feed
    const int rc = SleepInSession(st, lock, session, ms);
    if (st.session == session) {
      st.feeding = false;
    }
    if (rc != MIRB_VS_OK) {
      return rc;
    }
  }
  const Document *next = Next(st);
  const Fault fault = next != nullptr ? next->fault : Fault::kNone;
  if (fault == Fault::kCrash) {
    Crash();
  }
  if (fault == Fault::kHang) {
    Hang(); // with the lock held
  }
  if (fault == Fault::kUnplugged) {
    // The next session goes on with this document, which then passes.
    Unplug(st);
    st.resume->first[st.nextDocument].fault = Fault::kNone;
    return MIRB_VS_ERR_UNPLUGGED;
  }
  if (fault == Fault::kJam || fault == Fault::kDoubleFeed) {
    // The one in the track went to the pocket; these stick, unread, and
    // the print jobs wait for the next document that passes.
    const std::size_t taken = Taken(st);
    st.nextDocument += taken;
    st.documentsFed += static_cast<std::uint32_t>(taken);
    st.documentInTrack = true;
    st.lastDocument.reset();
    st.trackFault =
        fault == Fault::kJam ? MIRB_VS_ERR_JAM : MIRB_VS_ERR_DOUBLE_FEED;
    return st.trackFault;
  }
  taken.Feed();
  if (taken.get() == nullptr) {
    return MIRB_VS_ERR_NO_DOCUMENT;
  }
  return fault == Fault::kCapture ? MIRB_VS_ERR_CAPTURE : MIRB_VS_OK;
}

int SleepInSession(State &st, std::unique_lock<Lock> &lock,
                   std::uint64_t session, int ms) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    if (st.session != session) {
      return MIRB_VS_ERR_NOT_INITIALISED;
    }
    if (const int rc = DeviceCheck(st); rc != MIRB_VS_OK) {
      return rc;
    }
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now())
            .count();
    if (left <= 0) {
      return MIRB_VS_OK;
    }
    st.changed.Wait(lock, static_cast<int>(std::min<long long>(left, kPollMs)));
  }
}

} // namespace vs

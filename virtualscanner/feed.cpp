// The transport's one transaction: a scan taking a document, its faults,
// the feed time, the scanner going away and the session after it resuming.
#include "virtualscanner/feed.h"

#include <cstdlib>
#include <sys/stat.h>
#include <utility>
#if defined(_WIN32)
#include <windows.h>
#else
#include <chrono>
#include <thread>
#endif

#include "virtualscanner/environment.h"

namespace vs {

namespace {

constexpr int kFastestRate = 60000; // documents a minute: 1 ms each

void Unplug(State &st) {
  // The copy first: should it fail, nothing has changed.
  auto resume = std::make_pair(st.hopper, st.nextDocument);
  st.resume = std::move(resume);
  st.unplugged = true;
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
  if (const int rc = TrackCheck(st); rc != MIRB_VS_OK) {
    return rc;
  }
  const Document *next = Next(st);
  const int ms = static_cast<int>(Taken(st)) * st.feedMs +
                 (Taken(st) > 0 ? next->slowMs : 0);
  if (ms > 0) {
    // Status queries answer meanwhile, showing the feed.
    ++st.feeding;
    lock.unlock();
    SleepMilliseconds(ms);
    lock.lock();
    --st.feeding;
    if (const int rc = TrackCheck(st); rc != MIRB_VS_OK) {
      return rc;
    }
    next = Next(st);
  }
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

void SleepMilliseconds(int ms) {
#if defined(_WIN32)
  Sleep(static_cast<DWORD>(ms));
#else
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
#endif
}

} // namespace vs

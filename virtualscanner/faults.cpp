// Jams, double feeds, misreads, slow answers, capture failures, the
// scanner going away, and the feed speed.
#include "virtualscanner/faults.h"

#include <charconv>
#include <cstdlib>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <utility>
#if defined(_WIN32)
#include <windows.h>
#else
#include <chrono>
#include <thread>
#endif

namespace vs {

namespace {

constexpr int kLongestSlow = 600000; // ten minutes
constexpr int kFastestRate = 60000;  // documents a minute: 1 ms each

// A whole number from 0 to high, digits only.
bool ParseCount(std::string_view text, std::size_t high, std::size_t &value) {
  const char *end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, value);
  return !text.empty() && error == std::errc() && at == end && value <= high;
}

// "3,10-12": places and ranges of them, counted from 0.
bool ParseUnreadable(const std::string &text, std::vector<std::size_t> &out) {
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t comma = text.find(',', start);
    comma = comma == std::string::npos ? text.size() : comma;
    const std::string_view item(text.data() + start, comma - start);
    const std::size_t dash = item.find('-');
    std::size_t low = 0, high = 0;
    if (!ParseCount(item.substr(0, dash), kMaxText, low) ||
        !ParseCount(dash == item.npos ? item : item.substr(dash + 1), kMaxText,
                    high) ||
        high < low) {
      return false;
    }
    for (std::size_t i = low; i <= high; ++i) {
      out.push_back(i);
    }
    start = comma + 1;
  }
  return true;
}

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

} // namespace

std::optional<bool> ParseFaultField(const std::string &key,
                                    const std::string &value, Document &doc) {
  if (key == "fault") {
    const struct {
      const char *name;
      Fault fault;
    } kinds[] = {{"jam", Fault::kJam},
                 {"double-feed", Fault::kDoubleFeed},
                 {"unplugged", Fault::kUnplugged},
                 {"capture", Fault::kCapture},
                 {"crash", Fault::kCrash},
                 {"hang", Fault::kHang}};
    for (const auto &kind : kinds) {
      if (value == kind.name) {
        doc.fault = kind.fault;
        return true;
      }
    }
    return false;
  }
  std::size_t ms = 0;
  if (key == "slow") {
    const bool valid = ParseCount(value, kLongestSlow, ms);
    doc.slowMs = static_cast<int>(ms);
    return valid;
  }
  if (key == "unreadable") {
    return ParseUnreadable(value, doc.unreadable);
  }
  return std::nullopt;
}

bool FinishFaultFields(Document &doc) {
  for (const std::size_t place : doc.unreadable) {
    if (place >= doc.codeLine.size()) {
      return false;
    }
    doc.confidence[place] = MIRB_VS_REJECT_CONFIDENCE;
  }
  return true;
}

std::string ReadCodeLine(const Document &doc) {
  std::string read = doc.codeLine;
  for (const std::size_t place : doc.unreadable) {
    read[place] = MIRB_VS_REJECT_CHARACTER;
  }
  return read;
}

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

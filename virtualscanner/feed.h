// The transport: a scan feeding a document from the hopper into the track,
// as one transaction (taking the document, its fault, the feed time, the
// scanner going away and the next session resuming, the undo), and the
// checks every entry that needs the scanner makes (README "Transport,
// status and identity", "Faults", "Feed speed").
#ifndef QELSCANNER_VIRTUALSCANNER_FEED_H
#define QELSCANNER_VIRTUALSCANNER_FEED_H

#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <vector>

#include "virtualscanner/state.h"

namespace vs {

// A session's start: the hopper where an unplugged session stopped (true),
// or nothing to resume (false).
bool TakeResume(State &st, std::vector<Document> &hopper, std::size_t &next);
// A document's share of MIRB_VIRTUAL_FEED_RATE; 0 when unset.
int FeedMilliseconds();
// While the MIRB_VIRTUAL_UNPLUGGED file exists.
bool UnpluggedByFile();

// NOT_INITIALISED, UNPLUGGED (the file existing unplugs the session), or
// MIRB_VS_OK for an entry that needs the scanner.
int DeviceCheck(State &st);

// The document a scan takes. Should the scan end in an exception (memory
// running out while its images are made), the destructor puts the hopper,
// the track, the counter and the print jobs back as they were before the
// feed, so the next scan takes the same document. Declared after the
// scan's lock, so that it is undone under the lock.
class TakenDocument {
public:
  explicit TakenDocument(State &st) : st_(st) {}
  ~TakenDocument();
  TakenDocument(const TakenDocument &) = delete;
  TakenDocument &operator=(const TakenDocument &) = delete;

  // The document taken and read, or null.
  const Document *get() const { return doc_; }
  // Moves the document in the track (if any) to the pocket and feeds the
  // next one from the hopper, remembering what that changes.
  void Feed();

private:
  struct Before {
    std::size_t nextDocument;
    std::uint32_t documentsFed;
    bool documentInTrack;
    std::optional<Document> lastDocument;
    PrintJob pendingPrint, pendingEndorsement;
  };
  State &st_;
  int exceptions_ = std::uncaught_exceptions(); // unwinding at the start
  std::optional<Before> before_;
  const Document *doc_ = nullptr;
};

// What every scan does first: waits for the transport (one document is
// fed at a time, whatever thread scans), sleeps the document's feed time
// and slow delay without the lock, then moves a document in the track to
// the pocket and takes the next one. taken holds the document taken and
// read (result MIRB_VS_OK, or MIRB_VS_ERR_CAPTURE: no image), else none,
// and the result the reason; a scan whose session ended while it waited
// takes nothing and answers MIRB_VS_ERR_NOT_INITIALISED.
int TakeDocument(State &st, std::unique_lock<Lock> &lock, TakenDocument &taken);

// Sleeps ms milliseconds without the lock held by lock, for a call of the
// session numbered session (State::session): MIRB_VS_OK after the whole
// time; within some 20 ms of the session's end MIRB_VS_ERR_NOT_INITIALISED,
// of the scanner going away (by fault or file) MIRB_VS_ERR_UNPLUGGED.
int SleepInSession(State &st, std::unique_lock<Lock> &lock,
                   std::uint64_t session, int ms);

} // namespace vs

#endif

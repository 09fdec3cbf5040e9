// The virtual scanner's state: the session, the hopper and its documents,
// the transport, the print jobs. Nothing here is exported: the library
// builds with hidden visibility and only the entries of
// scannerlib/mirbap32.h are default.
#ifndef QELSCANNER_VIRTUALSCANNER_STATE_H
#define QELSCANNER_VIRTUALSCANNER_STATE_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "virtualscanner/lock.h"
#include "virtualscanner/texts.h"
#include "virtualscanner/virtual_scanner.h"

namespace vs {

constexpr int kParamCount = MIRB_VS_PARAM_COUNT;

// A print job as printing.cpp accepted it; imprint.cpp draws it. The
// README's "Printing" section gives the meaning and range of each number.
struct PrintJob {
  std::string text;  // empty: no job
  int x = 0, y = 0;  // top left of the text's box, 200-dpi pixels; 0: default
  int scale = 1;     // pixels per dot of the 5 x 7 font
  int direction = 0; // degrees clockwise: 0, 90, 180 or 270
  bool bold = false;
  int sides = 0; // MIRB_VS_SIDE_FRONT, _BACK or _BOTH
  int kinds = 0; // sum of the MIRB_VS_IMAGES_* it is drawn on
};

// What scanning a document goes wrong with (README "Faults").
enum class Fault {
  kNone,
  kJam,
  kDoubleFeed,
  kUnplugged,
  kCapture,
  kCrash,
  kHang
};

struct Image;

// What the front shows besides the code line, as the hopper file gives it
// or as it follows from the code line, and the pictures named in the
// hopper that take the place of the drawn sides.
struct CheckFields {
  std::string payee = "VIRTUAL PAYEE";
  std::string drawer = "ACCOUNT HOLDER";
  std::string address = "1 MAIN STREET|ANYTOWN"; // '|' starts a new line
  std::string date = "01/27/2016";
  std::string amount; // in the box, in figures ("1,234.56"); empty: none
  std::string words;  // the legal amount above "DOLLARS"; may be empty
  std::string memo;
  std::string bank = "VIRTUAL BANK";
  std::string frontFile, backFile; // as the hopper names them; empty: drawn
  // The pictures on white paper, 200 dpi and the size of a check.
  std::shared_ptr<const Image> front, back;
};

struct Document {
  std::string codeLine;
  std::string confidence; // one digit per code-line character
  int quality = 0;
  int contrast = 0;
  Fault fault = Fault::kNone;
  int slowMs = 0;                      // the scan taking it answers so late
  std::vector<std::size_t> unreadable; // code-line places read as rejects
  CheckFields fields;
  PrintJob printed;     // batch print it received
  PrintJob endorsement; // virtual endorsement it received
};

struct SpecialDocument {
  std::string routing;
  std::string account;
  std::vector<int> settings;
};

struct State {
  Lock mutex;
  bool open = false;
  int debugLevel = 0;
  std::string dllPath, iniFile, cfgFile;
  std::array<int, kParamCount> params{};
  std::array<std::string, kParamCount> texts;
  std::vector<Document> hopper;
  std::size_t nextDocument = 0;
  bool documentInTrack = false;
  std::optional<Document> lastDocument;
  std::uint32_t documentsFed = 0; // since the library was loaded
  std::deque<std::pair<std::uintptr_t, int>> placedImages;
  std::vector<SpecialDocument> specials;
  PrintJob pendingPrint, pendingEndorsement; // for the next document
  char paramText[kTextBuffer] = {};
  // The transport (feed.cpp). The session's:
  int trackFault = 0;       // MIRB_VS_ERR_JAM or _DOUBLE_FEED until cleared
  bool unplugged = false;   // until the session closes
  int feedMs = 0;           // a document's share of MIRB_VIRTUAL_FEED_RATE
  std::uint64_t feeder = 0; // the ticket of the scan feeding; 0: none
  bool feeding = false;     // that scan sleeps through its feed time
  // Counts the sessions' starts and ends, so that a call that slept
  // without the lock knows whether its session is still the one open.
  std::uint64_t session = 0;
  std::uint64_t tickets = 0; // handed to the scans that feed, one each
  // Wakes the calls sleeping without the lock: their session ended, the
  // scanner went away, the transport came free.
  Signal changed;
  // After an unplug, the next session goes on with the hopper as it was.
  std::optional<std::pair<std::vector<Document>, std::size_t>> resume;
};

// The one instance; every entry takes TheState().mutex first.
State &TheState();

// Forgets everything of a session; the session is closed, and the calls
// sleeping in it are woken to find it so.
void ResetSession(State &st);

} // namespace vs

#endif

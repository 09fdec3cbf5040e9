// The virtual scanner's state and the helpers its entries share. Nothing
// here is exported: the library builds with hidden visibility and only the
// entries of scannerlib/mirbap32.h are default.
#ifndef QELSCANNER_VIRTUALSCANNER_STATE_H
#define QELSCANNER_VIRTUALSCANNER_STATE_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "virtualscanner/virtual_scanner.h"

namespace vs {

constexpr std::size_t kTextBuffer = 256; // code line, serial, names
constexpr std::size_t kMaxText = kTextBuffer - 1;
constexpr std::size_t kShortText = 32; // length texts, identity texts
constexpr std::size_t kImageBuffer = 1048576;
constexpr int kParamCount = MIRB_VS_PARAM_COUNT;

// A plain mutex. mingw-w64's win32 thread model has no std::mutex, so on
// Windows it is a slim reader/writer lock taken exclusively.
class Lock {
public:
  Lock() = default;
  Lock(const Lock &) = delete;
  Lock &operator=(const Lock &) = delete;
  void lock();
  void unlock();

private:
#if defined(_WIN32)
  void *srw_ = nullptr; // SRWLOCK_INIT
#else
  std::mutex mutex_;
#endif
};
using Guard = std::lock_guard<Lock>;

// A print job as printing.cpp accepted it; render.cpp draws it. The
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

// What the front shows besides the code line, and the pictures named in
// the hopper that take the place of the drawn sides.
struct CheckFields {
  std::string payee = "VIRTUAL PAYEE";
  std::string drawer = "ACCOUNT HOLDER";
  std::string address = "1 MAIN STREET|ANYTOWN"; // '|' starts a new line
  std::string date = "01/27/2016";
  bool ownAmount = false;           // the amount key was given
  std::optional<long long> amount;  // its cents; none: an empty box
  std::optional<std::string> words; // none: written out from the amount
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
  // Faults (faults.cpp). The session's:
  int trackFault = 0;     // MIRB_VS_ERR_JAM or _DOUBLE_FEED until cleared
  bool unplugged = false; // until the session closes
  int feedMs = 0;         // a document's share of MIRB_VIRTUAL_FEED_RATE
  // Scans sleeping through a feed, whatever session they belong to.
  int feeding = 0;
  // After an unplug, the next session goes on with the hopper as it was.
  std::optional<std::pair<std::vector<Document>, std::size_t>> resume;
};

// The one instance; every entry takes TheState().mutex first.
State &TheState();

// Writes text into dst of size bytes, cut to size - 1 and always
// terminated. A null dst is skipped.
void PutText(char *dst, std::size_t size, const std::string &text);
inline void PutInt(int *dst, int value) {
  if (dst != nullptr) {
    *dst = value;
  }
}
// Reads a NUL-terminated text of at most kMaxText bytes; never reads past
// its NUL nor past kMaxText + 1 bytes. Null reads as the empty text.
// False: too long.
bool ReadText(const char *src, std::string &out);

// An environment variable as a whole int, if set and well formed.
std::optional<int> EnvInt(const char *name);
std::optional<long long> EnvNumber(const char *name);

void ResetSession(State &st);
// Moves the document in the track (if any) to the pocket and feeds the
// next one from the hopper; null when the hopper is empty.
const Document *FeedDocument(State &st);
// Records that an image of length bytes now starts at address.
void PlaceImage(State &st, const void *address, int length);
// Number of the special document whose routing and account both occur in
// the code line (1-based), or 0.
int MatchSpecial(const State &st, const std::string &codeLine);

std::string Decimal(long long value);

} // namespace vs

#endif

// The library's one state and the helpers every area shares.
#include "virtualscanner/state.h"

#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace vs {

#if defined(_WIN32)
void Lock::lock() {
  AcquireSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&srw_));
}
void Lock::unlock() {
  ReleaseSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&srw_));
}
#else
void Lock::lock() { mutex_.lock(); }
void Lock::unlock() { mutex_.unlock(); }
#endif

State &TheState() {
  static State instance;
  return instance;
}

void PutText(char *dst, std::size_t size, const std::string &text) {
  if (dst == nullptr || size == 0) {
    return;
  }
  const std::size_t n = text.size() < size ? text.size() : size - 1;
  std::memcpy(dst, text.data(), n);
  dst[n] = '\0';
}

bool ReadText(const char *src, std::string &out) {
  out.clear();
  if (src == nullptr) {
    return true;
  }
  std::size_t n = 0;
  while (n <= kMaxText && src[n] != '\0') {
    ++n;
  }
  if (n > kMaxText) {
    return false;
  }
  out.assign(src, n);
  return true;
}

std::optional<long long> EnvNumber(const char *name) {
  const char *text = std::getenv(name);
  if (text == nullptr) {
    return std::nullopt;
  }
  // Read as strtoll reads: white space and one plus sign may come first.
  std::string_view digits(text);
  const std::size_t start = digits.find_first_not_of(" \t\n\v\f\r");
  if (start == std::string_view::npos) {
    return std::nullopt;
  }
  digits.remove_prefix(start);
  if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-') {
    digits.remove_prefix(1);
  }
  const char *end = digits.data() + digits.size();
  long long value = 0;
  const auto [at, error] = std::from_chars(digits.data(), end, value);
  if (error != std::errc() || at != end) {
    return std::nullopt;
  }
  return value;
}

std::optional<int> EnvInt(const char *name) {
  const std::optional<long long> value = EnvNumber(name);
  if (!value || *value < INT_MIN || *value > INT_MAX) {
    return std::nullopt;
  }
  return static_cast<int>(*value);
}

void ResetSession(State &st) {
  st.open = false;
  st.dllPath.clear();
  st.iniFile.clear();
  st.cfgFile.clear();
  st.params.fill(0);
  for (auto &text : st.texts) {
    text.clear();
  }
  st.hopper.clear();
  st.nextDocument = 0;
  st.documentInTrack = false;
  st.lastDocument.reset();
  st.placedImages.clear();
  st.specials.clear();
  st.pendingPrint = PrintJob{};
  st.pendingEndorsement = PrintJob{};
  st.trackFault = 0;
  st.unplugged = false;
  st.feedMs = 0;
}

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

void PlaceImage(State &st, const void *address, int length) {
  const auto key = reinterpret_cast<std::uintptr_t>(address);
  for (auto it = st.placedImages.begin(); it != st.placedImages.end(); ++it) {
    if (it->first == key) {
      st.placedImages.erase(it);
      break;
    }
  }
  st.placedImages.emplace_back(key, length);
  constexpr std::size_t kRemembered = 64; // the newest ones are asked for
  if (st.placedImages.size() > kRemembered) {
    st.placedImages.pop_front();
  }
}

int MatchSpecial(const State &st, const std::string &codeLine) {
  for (std::size_t i = 0; i < st.specials.size(); ++i) {
    const SpecialDocument &s = st.specials[i];
    if (codeLine.find(s.routing) != std::string::npos &&
        codeLine.find(s.account) != std::string::npos) {
      return static_cast<int>(i + 1);
    }
  }
  return 0;
}

std::string Decimal(long long value) { return std::to_string(value); }

} // namespace vs

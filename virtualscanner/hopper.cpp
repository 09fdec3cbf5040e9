// The hopper file and the default stack: every key of a hopper line, the
// pictures it names, and the twelve checks the hopper holds without a
// file. README.md lists the same code lines; keep the two together.
#include "virtualscanner/hopper.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

#include "virtualscanner/amounts.h"
#include "virtualscanner/files.h"
#include "virtualscanner/image.h"
#include "virtualscanner/image_files.h"

namespace vs {

namespace {

constexpr int kLongestSlow = 600000; // ten minutes
// Different picture files a hopper may name; each takes 0.66 MB (a 200-dpi
// gray check) while the session is open.
constexpr std::size_t kMaxPictures = 1024;
// A check's page, on which a picture is laid: 6 x 2.75 inches at 200 dpi.
constexpr int kPageWidth = 1200;
constexpr int kPageHeight = 550;
constexpr int kPageDpi = 200;

struct Check {
  const char *codeLine;
  int quality;
  int contrast;
};

// The default stack. Routing numbers carry a valid check digit and differ
// from each other; some checks have no amount field yet, two are personal
// checks with the serial after the account, one account holds a dash.
constexpr Check kStack[] = {
    {"U001001U T249239726T 4820173659U $0000012500$", 100, 60},
    {"U001002U T111992489T 7031845526U $0000004999$", 97, 58},
    {"U001003U T108363351T 5590012874U", 99, 63},
    {"U001004U T278667440T 0034417752U $0000250000$", 94, 55},
    {"T253715045T 61820394U 1005", 100, 61},
    {"U001006U T029941302T 9164028837U $0000000100$", 98, 66},
    {"U001007U T323366719T 2207781463U $0001234567$", 96, 59},
    {"T025696240T 3308816524U 1008 $0000007525$", 100, 62},
    {"U001009U T027827541T 7745012396U", 93, 57},
    {"U001010U T258974399T 1188230475U $0000098000$", 99, 64},
    {"U001011U T035284529T 6620-45781U $0000001999$", 97, 60},
    {"U001012U T275125383T 5039967218U $0000300000$", 95, 68},
};

// A document of this code line with every key at its default.
Document Plain(const std::string &codeLine, int quality, int contrast) {
  Document doc;
  doc.codeLine = codeLine;
  doc.confidence.assign(doc.codeLine.size(), '9');
  doc.quality = quality;
  doc.contrast = contrast;
  return doc;
}

std::vector<Document> DefaultStack() {
  std::vector<Document> stack;
  for (const Check &check : kStack) {
    Document doc = Plain(check.codeLine, check.quality, check.contrast);
    DecideAmounts(doc.codeLine, std::nullopt, std::nullopt, doc.fields.amount,
                  doc.fields.words);
    stack.push_back(std::move(doc));
  }
  return stack;
}

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

bool ParseFault(const std::string &value, Fault &fault) {
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
      fault = kind.fault;
      return true;
    }
  }
  return false;
}

// The text a key of the check's own fields sets, or null for another key.
std::string *TextField(CheckFields &fields, const std::string &key) {
  return key == "payee"     ? &fields.payee
         : key == "drawer"  ? &fields.drawer
         : key == "address" ? &fields.address
         : key == "date"    ? &fields.date
         : key == "memo"    ? &fields.memo
         : key == "bank"    ? &fields.bank
         : key == "front"   ? &fields.frontFile
         : key == "back"    ? &fields.backFile
                            : nullptr;
}

// What one line's keys say, before the amounts follow from them.
struct Line {
  Document doc;
  std::optional<std::string> amount, words;
};

// Takes key=value into the line: false when the key is unknown or the
// value malformed.
bool SetKey(Line &line, const std::string &key, const std::string &value) {
  Document &doc = line.doc;
  if (key == "confidence") {
    doc.confidence = value;
    return true;
  }
  if (key == "quality" || key == "contrast") {
    return ParseInt(value, key == "quality" ? doc.quality : doc.contrast);
  }
  if (key == "fault") {
    return ParseFault(value, doc.fault);
  }
  if (key == "slow") {
    std::size_t ms = 0;
    const bool valid = ParseCount(value, kLongestSlow, ms);
    doc.slowMs = static_cast<int>(ms);
    return valid;
  }
  if (key == "unreadable") {
    return ParseUnreadable(value, doc.unreadable);
  }
  if (key == "amount") {
    line.amount = value;
    return value.empty() || ParseAmount(value).has_value();
  }
  if (key == "words") {
    line.words = value;
    return value.size() <= kMaxText;
  }
  std::string *text = TextField(doc.fields, key);
  if (text == nullptr) {
    return false;
  }
  *text = value;
  const bool picture =
      text == &doc.fields.frontFile || text == &doc.fields.backFile;
  return value.size() <= kMaxText && !(picture && value.empty());
}

// After a line's keys: each code-line character has its one confidence
// character, the unreadable places lie within the code line and get the
// lowest confidence, and the amounts follow.
bool FinishLine(Line &line) {
  Document &doc = line.doc;
  if (doc.codeLine.size() > kMaxText ||
      doc.confidence.size() != doc.codeLine.size()) {
    return false;
  }
  for (const std::size_t place : doc.unreadable) {
    if (place >= doc.codeLine.size()) {
      return false;
    }
    doc.confidence[place] = MIRB_VS_REJECT_CONFIDENCE;
  }
  return DecideAmounts(doc.codeLine, line.amount, line.words, doc.fields.amount,
                       doc.fields.words);
}

std::vector<std::string> Split(const std::string &line, char separator) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = line.find(separator, start);
    fields.push_back(line.substr(start, at - start));
    if (at == std::string::npos) {
      return fields;
    }
    start = at + 1;
  }
}

bool IsAbsolute(const std::string &name) {
  return (!name.empty() && (name[0] == '/' || name[0] == '\\')) ||
         (name.size() > 1 && name[1] == ':');
}

// The folder of a file name with its separator, or empty.
std::string FolderOf(const std::string &name) {
#if defined(_WIN32)
  const std::size_t slash = name.find_last_of("/\\");
#else
  const std::size_t slash = name.rfind('/');
#endif
  return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

// A picture (8-bit gray, any size) on white paper of a check's size at 200
// dpi: as large as fits keeping its shape, centred, each pixel the average
// of the picture's pixels it covers.
Image PageFromPicture(const Image &picture) {
  Image page = Image::Blank(kPageWidth, kPageHeight, 8, kPageDpi);
  const double fit =
      std::min(static_cast<double>(kPageWidth) / picture.width,
               static_cast<double>(kPageHeight) / picture.height);
  const int w = std::clamp(static_cast<int>(std::lround(picture.width * fit)),
                           1, kPageWidth);
  const int h = std::clamp(static_cast<int>(std::lround(picture.height * fit)),
                           1, kPageHeight);
  const auto span = [](int i, int from, int to) { // [first, last) of from
    const int first = static_cast<int>(static_cast<long long>(i) * from / to);
    const int last =
        static_cast<int>(static_cast<long long>(i + 1) * from / to);
    return std::pair{first, std::max(first + 1, last)};
  };
  for (int y = 0; y < h; ++y) {
    const auto [y0, y1] = span(y, picture.height, h);
    for (int x = 0; x < w; ++x) {
      const auto [x0, x1] = span(x, picture.width, w);
      long long sum = 0;
      for (int v = y0; v < y1; ++v) {
        for (int u = x0; u < x1; ++u) {
          sum += picture.Gray(u, v);
        }
      }
      page.Set((kPageWidth - w) / 2 + x, (kPageHeight - h) / 2 + y,
               static_cast<int>(sum /
                                (static_cast<long long>(y1 - y0) * (x1 - x0))));
    }
  }
  return page;
}

} // namespace

// One document a line: "code line[<TAB>key=value...]".
int ParseHopper(const std::string &text, std::vector<Document> &hopper) {
  hopper.clear();
  std::size_t lines = 0;
  const bool whole = ForEachLine(text, [&](const std::string &one) {
    if (++lines > kMaxHopperLines) {
      return false;
    }
    if (one.empty() || one[0] == '#') {
      return true;
    }
    // A NUL would end a code line or a text early in a caller's buffer.
    if (one.find('\0') != std::string::npos) {
      return false;
    }
    const std::vector<std::string> fields = Split(one, '\t');
    Line line{Plain(fields[0], 100, 60), std::nullopt, std::nullopt};
    for (std::size_t i = 1; i < fields.size(); ++i) {
      const std::size_t eq = fields[i].find('=');
      if (eq == std::string::npos ||
          !SetKey(line, fields[i].substr(0, eq), fields[i].substr(eq + 1))) {
        return false;
      }
    }
    if (!FinishLine(line)) {
      return false;
    }
    hopper.push_back(std::move(line.doc));
    return true;
  });
  return whole ? MIRB_VS_OK : MIRB_VS_ERR_HOPPER;
}

int LoadPictures(std::vector<Document> &hopper, const std::string &hopperFile) {
  const std::string folder = FolderOf(hopperFile);
  std::map<std::string, std::shared_ptr<const Image>> read;
  for (Document &doc : hopper) {
    for (auto [name, picture] :
         {std::pair{&doc.fields.frontFile, &doc.fields.front},
          std::pair{&doc.fields.backFile, &doc.fields.back}}) {
      if (name->empty()) {
        continue;
      }
      const std::string path = IsAbsolute(*name) ? *name : folder + *name;
      std::shared_ptr<const Image> &known = read[path];
      if (known == nullptr && read.size() > kMaxPictures) {
        return MIRB_VS_ERR_HOPPER;
      }
      if (known == nullptr) {
        Image gray;
        if (ReadPictureFile(path, gray) != MIRB_VS_OK) {
          return MIRB_VS_ERR_HOPPER;
        }
        known = std::make_shared<const Image>(PageFromPicture(gray));
      }
      *picture = known;
    }
  }
  return MIRB_VS_OK;
}

// Without a hopper file the default stack of checks is loaded; a named
// file without documents is an empty hopper.
int LoadHopper(std::vector<Document> &hopper) {
  hopper.clear();
  const char *name = std::getenv("MIRB_VIRTUAL_HOPPER");
  if (name == nullptr || *name == '\0') {
    hopper = DefaultStack();
    return MIRB_VS_OK;
  }
  std::vector<std::uint8_t> bytes;
  if (ReadWholeFile(name, bytes, kMaxHopperBytes) != MIRB_VS_OK) {
    return MIRB_VS_ERR_HOPPER;
  }
  const int rc = ParseHopper(std::string(bytes.begin(), bytes.end()), hopper);
  return rc != MIRB_VS_OK ? rc : LoadPictures(hopper, name);
}

} // namespace vs

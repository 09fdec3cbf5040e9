// The check's own fields and pictures, as a hopper line gives them.
#include "virtualscanner/hopper.h"

#include <map>
#include <memory>
#include <utility>

#include "virtualscanner/image.h"
#include "virtualscanner/render.h"
#include "virtualscanner/amounts.h"

namespace vs {

namespace {

// Different picture files a hopper may name; each takes 0.66 MB (a 200-dpi
// gray check) while the session is open.
constexpr std::size_t kMaxPictures = 1024;

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

int ReadPictures(std::vector<Document> &hopper, const std::string &hopperFile) {
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

} // namespace

std::optional<bool> SetCheckField(CheckFields &fields, const std::string &key,
                                  const std::string &value) {
  if (key == "amount") {
    fields.ownAmount = true;
    fields.amount = ParseAmount(value);
    return value.empty() || fields.amount.has_value();
  }
  if (key == "words") {
    fields.words = value;
    return value.size() <= kMaxText;
  }
  std::string *text = key == "payee"     ? &fields.payee
                      : key == "drawer"  ? &fields.drawer
                      : key == "address" ? &fields.address
                      : key == "date"    ? &fields.date
                      : key == "memo"    ? &fields.memo
                      : key == "bank"    ? &fields.bank
                      : key == "front"   ? &fields.frontFile
                      : key == "back"    ? &fields.backFile
                                         : nullptr;
  if (text == nullptr) {
    return std::nullopt;
  }
  *text = value;
  const bool picture = text == &fields.frontFile || text == &fields.backFile;
  return value.size() <= kMaxText && !(picture && value.empty());
}

int LoadPictures(std::vector<Document> &hopper,
                 const std::string &hopperFile) noexcept {
  try {
    return ReadPictures(hopper, hopperFile);
  } catch (...) { // memory ran out: the pictures cannot be had
    return MIRB_VS_ERR_HOPPER;
  }
}

std::optional<long long> CourtesyAmount(const Document &doc) {
  return doc.fields.ownAmount ? doc.fields.amount
                              : CodeLineAmount(doc.codeLine);
}

} // namespace vs

// The stack of checks in the hopper when MIRB_VIRTUAL_HOPPER names no
// file. README.md lists the same code lines; keep the two together.
#include "virtualscanner/stack.h"

namespace vs {

namespace {

struct Check {
  const char *codeLine;
  int quality;
  int contrast;
};

// Routing numbers carry a valid check digit and differ from each other;
// some checks have no amount field yet, two are personal checks with the
// serial after the account, one account holds a dash.
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

} // namespace

std::vector<Document> DefaultStack() {
  std::vector<Document> stack;
  for (const Check &check : kStack) {
    Document doc;
    doc.codeLine = check.codeLine;
    doc.confidence.assign(doc.codeLine.size(), '9');
    doc.quality = check.quality;
    doc.contrast = check.contrast;
    stack.push_back(std::move(doc));
  }
  return stack;
}

} // namespace vs

// Special document registration and matching.
#include "virtualscanner/special_documents.h"

#include <utility>
#include <vector>

#include "scannerlib/mirbap32.h"
#include "virtualscanner/guard.h"

using namespace vs;

namespace {

constexpr std::size_t kMaxSpecials = 32;

int RegisterSpecial(const char *routing, const char *account,
                    std::vector<int> settings) {
  State &st = TheState();
  Guard guard(st.mutex);
  if (!st.open) {
    return MIRB_VS_ERR_NOT_INITIALISED;
  }
  SpecialDocument special;
  // An empty text is contained in every code line: it would match them all.
  if (!ReadText(routing, special.routing) ||
      !ReadText(account, special.account) || special.routing.empty() ||
      special.account.empty()) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  special.settings = std::move(settings);
  for (SpecialDocument &known : st.specials) {
    if (known.routing == special.routing && known.account == special.account) {
      known = std::move(special);
      return MIRB_VS_OK;
    }
  }
  if (st.specials.size() >= kMaxSpecials) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  st.specials.push_back(std::move(special));
  return MIRB_VS_OK;
}

} // namespace

int vs::MatchSpecial(const State &st, const std::string &codeLine) {
  for (std::size_t i = 0; i < st.specials.size(); ++i) {
    const SpecialDocument &s = st.specials[i];
    if (codeLine.find(s.routing) != std::string::npos &&
        codeLine.find(s.account) != std::string::npos) {
      return static_cast<int>(i + 1);
    }
  }
  return 0;
}

int MIRB_CALL QELSetSpecialDocument(int a, int b, const char *routing,
                                    const char *account, int c, int d, int e,
                                    int f) {
  return Guarded([&] {
    return RegisterSpecial(routing, account, {a, b, c, d, e, f});
  });
}

int MIRB_CALL QELSetSpecialDocumentEx(int a, int b, const char *routing,
                                      const char *account, int c, int d, int e,
                                      int f, int g, int h, int i, int j, int k,
                                      int l) {
  return Guarded([&] {
    return RegisterSpecial(routing, account,
                           {a, b, c, d, e, f, g, h, i, j, k, l});
  });
}

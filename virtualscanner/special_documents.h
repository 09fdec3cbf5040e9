// Special documents: routing and account texts registered by
// QELSetSpecialDocument(Ex), matched against the code lines scanned.
#ifndef QELSCANNER_VIRTUALSCANNER_SPECIAL_DOCUMENTS_H
#define QELSCANNER_VIRTUALSCANNER_SPECIAL_DOCUMENTS_H

#include <string>

#include "virtualscanner/state.h"

namespace vs {

// Number of the special document whose routing and account both occur in
// the code line (1-based), or 0.
int MatchSpecial(const State &st, const std::string &codeLine);

} // namespace vs

#endif

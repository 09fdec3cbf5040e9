// The stack of checks the hopper holds by default.
#ifndef QELSCANNER_VIRTUALSCANNER_STACK_H
#define QELSCANNER_VIRTUALSCANNER_STACK_H

#include <vector>

#include "virtualscanner/state.h"

namespace vs {

// The documents in the hopper when no hopper file is named.
std::vector<Document> DefaultStack();

} // namespace vs

#endif

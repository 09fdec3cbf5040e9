// The parameter tables: selectors 0 to 255 each hold a number and a text.
#ifndef QELSCANNER_VIRTUALSCANNER_PARAMETERS_H
#define QELSCANNER_VIRTUALSCANNER_PARAMETERS_H

#include "virtualscanner/state.h"

namespace vs {

// A slot of the parameter tables, numbers and texts alike; the read-only
// texts of MIRBGetParamString have selectors of their own.
bool IsTableSelector(int selector);

} // namespace vs

#endif

// A scanner library whose entries all return at once with 0 (a null text
// from MIRBGetParamString) and touch nothing: under it a bridge call costs
// the bridge and the virtual machine alone, with no scan to hide them.
#include "scannerlib/mirbap32.h"

extern "C" {

#define QELBENCH_EMPTY_ENTRY(ordinal, result, name, parameters, bytes)         \
  MIRB_API result MIRB_CALL name(QEL_PARAMETER_DECLARATIONS(parameters)) {     \
    return {};                                                                 \
  }
QEL_SCANNER_ENTRIES(QELBENCH_EMPTY_ENTRY)
#undef QELBENCH_EMPTY_ENTRY

} // extern "C"

// The code line as the reader reads it, and its reread (QELGetOcrMicr).
#ifndef QELSCANNER_VIRTUALSCANNER_CODE_LINE_H
#define QELSCANNER_VIRTUALSCANNER_CODE_LINE_H

#include <string>

#include "virtualscanner/state.h"

namespace vs {

// The code line as the reader gives it: rejects at the unreadable places.
std::string ReadCodeLine(const Document &doc);

} // namespace vs

#endif

// The code line as read, by the scans and by QELGetOcrMicr.
#include "virtualscanner/code_line.h"

#include "scannerlib/mirbap32.h"
#include "virtualscanner/feed.h"
#include "virtualscanner/guard.h"

using namespace vs;

std::string vs::ReadCodeLine(const Document &doc) {
  std::string read = doc.codeLine;
  for (const std::size_t place : doc.unreadable) {
    read[place] = MIRB_VS_REJECT_CHARACTER;
  }
  return read;
}

int MIRB_CALL QELGetOcrMicr(char *micr, char *confidence) {
  return Guarded([&] {
    PutText(micr, kTextBuffer, "");
    PutText(confidence, kTextBuffer, "");
    State &st = TheState();
    Guard guard(st.mutex);
    if (const int rc = DeviceCheck(st); rc != MIRB_VS_OK) {
      return rc;
    }
    if (st.trackFault != 0) {
      return st.trackFault; // stuck unread
    }
    if (!st.lastDocument) {
      return MIRB_VS_ERR_NO_DOCUMENT;
    }
    PutText(micr, kTextBuffer, ReadCodeLine(*st.lastDocument));
    PutText(confidence, kTextBuffer, st.lastDocument->confidence);
    return MIRB_VS_OK;
  });
}

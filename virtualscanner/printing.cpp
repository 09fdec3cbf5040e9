// Endorsement printing: the texts wait for the next document scanned,
// which carries them (MIRBGetParamString selectors 903 to 906 show them).
#include "scannerlib/mirbap32.h"
#include "virtualscanner/internal.h"

using namespace vs;

namespace {

// A print job: its text is required and non-empty, a font (when the entry
// takes one) required too. The numbers (positions, sizes, ...) are
// accepted as they come.
int queue(const char *text, bool needsFont, const char *font,
          std::string State::*slot) {
  State &st = state();
  Guard guard(st.mutex);
  if (!st.open)
    return MIRB_VS_ERR_NOT_INITIALISED;
  std::string value, fontName;
  if (text == nullptr || !readText(text, value) || value.empty())
    return MIRB_VS_ERR_BAD_ARGUMENT;
  if (needsFont && (font == nullptr || !readText(font, fontName)))
    return MIRB_VS_ERR_BAD_ARGUMENT;
  st.*slot = std::move(value); // a later job replaces an earlier one
  return MIRB_VS_OK;
}

} // namespace

int MIRB_CALL QELBatchPrintString(const char *text, int, int, int, int) {
  return queue(text, false, nullptr, &State::pendingPrint);
}

int MIRB_CALL QELBatchPrintBMP(const char *text, int, int, int, int, int, int,
                               int, int, int, const char *font) {
  return queue(text, true, font, &State::pendingPrint);
}

int MIRB_CALL QELScanVirtualEndorsement(const char *text, int, int, int, int,
                                        int, int, int, int, int, int, int, int,
                                        int, int, const char *font) {
  return queue(text, true, font, &State::pendingEndorsement);
}

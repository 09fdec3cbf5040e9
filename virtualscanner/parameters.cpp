// Parameters: a number and a text for each of the selectors 0 to 255, and
// the read-only texts of MIRBGetParamString.
#include "virtualscanner/parameters.h"

#include <string>
#include <utility>

#include "scannerlib/mirbap32.h"
#include "virtualscanner/guard.h"

using namespace vs;

bool vs::IsTableSelector(int selector) {
  return selector >= 0 && selector < kParamCount;
}

namespace {

// A text of the read-only selectors, or null for none.
const std::string *ReadOnlyText(const State &st, int selector) {
  static const std::string kEmpty;
  switch (selector) {
  case MIRB_VS_SEL_DLL_PATH:
    return &st.dllPath;
  case MIRB_VS_SEL_INI_FILE:
    return &st.iniFile;
  case MIRB_VS_SEL_CFG_FILE:
    return &st.cfgFile;
  case MIRB_VS_SEL_PENDING_PRINT:
    return &st.pendingPrint.text;
  case MIRB_VS_SEL_LAST_PRINT:
    return st.lastDocument ? &st.lastDocument->printed.text : &kEmpty;
  case MIRB_VS_SEL_PENDING_ENDORSEMENT:
    return &st.pendingEndorsement.text;
  case MIRB_VS_SEL_LAST_ENDORSEMENT:
    return st.lastDocument ? &st.lastDocument->endorsement.text : &kEmpty;
  default:
    return nullptr;
  }
}

// Runs body(st) under the state's lock for an open session and a selector
// of the parameter table.
template <typename Body> int WithParam(int selector, Body body) {
  State &st = TheState();
  Guard guard(st.mutex);
  if (!st.open) {
    return MIRB_VS_ERR_NOT_INITIALISED;
  }
  if (!IsTableSelector(selector)) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  return body(st);
}

} // namespace

int MIRB_CALL MIRBSetParam(int selector, int value) {
  return Guarded([&] {
    return WithParam(selector, [&](State &st) {
      st.params[selector] = value;
      return MIRB_VS_OK;
    });
  });
}

int MIRB_CALL MIRBGetParam(int selector) {
  return Guarded([&] {
    return WithParam(selector, [&](State &st) { return st.params[selector]; });
  });
}

int MIRB_CALL MIRBSetParamString(int selector, const char *value) {
  return Guarded([&] {
    State &st = TheState();
    Guard guard(st.mutex);
    if (!st.open) {
      return MIRB_VS_ERR_NOT_INITIALISED;
    }
    std::string text;
    if (!IsTableSelector(selector) || value == nullptr ||
        !ReadText(value, text)) {
      return MIRB_VS_ERR_BAD_ARGUMENT;
    }
    st.texts[selector] = std::move(text);
    return MIRB_VS_OK;
  });
}

const char *MIRB_CALL MIRBGetParamString(int selector) {
  return Guarded([&]() -> const char * {
    State &st = TheState();
    Guard guard(st.mutex);
    if (!st.open) {
      return nullptr;
    }
    const std::string *text = IsTableSelector(selector)
                                  ? &st.texts[selector]
                                  : ReadOnlyText(st, selector);
    if (text == nullptr) {
      return nullptr;
    }
    PutText(st.paramText, sizeof st.paramText, *text);
    return st.paramText;
  });
}

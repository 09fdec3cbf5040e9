// Status, transport control and identity.
#include <algorithm>
#include <chrono>
#include <ctime>
#if defined(_WIN32)
#include <windows.h>
#else
#include <thread>
#endif

#include "scannerlib/mirbap32.h"
#include "virtualscanner/state.h"

using namespace vs;

namespace {

int StatusWord(const State &st) {
  int status = MIRB_VS_STATUS_READY;
  if (st.documentInTrack) {
    status |= MIRB_VS_STATUS_DOCUMENT_IN_TRACK;
  }
  if (st.nextDocument < st.hopper.size()) {
    status |= MIRB_VS_STATUS_HOPPER_LOADED;
  }
  return status;
}

void SleepMilliseconds(int ms) {
#if defined(_WIN32)
  Sleep(static_cast<DWORD>(ms));
#else
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
#endif
}

} // namespace

int MIRB_CALL MIRBStatus(void) {
  State &st = TheState();
  Guard guard(st.mutex);
  return st.open ? StatusWord(st) : MIRB_VS_ERR_NOT_INITIALISED;
}

int MIRB_CALL MIRBStatusDelay(int delay, int) {
  // Wait first, without the lock; no document arrives in the meantime.
  {
    State &st = TheState();
    Guard guard(st.mutex);
    if (!st.open) {
      return MIRB_VS_ERR_NOT_INITIALISED;
    }
  }
  constexpr int kLongestWait = 1000;
  SleepMilliseconds(std::clamp(delay, 0, kLongestWait));
  return MIRBStatus();
}

int MIRB_CALL MIRBEjectDocument(void) {
  State &st = TheState();
  Guard guard(st.mutex);
  if (!st.open) {
    return MIRB_VS_ERR_NOT_INITIALISED;
  }
  if (!st.documentInTrack) {
    return MIRB_VS_ERR_NO_DOCUMENT;
  }
  st.documentInTrack = false; // to the pocket; its code line stays readable
  return MIRB_VS_OK;
}

int MIRB_CALL MIRBClearDocument(void) {
  State &st = TheState();
  Guard guard(st.mutex);
  if (!st.open) {
    return MIRB_VS_ERR_NOT_INITIALISED;
  }
  st.documentInTrack = false; // out of the transport, and forgotten
  st.lastDocument.reset();
  return MIRB_VS_OK;
}

int MIRB_CALL QELGetScannerType(void) {
  State &st = TheState();
  Guard guard(st.mutex);
  return st.open ? MIRB_VS_SCANNER_TYPE : MIRB_VS_ERR_NOT_INITIALISED;
}

int MIRB_CALL QELApiSupportedScanners(void) {
  return MIRB_VS_SUPPORTED_SCANNERS;
}

int MIRB_CALL QELIsUsbScannerAvailable(int *vid, int *pid) {
  // A presence test before any session: answers whether one is open or not.
  const bool present = EnvInt("MIRB_VIRTUAL_USB").value_or(1) != 0;
  PutInt(vid, present ? MIRB_VS_USB_VID : 0);
  PutInt(pid, present ? MIRB_VS_USB_PID : 0);
  return present ? 1 : 0;
}

int MIRB_CALL MIRBGetScannerInfo(unsigned char *adapter, unsigned char *target,
                                 char *vendor, char *product, char *release,
                                 int) {
  if (adapter != nullptr) {
    *adapter = 0;
  }
  if (target != nullptr) {
    *target = 0;
  }
  PutText(vendor, kShortText, "");
  PutText(product, kShortText, "");
  PutText(release, kShortText, "");
  State &st = TheState();
  Guard guard(st.mutex);
  if (!st.open) {
    return MIRB_VS_ERR_NOT_INITIALISED;
  }
  if (adapter != nullptr) {
    *adapter = MIRB_VS_ADAPTER_ID;
  }
  if (target != nullptr) {
    *target = MIRB_VS_TARGET_ID;
  }
  PutText(vendor, kShortText, MIRB_VS_VENDOR);
  PutText(product, kShortText, MIRB_VS_PRODUCT);
  PutText(release, kShortText, MIRB_VS_RELEASE);
  return MIRB_VS_OK;
}

int MIRB_CALL MIRBGetScannerSerialNumber(char *serial,
                                         unsigned int *documentNumber,
                                         unsigned int *time) {
  PutText(serial, kTextBuffer, "");
  if (documentNumber != nullptr) {
    *documentNumber = 0;
  }
  if (time != nullptr) {
    *time = 0;
  }
  State &st = TheState();
  Guard guard(st.mutex);
  if (!st.open) {
    return MIRB_VS_ERR_NOT_INITIALISED;
  }
  PutText(serial, kTextBuffer, MIRB_VS_SERIAL);
  // Counter base from the environment (0 to 4294967295, or a negative int
  // for its bit pattern) plus the documents fed since the library was
  // loaded, modulo 2^32.
  const long long given = EnvNumber("MIRB_VIRTUAL_DOCUMENT_NUMBER").value_or(0);
  const unsigned int base =
      given >= -2147483648LL && given <= 4294967295LL
          ? static_cast<unsigned int>(given & 0xFFFFFFFFLL)
          : 0u;
  if (documentNumber != nullptr) {
    *documentNumber = base + st.documentsFed;
  }
  if (time != nullptr) {
    *time = static_cast<unsigned int>(
        static_cast<unsigned long long>(std::time(nullptr)) & 0xFFFFFFFFu);
  }
  return MIRB_VS_OK;
}

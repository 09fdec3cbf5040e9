// Status, transport control and identity.
#include <algorithm>
#include <ctime>

#include "scannerlib/mirbap32.h"
#include "virtualscanner/environment.h"
#include "virtualscanner/feed.h"
#include "virtualscanner/guard.h"
#include "virtualscanner/state.h"

using namespace vs;

namespace {

int StatusWord(const State &st) {
  int status = st.trackFault == 0 ? MIRB_VS_STATUS_READY : 0;
  if (st.documentInTrack) {
    status |= MIRB_VS_STATUS_DOCUMENT_IN_TRACK;
  }
  if (st.nextDocument < st.hopper.size()) {
    status |= MIRB_VS_STATUS_HOPPER_LOADED;
  }
  if (st.trackFault != 0) {
    status |= st.trackFault == MIRB_VS_ERR_JAM ? MIRB_VS_STATUS_JAM
                                               : MIRB_VS_STATUS_DOUBLE_FEED;
  }
  if (st.feeding) {
    status |= MIRB_VS_STATUS_FEEDING;
  }
  return status;
}

} // namespace

int MIRB_CALL MIRBStatus(void) {
  return Guarded([&] {
    State &st = TheState();
    Guard guard(st.mutex);
    const int rc = DeviceCheck(st);
    return rc == MIRB_VS_OK ? StatusWord(st) : rc;
  });
}

int MIRB_CALL MIRBStatusDelay(int delay, int) {
  return Guarded([&] {
    // Waits first, without the lock, as a scan's feed does; no document
    // arrives in the meantime.
    State &st = TheState();
    std::unique_lock<Lock> lock(st.mutex);
    if (const int rc = DeviceCheck(st); rc != MIRB_VS_OK) {
      return rc;
    }
    constexpr int kLongestWait = 1000;
    const int rc = SleepInSession(st, lock, st.session,
                                  std::clamp(delay, 0, kLongestWait));
    return rc == MIRB_VS_OK ? StatusWord(st) : rc;
  });
}

int MIRB_CALL MIRBEjectDocument(void) {
  return Guarded([&] {
    State &st = TheState();
    Guard guard(st.mutex);
    if (const int rc = DeviceCheck(st); rc != MIRB_VS_OK) {
      return rc;
    }
    if (st.trackFault != 0) {
      return st.trackFault; // stuck: only clearing takes it out
    }
    if (!st.documentInTrack) {
      return MIRB_VS_ERR_NO_DOCUMENT;
    }
    st.documentInTrack = false; // to the pocket; its code line stays readable
    return MIRB_VS_OK;
  });
}

int MIRB_CALL MIRBClearDocument(void) {
  return Guarded([&] {
    State &st = TheState();
    Guard guard(st.mutex);
    if (const int rc = DeviceCheck(st); rc != MIRB_VS_OK) {
      return rc;
    }
    st.documentInTrack = false; // out of the transport, and forgotten
    st.trackFault = 0;
    st.lastDocument.reset();
    return MIRB_VS_OK;
  });
}

int MIRB_CALL QELGetScannerType(void) {
  return Guarded([&] {
    State &st = TheState();
    Guard guard(st.mutex);
    const int rc = DeviceCheck(st);
    return rc == MIRB_VS_OK ? MIRB_VS_SCANNER_TYPE : rc;
  });
}

int MIRB_CALL QELApiSupportedScanners(void) {
  return Guarded([&] { return MIRB_VS_SUPPORTED_SCANNERS; });
}

int MIRB_CALL QELIsUsbScannerAvailable(int *vid, int *pid) {
  return Guarded([&] {
    // A presence test before any session: answers whether one is open or not.
    State &st = TheState();
    Guard guard(st.mutex);
    const bool present = EnvInt("MIRB_VIRTUAL_USB").value_or(1) != 0 &&
                         !UnpluggedByFile() && !st.unplugged;
    PutInt(vid, present ? MIRB_VS_USB_VID : 0);
    PutInt(pid, present ? MIRB_VS_USB_PID : 0);
    return present ? 1 : 0;
  });
}

int MIRB_CALL MIRBGetScannerInfo(unsigned char *adapter, unsigned char *target,
                                 char *vendor, char *product, char *release,
                                 int) {
  return Guarded([&] {
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
    if (const int rc = DeviceCheck(st); rc != MIRB_VS_OK) {
      return rc;
    }
    if (adapter != nullptr) {
      *adapter = MIRB_VS_ADAPTER_ID;
    }
    if (target != nullptr) {
      *target = MIRB_VS_TARGET_ID;
    }
    // Another library's identity, for an application that tells libraries
    // apart by it.
    PutText(vendor, kShortText, EnvText("MIRB_VIRTUAL_VENDOR", MIRB_VS_VENDOR));
    PutText(product, kShortText,
            EnvText("MIRB_VIRTUAL_PRODUCT", MIRB_VS_PRODUCT));
    PutText(release, kShortText, MIRB_VS_RELEASE);
    return MIRB_VS_OK;
  });
}

int MIRB_CALL MIRBGetScannerSerialNumber(char *serial,
                                         unsigned int *documentNumber,
                                         unsigned int *time) {
  return Guarded([&] {
    PutText(serial, kTextBuffer, "");
    if (documentNumber != nullptr) {
      *documentNumber = 0;
    }
    if (time != nullptr) {
      *time = 0;
    }
    State &st = TheState();
    Guard guard(st.mutex);
    if (const int rc = DeviceCheck(st); rc != MIRB_VS_OK) {
      return rc;
    }
    PutText(serial, kTextBuffer, MIRB_VS_SERIAL);
    // Counter base from the environment (0 to 4294967295, or a negative int
    // for its bit pattern) plus the documents fed since the library was
    // loaded, modulo 2^32.
    const long long given =
        EnvNumber("MIRB_VIRTUAL_DOCUMENT_NUMBER").value_or(0);
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
  });
}

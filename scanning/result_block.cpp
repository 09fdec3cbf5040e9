#include "scanning/result_block.h"

namespace qel {

bool FullScanResults::Check(jobjectArray MICR, jintArray FinalImageQuality,
                            jintArray FinalContrast,
                            jintArray DocStatus) noexcept {
  if (!CheckOutputSlot(env_, MICR, "MICR array must be at least 1 element",
                       "Get MICR error")) {
    return false;
  }
  micrArray_ = MICR;
  if (!CheckLength(env_, FinalImageQuality, 1, "lengthFinalImageQuality < 1") ||
      !pinnedQuality_.Pin(FinalImageQuality, "Get FinalImageQuality error") ||
      !CheckLength(env_, FinalContrast, 1, "lengthFinalContrast < 1") ||
      !pinnedContrast_.Pin(FinalContrast, "Get FinalContrast error")) {
    return false;
  }
  if (DocStatus == nullptr) {
    LogError("DocStatus buffer is NULL, still valid option");
    return true;
  }
  if (!CheckLength(env_, DocStatus, kDocStatusCount,
                   "DocStatus buffer must be at least 32 interger") ||
      !pinnedDocStatus_.Pin(DocStatus, "Get DocStatus error")) {
    return false;
  }
  hasDocStatus_ = true;
  return true;
}

void FullScanResults::Trace() noexcept {
  LogInfoFormatted("MICR Data = %s", acMICR_.text());
  LogInfoFormatted("FinalImageQuality = %d", iFinalImageQuality_);
  LogInfoFormatted("FinalContrast= %d", iFinalContrast_);
  if (hasDocStatus_) {
    for (int i = 0; i < kDocStatusCount; ++i) {
      LogInfoFormatted("iDocStatus[%d]= %d", i, iDocStatus_[i]);
    }
  }
}

bool FullScanResults::WriteBack() noexcept {
  if (!PutString(env_, micrArray_, acMICR_.text(),
                 "Put and Release MICR error")) {
    return false;
  }
  pinnedQuality_.Deliver(iFinalImageQuality_);
  pinnedContrast_.Deliver(iFinalContrast_);
  if (hasDocStatus_) {
    // Elements past the 32nd keep what they held.
    for (int i = 0; i < kDocStatusCount; ++i) {
      pinnedDocStatus_.get()[i] = iDocStatus_[i];
    }
    pinnedDocStatus_.Release();
  }
  return true;
}

} // namespace qel

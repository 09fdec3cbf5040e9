// What a full scan reports besides its images: the code line, the final
// image quality and contrast, and 32 document status values. The scans to
// files and to memory check, trace and deliver it alike.
#ifndef QELSCANNER_SCANNING_RESULT_BLOCK_H
#define QELSCANNER_SCANNING_RESULT_BLOCK_H

#include <jni.h>

#include "bridge/log.h"
#include "bridge/marshal.h"

namespace qel {

constexpr int kDocStatusCount = 32;

class FullScanResults {
public:
  explicit FullScanResults(JNIEnv *env) noexcept
      : env_(env), pinnedQuality_(env), pinnedContrast_(env),
        pinnedDocStatus_(env) {}

  // Checks the four output arrays and pins the three int[] for the whole
  // scan. A null DocStatus is allowed: the scan then reports no status.
  bool Check(jobjectArray MICR, jintArray FinalImageQuality,
             jintArray FinalContrast, jintArray DocStatus) noexcept;

  // The library's result buffers.
  char *micr() noexcept { return acMICR_.buffer(); }
  int *quality() noexcept { return &iFinalImageQuality_; }
  int *contrast() noexcept { return &iFinalContrast_; }
  int *docStatus() noexcept { return hasDocStatus_ ? iDocStatus_ : nullptr; }

  // Traces the block to the information log, after the caller's own
  // output lines.
  void Trace() noexcept;

  // Delivers the block: the code line first, then the figures and the
  // status values. False when the code line cannot become a string; the
  // int arrays are then given back unchanged.
  bool WriteBack() noexcept;

private:
  JNIEnv *env_;
  jobjectArray micrArray_ = nullptr;
  PinnedInts pinnedQuality_;
  PinnedInts pinnedContrast_;
  PinnedInts pinnedDocStatus_;
  bool hasDocStatus_ = false;
  LibraryText<kTextSize> acMICR_;
  int iFinalImageQuality_ = 0;
  int iFinalContrast_ = 0;
  int iDocStatus_[kDocStatusCount] = {};
};

} // namespace qel

#endif

// The drawn sides of a document, in 8-bit gray at 200 dpi: a check's
// front with its fields and code line, a payment voucher (the long
// document), the back's endorsement area.
#ifndef QELSCANNER_VIRTUALSCANNER_CHECK_DRAWING_H
#define QELSCANNER_VIRTUALSCANNER_CHECK_DRAWING_H

#include "virtualscanner/image.h"
#include "virtualscanner/state.h"

namespace vs {

constexpr int kDrawingDpi = 200;
constexpr int kCheckWidth = 1200; // 6 inches; a long document is twice as wide
constexpr int kCheckHeight = 550; // 2.75 inches

// Each onto white paper of its size (the voucher twice a check's width),
// the border included.
void DrawCheckFront(Image &page, const Document &doc);
void DrawVoucher(Image &page, const Document &doc);
void DrawCheckBack(Image &page);

} // namespace vs

#endif

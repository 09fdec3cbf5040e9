// The pictures of a document, as each kind of scan sees it.
#ifndef QELSCANNER_VIRTUALSCANNER_RENDER_H
#define QELSCANNER_VIRTUALSCANNER_RENDER_H

#include "virtualscanner/image.h"
#include "virtualscanner/state.h"

namespace vs {

enum class Kind { kBilevel, kGray, kUv, kLong };
enum class Side { kFront, kBack };

// The picture of a document: a check with its printed fields and the code
// line on the front (a long document: a payment voucher twice as wide),
// the endorsement area on the back. Bilevel and long images are 200 dpi,
// gray and UV images 100 dpi. A UV image shows the paper's fibres, placed
// by the code line, and the seal below, which no other image shows.
Image RenderDocument(const Document &doc, Side side, Kind kind);

// A picture (8-bit gray, any size) on white paper of a check's size at 200
// dpi: as large as fits keeping its shape, centred.
Image PageFromPicture(const Image &picture);

// The UV seal's centre and outer radius in the UV image's 100-dpi pixels:
// a spot the front leaves unprinted.
constexpr int kUvSealX = 250;
constexpr int kUvSealY = 170;
constexpr int kUvSealRadius = 38;

} // namespace vs

#endif
